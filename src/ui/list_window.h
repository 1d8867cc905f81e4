#pragma once

#include <QWidget>
#include <filesystem>
#include <memory>
#include <vector>

#include "form/newsletter_list.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableView;

namespace nolvetta::ui {

class RowsModel;

// The newsletter list's window, drawn with Qt: it shows what the list's
// behaviour (form::NewsletterList) decides and reports every act to it.
class ListWindow : public QWidget, public form::ListView {
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
    void post(std::function<void()> task) override;

protected:
    // A list closed mid-scan stops reading.
    void closeEvent(QCloseEvent* event) override;

private:
    void scanChosenSource();
    void leaveChosenRows();

    QComboBox* sources_;
    QPushButton* scan_;
    QPushButton* cancel_;
    QProgressBar* progress_;
    QLineEdit* filter_;
    QTableView* table_;
    QLabel* status_;
    QPushButton* leave_;
    RowsModel* model_;
    std::unique_ptr<form::NewsletterList> list_;  // last: its scan ends before the window goes
};

}  // namespace nolvetta::ui
