#include "ui/list_window.h"

#include <QAbstractTableModel>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "form/captions.h"
#include "form/form1.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"

namespace nolvetta::ui {

namespace captions = form::captions;
using Column = form::NewsletterList::Column;

// The rows as the behaviour keeps them: a text is made for a cell only when
// it shows.
class RowsModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    void showing(const form::NewsletterList* list) { list_ = list; }
    void changed() {
        beginResetModel();
        endResetModel();
    }
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() || !list_ ? 0 : int(list_->rowCount());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(form::NewsletterList::ColumnCount);
    }
    QVariant data(const QModelIndex& index, int role) const override {
        const auto row = std::size_t(index.row());
        const auto column = Column(index.column());
        if (!list_ || row >= list_->rowCount()) {
            return {};
        }
        switch (role) {
            case Qt::DisplayRole:
            case Qt::ToolTipRole:
                return toQt(list_->cell(row, column));
            case Qt::TextAlignmentRole:
                return column == Column::Count ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                               : QVariant();
            case Qt::ForegroundRole:
                // Who ignores a request to leave stands out.
                return list_->marked(row) && column == Column::Left ? QVariant(QColor(Qt::red))
                                                                    : QVariant();
            default:
                return {};
        }
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
            section >= int(std::size(captions::ListColumns))) {
            return {};
        }
        return toQt(captions::ListColumns[section]);
    }

private:
    const form::NewsletterList* list_ = nullptr;
};

namespace {

QPushButton* button(std::u16string_view caption, const char* name, QWidget* parent) {
    auto* b = new QPushButton(toQt(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

// A path the combo box keeps with an entry; the two choices have none.
constexpr int PathsRole = Qt::UserRole;
constexpr int ChoiceRole = Qt::UserRole + 1;
enum Choice { Paths, File, Folder };

}  // namespace

ListWindow::ListWindow(form::Form1& form, message::Reader& reader, QWidget* parent)
    : QWidget(parent, Qt::Window),
      sources_(new QComboBox(this)),
      scan_(button(captions::ListScan, "Scan", this)),
      cancel_(button(captions::ListCancel, "Cancel", this)),
      progress_(new QProgressBar(this)),
      filter_(new QLineEdit(this)),
      table_(new QTableView(this)),
      status_(new QLabel(this)),
      leave_(button(captions::ListLeave, "Leave", this)),
      model_(new RowsModel(this)) {
    setObjectName(QStringLiteral("NewsletterList"));
    setWindowTitle(toQt(captions::MenuNewsletterList) + " - " + toQt(captions::AppTitle));
    const std::filesystem::path home = nativePath(QDir::homePath());
    const std::filesystem::path dataHome =
        nativePath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    list_ = std::make_unique<form::NewsletterList>(*this, form, reader, home, dataHome);
    model_->showing(list_.get());

    sources_->setObjectName(QStringLiteral("Sources"));
    sources_->setAccessibleName(toQt(captions::ListSources));
    QStringList all;
    for (const mailbox::MailStore& store : list_->sources()) {
        all.append(toQtPath(store.path));
    }
    if (all.size() > 1) {
        sources_->addItem(toQt(captions::ListAllSources), all);
    }
    for (const mailbox::MailStore& store : list_->sources()) {
        sources_->addItem(
            toQt(store.program) + ": " + toQt(store.name) + "  (" + toQtPath(store.path) + ")",
            QStringList{toQtPath(store.path)});
    }
    sources_->addItem(toQt(captions::ListChooseFile));
    sources_->setItemData(sources_->count() - 1, File, ChoiceRole);
    sources_->addItem(toQt(captions::ListChooseFolder));
    sources_->setItemData(sources_->count() - 1, Folder, ChoiceRole);
    progress_->setObjectName(QStringLiteral("Progress"));
    progress_->setRange(0, 1000);
    progress_->setValue(0);
    filter_->setObjectName(QStringLiteral("Filter"));
    filter_->setPlaceholderText(toQt(captions::ListFilter));
    filter_->setClearButtonEnabled(true);
    filter_->setAccessibleName(toQt(captions::ListFilter));
    status_->setObjectName(QStringLiteral("Status"));
    table_->setObjectName(QStringLiteral("Rows"));
    table_->setModel(model_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->setWordWrap(false);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->horizontalHeader()->setSortIndicatorShown(true);
    table_->horizontalHeader()->setSortIndicator(int(Column::Latest), Qt::DescendingOrder);
    table_->horizontalHeader()->setSectionsClickable(true);
    cancel_->setEnabled(false);

    auto* top = new QHBoxLayout;
    top->addWidget(sources_, 1);
    top->addWidget(scan_);
    top->addWidget(cancel_);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(status_, 1);
    bottom->addWidget(leave_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(progress_);
    layout->addWidget(filter_);
    layout->addWidget(table_, 1);
    layout->addLayout(bottom);
    resize(1080, 540);

    connect(scan_, &QPushButton::clicked, this, [this] { scanChosenSource(); });
    connect(cancel_, &QPushButton::clicked, this, [this] { list_->cancel(); });
    connect(leave_, &QPushButton::clicked, this, [this] { leaveChosenRows(); });
    connect(filter_, &QLineEdit::textChanged, this,
            [this](const QString& text) { list_->setFilter(viewOf(text)); });
    // A click on a column's title sorts by it, the other way round on a second.
    connect(table_->horizontalHeader(), &QHeaderView::sortIndicatorChanged, this,
            [this](int column, Qt::SortOrder order) {
                list_->sortBy(Column(column), order == Qt::AscendingOrder);
            });
}

ListWindow::~ListWindow() = default;

void ListWindow::closeEvent(QCloseEvent* event) {
    list_->closed();
    QWidget::closeEvent(event);
}

void ListWindow::scan(const std::vector<std::filesystem::path>& paths) {
    QStringList given;
    for (const std::filesystem::path& path : paths) {
        given.append(toQtPath(path));
    }
    sources_->insertItem(0, given.join(QStringLiteral(", ")), given);
    sources_->setCurrentIndex(0);
    list_->scan(paths);
}

void ListWindow::scanChosenSource() {
    std::vector<std::filesystem::path> paths;
    switch (sources_->currentData(ChoiceRole).toInt()) {
        case File:
            if (const QString file = QFileDialog::getOpenFileName(this); !file.isEmpty()) {
                paths.push_back(nativePath(file));
            }
            break;
        case Folder:
            if (const QString folder = QFileDialog::getExistingDirectory(this); !folder.isEmpty()) {
                paths.push_back(nativePath(folder));
            }
            break;
        default:
            for (const QString& path : sources_->currentData(PathsRole).toStringList()) {
                paths.push_back(nativePath(path));
            }
    }
    if (!paths.empty()) {
        list_->scan(std::move(paths));
    }
}

void ListWindow::leaveChosenRows() {
    std::vector<std::size_t> rows;
    for (const QModelIndex& index : table_->selectionModel()->selectedRows()) {
        rows.push_back(std::size_t(index.row()));
    }
    std::sort(rows.begin(), rows.end());
    list_->leave(rows);
}

void ListWindow::setScanning(bool scanning) {
    scan_->setEnabled(!scanning);
    cancel_->setEnabled(scanning);
    leave_->setEnabled(!scanning);
    if (!scanning) {
        progress_->setValue(progress_->maximum());
    }
}

void ListWindow::setProgress(std::uint64_t done, std::uint64_t total) {
    progress_->setValue(total == 0 ? 0 : int(done * 1000 / total));
}

void ListWindow::setStatus(std::u16string_view text) {
    status_->setText(toQt(text));
}

// Each column as wide as its texts, up to a share of the window: a long
// subject must not push the rest out of sight.
void ListWindow::rowsChanged() {
    model_->changed();
    table_->resizeColumnsToContents();
    for (int column = 0; column < model_->columnCount(); ++column) {
        table_->setColumnWidth(column, std::min(table_->columnWidth(column), width() / 4));
    }
}

void ListWindow::inform(std::u16string_view text) {
    showMessage(this, text);
}

bool ListWindow::askYesNo(std::u16string_view text) {
    return ui::askYesNo(this, text);
}

void ListWindow::post(std::function<void()> task) {
    QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
}

}  // namespace nolvetta::ui
