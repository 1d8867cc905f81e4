#pragma once

#include <QMainWindow>
#include <filesystem>
#include <memory>
#include <vector>

#include "form/newsletter_list.h"

class QActionGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableView;

namespace nolvetta::ui {

class RowsModel;

// The newsletter list's window, drawn with Qt: it shows what the list's
// behaviour (form::NewsletterList) decides and reports every act to it. A
// main window, so that screen readers take it for a frame.
class ListWindow : public QMainWindow, public form::ListView {
    Q_OBJECT
public:
    ListWindow(form::Form1& form, message::Reader& reader, QWidget* parent);
    ~ListWindow() override;

    form::NewsletterList& list() { return *list_; }
    // Reads the paths, which the source chooser then offers too.
    void scan(const std::vector<std::filesystem::path>& paths);

    void setScanning(bool scanning) override;
    void setProgress(std::uint64_t done, std::uint64_t total) override;
    void setStatus(std::u16string_view text) override;
    void rowsChanged() override;
    void inform(std::u16string_view text) override;
    bool askYesNo(std::u16string_view text) override;
    std::optional<Password> askPassword(std::u16string_view account) override;
    void post(std::function<void()> task) override;

    // Opens above the main window, fitted to its screen the first time.
    void setVisible(bool visible) override;

protected:
    // A list closed mid-scan stops reading.
    void closeEvent(QCloseEvent* event) override;
    // F6 and Ctrl+Tab leave the table as Tab does.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void scanChosenSource();
    void addServerEntry(const mailbox::ImapAccount& account);
    void leaveChosenRows();
    void fitToScreen();
    void showSortOrder();

    QComboBox* sources_;
    QPushButton* scan_;
    QPushButton* cancel_;
    QProgressBar* progress_;
    QLineEdit* filter_;
    QTableView* table_;
    QLabel* status_;
    QPushButton* leave_;
    QPushButton* sort_;
    QActionGroup* sortBy_;
    RowsModel* model_;
    bool fitted_ = false;
    std::unique_ptr<form::NewsletterList> list_;  // last: its scan ends before the window goes
};

}  // namespace nolvetta::ui
