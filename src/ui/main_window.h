#pragma once

#include <QMainWindow>
#include <array>
#include <filesystem>
#include <memory>
#include <utility>

#include "form/form1.h"
#include "form/view.h"

class QAction;
class QMenu;

namespace nolvetta::launcher {
class Launcher;
}
namespace nolvetta::message {
class Reader;
}

namespace nolvetta::ui {

class ListWindow;

// Qt's own texts (the fields' context menus, standard buttons) in Japanese,
// as the rest of the window is, whatever the system's language.
void installJapaneseQtTexts();

// The program's one window, drawn with Qt from the window's tables: it shows
// what the behaviour (form::Form1) decides and reports every event to it.
class MainWindow : public QMainWindow, public form::View {
    Q_OBJECT
public:
    MainWindow(launcher::Launcher& launcher, message::Reader& reader,
               const std::filesystem::path& dataDirectory);
    ~MainWindow() override;

    form::Form1& form() { return *form_; }
    // Another start asked for the window.
    void comeToFront();

    std::u16string text(form::Control control) const override;
    void setText(form::Control control, std::u16string_view text) override;
    void selectAll(form::Control control) override;
    void setEntries(form::Control list, const store::AddressList& entries) override;
    void entryAdded(form::Control list, std::u16string_view entry) override;
    void entryRemoved(form::Control list, std::size_t index) override;
    void setChecked(form::Menu entry, bool checked) override;
    std::optional<form::Menu> popUp(form::Menu menu, std::optional<form::Control> below,
                                    std::optional<form::Menu> current) override;
    void inform(std::u16string_view text) override;
    bool askYesNo(std::u16string_view text) override;
    void dismissMessages() override;
    void closeWindow() override;
    void setClipboard(std::u16string_view text) override;
    bool setTopMost(bool onTop) override;
    void showWindow() override;
    void post(std::function<void()> task) override;
    void openNewsletterList(const std::vector<std::filesystem::path>& paths) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    QWidget* widget(form::Control control) const;
    // Which control a watched object is, if any.
    std::optional<form::Control> controlOf(const QObject* object) const;

    std::array<QWidget*, form::ControlCount> widgets_{};
    std::array<QAction*, form::MenuCount> actions_{};
    std::array<QMenu*, form::MenuCount> menus_{};
    std::pair<int, quint64> released_{};  // the last key let go, and when
    bool poppingUp_ = false;              // a pop-up's choice is the caller's to act on
    message::Reader& reader_;
    ListWindow* list_ = nullptr;  // a child: made when first opened, gone with the window
    std::unique_ptr<form::Form1> form_;
};

}  // namespace nolvetta::ui
