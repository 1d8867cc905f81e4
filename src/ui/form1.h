#pragma once

#include <QMainWindow>
#include <QString>
#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;

namespace nolvetta::launcher {
class Launcher;
}
namespace nolvetta::message {
struct Reading;
}
namespace nolvetta::store {
class DataFiles;
}

namespace nolvetta::ui {

class MessageBoxes;
class TextBox;

// The program's one window. Every user action is one of its handlers; the
// outside world is reached through the launcher (the browser and the mail
// program), the message boxes and the data directory given here.
class Form1 : public QMainWindow {
    Q_OBJECT
public:
    Form1(launcher::Launcher& launcher, MessageBoxes& messageBoxes,
          const std::filesystem::path& dataDirectory, QWidget* parent = nullptr);
    ~Form1() override;

    // Loads the lists and the option, applies them and shows the window.
    void Form_Load();

    // Acts on a saved message as on one dropped on the ID field.
    void openMessageFile(const QString& path);

    const QString& workText() const { return WorkText; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Outcome { Done, InvalidId, LaunchFailed };

    void buildControls();
    void buildMenus();
    void setTabOrder();

    // Handlers
    void Form_QueryUnload();
    void Combo1_KeyDown(int key);
    void Command3_Click();
    void Command8_Click();
    void Frame2_Click();
    void mn2_Click(int index);
    void MERU1_Click(int index);
    void Command1_Click();
    void Command4_Click();
    void Text3_KeyDown(int key);
    void Command5_MouseDown(Qt::MouseButton button);
    void Command6_Click();
    void kaijo0_Click();
    void kaijo1_Click(int index);
    void kaijo2_Click();
    void Command2_Click();
    void Command7_Click();
    void Text2_KeyDown(int key);
    void Text2_OLEDragDrop(const QString& text);
    void Text3_OLEDragDrop(const QString& text);
    void Text3_MessageDropped(const QByteArray& message);
    void Text3_GotFocus();

    // Shared steps
    void SelectService(std::int16_t index);
    bool checkId();
    Outcome Touroku01(const QString& address);
    Outcome Kaijo00();
    bool Touroku(std::int16_t service, QString& address);
    bool KAIJO(std::int16_t service);
    QString ResMAG(std::int16_t cancelFlag) const;
    bool kapMail(std::int16_t registerFlag);
    bool RenKai(std::int32_t magazineId, std::int16_t service);
    bool openShopNewsPage();
    bool ShellAuto(const QString& url);
    bool ShellMail(const QString& url);
    // `name`: the message as the user knows it, for the messages shown.
    void actOnMessage(const message::Reading& reading, const QString& name);

    launcher::Launcher& launcher_;
    MessageBoxes& boxes_;
    std::unique_ptr<store::DataFiles> dataFiles_;

    // Window-level state shared by the handlers
    std::int16_t ServiceIndex = 0;
    QString WorkText;
    bool loaded_ = false;

    // Controls
    QGroupBox* Frame1_0 = nullptr;
    QComboBox* Combo1 = nullptr;
    QPushButton* Command3 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QLabel* Label1 = nullptr;
    TextBox* Text3 = nullptr;
    QPushButton* Command4 = nullptr;
    QPushButton* Command5 = nullptr;
    QPushButton* Command6 = nullptr;
    QPushButton* Command1 = nullptr;
    QComboBox* Combo2 = nullptr;
    QPushButton* Command8 = nullptr;
    QGroupBox* Frame3 = nullptr;
    QLabel* Label2_2 = nullptr;
    TextBox* Text2 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command7 = nullptr;

    // Menus
    QAction* mn2_0 = nullptr;
    QMenu* mn0_1 = nullptr;
    std::array<QAction*, 5> MERU1{};
    std::array<QMenu*, 3> mn1{};
};

}  // namespace nolvetta::ui
