#include "ui/list_window.h"

#include <QAbstractTableModel>
#include <QActionGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "form/captions.h"
#include "form/form1.h"
#include "ui/accessible_combo.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"
#include "ui/server_dialogs.h"
#include "ui/stacking.h"

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

// A button named by its purpose, pressed by Enter too when it has the focus.
QPushButton* button(std::u16string_view name, std::u16string_view caption, const char* id) {
    auto* b = new QPushButton(toQt(caption));
    b->setObjectName(QString::fromLatin1(id));
    b->setAccessibleName(toQt(name));
    b->setAutoDefault(true);
    return b;
}

QLabel* label(std::u16string_view caption, QWidget* buddy) {
    auto* l = new QLabel(toQt(caption));
    l->setBuddy(buddy);
    return l;
}

// A path the combo box keeps with an entry; the two choices have none.
constexpr int PathsRole = Qt::UserRole;
constexpr int ChoiceRole = Qt::UserRole + 1;
constexpr int ServerRole = Qt::UserRole + 2;  // the account's imaps:// address
enum Choice { Paths, File, Folder, Server, AddServer };

}  // namespace

ListWindow::ListWindow(form::Form1& form, message::Reader& reader, QWidget* parent)
    : QMainWindow(parent),
      sources_(new QComboBox),
      scan_(button(captions::ListScan, captions::ListScanKey, "Scan")),
      cancel_(button(captions::ListCancel, captions::ListCancelKey, "Cancel")),
      progress_(new QProgressBar),
      filter_(new QLineEdit),
      table_(new QTableView),
      status_(new QLabel),
      leave_(button(captions::ListLeave, captions::ListLeaveKey, "Leave")),
      sort_(button(captions::ListSort, captions::ListSortKey, "Sort")),
      sortBy_(new QActionGroup(this)),
      model_(new RowsModel(this)) {
    setObjectName(QStringLiteral("NewsletterList"));
    setWindowTitle(toQt(captions::MenuNewsletterList) + " - " + toQt(captions::AppTitle));
    const std::filesystem::path home = nativePath(QDir::homePath());
    const std::filesystem::path dataHome =
        nativePath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    const std::filesystem::path configHome =
        nativePath(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    list_ =
        std::make_unique<form::NewsletterList>(*this, form, reader, home, dataHome, configHome);
    model_->showing(list_.get());

    nameByPurpose(*sources_);
    sources_->setObjectName(QStringLiteral("Sources"));
    sources_->setAccessibleName(toQt(captions::ListSources));
    // Long paths must not widen the window past a small screen.
    sources_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    sources_->setMinimumContentsLength(12);
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
    for (const mailbox::ImapAccount& account : list_->servers()) {
        addServerEntry(account);
    }
    sources_->addItem(toQt(captions::ListChooseFile));
    sources_->setItemData(sources_->count() - 1, File, ChoiceRole);
    sources_->addItem(toQt(captions::ListChooseFolder));
    sources_->setItemData(sources_->count() - 1, Folder, ChoiceRole);
    sources_->addItem(toQt(captions::ListAddServer));
    sources_->setItemData(sources_->count() - 1, AddServer, ChoiceRole);
    progress_->setObjectName(QStringLiteral("Progress"));
    progress_->setAccessibleName(toQt(captions::ListProgress));
    progress_->setRange(0, 1000);
    progress_->setValue(0);
    filter_->setObjectName(QStringLiteral("Filter"));
    filter_->setClearButtonEnabled(true);
    filter_->setAccessibleName(toQt(captions::ListFilter));
    status_->setObjectName(QStringLiteral("Status"));
    status_->setWordWrap(true);
    table_->setObjectName(QStringLiteral("Rows"));
    table_->setAccessibleName(toQt(captions::ListRows));
    table_->setModel(model_);
    table_->setTabKeyNavigation(false);  // the arrows move inside it; Tab leaves it
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->setWordWrap(false);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->horizontalHeader()->setSortIndicatorShown(true);
    table_->horizontalHeader()->setSectionsClickable(true);
    cancel_->setEnabled(false);
    // The header sorts for the mouse; this menu for the keyboard.
    auto* sortMenu = new QMenu(sort_);
    for (std::size_t column = 0; column < form::NewsletterList::ColumnCount; ++column) {
        const char16_t key[] = {char16_t(u'1' + column), u'\0'};
        QAction* by = sortMenu->addAction(
            toQt(captions::format(captions::ListSortEntry, {captions::ListColumns[column], key})));
        by->setCheckable(true);
        sortBy_->addAction(by);
        connect(by, &QAction::triggered, this,
                [this, column] { list_->sortOrTurn(Column(column)); });
    }
    sort_->setMenu(sortMenu);

    auto* top = new QHBoxLayout;
    top->addWidget(label(captions::ListSourcesKey, sources_));
    top->addWidget(sources_, 1);
    top->addWidget(scan_);
    top->addWidget(cancel_);
    auto* middle = new QHBoxLayout;
    middle->addWidget(label(captions::ListFilterKey, filter_));
    middle->addWidget(filter_, 1);
    middle->addWidget(sort_);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(status_, 1);
    bottom->addWidget(leave_);
    auto* body = new QWidget;
    auto* layout = new QVBoxLayout(body);
    layout->addLayout(top);
    layout->addWidget(progress_);
    layout->addLayout(middle);
    layout->addWidget(table_, 1);  // what gives way on a small screen
    layout->addLayout(bottom);
    setCentralWidget(body);
    QWidget* const order[] = {sources_, scan_, cancel_, filter_, sort_, table_, leave_};
    for (std::size_t i = 1; i < std::size(order); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }
    showSortOrder();

    connect(scan_, &QPushButton::clicked, this, [this] { scanChosenSource(); });
    connect(cancel_, &QPushButton::clicked, this, [this] { list_->cancel(); });
    connect(leave_, &QPushButton::clicked, this, [this] { leaveChosenRows(); });
    connect(filter_, &QLineEdit::textChanged, this,
            [this](const QString& text) { list_->setFilter(viewOf(text)); });
    // The behaviour decides the order; the header's indicator follows it.
    connect(table_->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { list_->sortOrTurn(Column(column)); });
}

ListWindow::~ListWindow() = default;

void ListWindow::closeEvent(QCloseEvent* event) {
    list_->closed();
    QMainWindow::closeEvent(event);
}

void ListWindow::keyPressEvent(QKeyEvent* event) {
    const bool back = event->modifiers().testFlag(Qt::ShiftModifier);
    if (event->key() == Qt::Key_F6 ||
        (event->modifiers().testFlag(Qt::ControlModifier) &&
         (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab))) {
        focusNextPrevChild(!back && event->key() != Qt::Key_Backtab);
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void ListWindow::setVisible(bool visible) {
    // Else the main window, on top by default, would cover it.
    if (visible && parentWidget()) {
        keepOnTop(*this,
                  parentWidget()->window()->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    }
    if (visible && !fitted_) {
        fitted_ = true;
        fitToScreen();
    }
    QMainWindow::setVisible(visible);
}

// The window manager tells a window's frame only once it has shown: till then
// the main window's is the best guess, else a title bar as the style draws one.
void ListWindow::fitToScreen() {
    const QWidget* main = parentWidget() ? parentWidget()->window() : nullptr;
    const QWidget* framed = frameGeometry() != geometry()                       ? this
                            : main && main->frameGeometry() != main->geometry() ? main
                                                                                : nullptr;
    const int edge = style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth);
    form::Margins frame{edge, style()->pixelMetric(QStyle::PM_TitleBarHeight) + edge, edge, edge};
    if (framed) {
        const QRect outer = framed->frameGeometry(), inner = framed->geometry();
        frame = {inner.left() - outer.left(), inner.top() - outer.top(),
                 outer.right() - inner.right(), outer.bottom() - inner.bottom()};
    }
    const QRect free = (main ? main->screen() : screen())->availableGeometry();
    const form::Box at =
        form::fitOnScreen(1080, 540, {free.left(), free.top(), free.width(), free.height()}, frame);
    setGeometry(at.left, at.top, at.width, at.height);
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

// Before the choices that open a dialog, so they stay last.
void ListWindow::addServerEntry(const mailbox::ImapAccount& account) {
    QString text = toQt(captions::format(captions::ListServer, {mailbox::accountText(account)}));
    if (!account.program.empty()) {
        text += "  (" + toQt(account.program) + ")";
    }
    const int at = sources_->findData(File, ChoiceRole);
    const int index = at < 0 ? sources_->count() : at;
    sources_->insertItem(index, text);
    sources_->setItemData(index, Server, ChoiceRole);
    sources_->setItemData(index, QString::fromStdString(mailbox::imapAddressOf(account)),
                          ServerRole);
}

void ListWindow::scanChosenSource() {
    std::vector<std::filesystem::path> paths;
    std::vector<mailbox::ImapPlace> servers;
    switch (sources_->currentData(ChoiceRole).toInt()) {
        case Server:
            if (std::optional<mailbox::ImapPlace> place = mailbox::imapPlaceOf(
                    sources_->currentData(ServerRole).toString().toStdString())) {
                // The account as found, with the program's own name for it.
                for (const mailbox::ImapAccount& account : list_->servers()) {
                    if (mailbox::imapAddressOf(account) == mailbox::imapAddressOf(place->account)) {
                        place->account = account;
                    }
                }
                servers.push_back(std::move(*place));
            }
            break;
        case AddServer:
            if (std::optional<mailbox::ImapAccount> account = askServer(this);
                account && list_->addServer(*account)) {
                addServerEntry(*account);
                sources_->setCurrentIndex(sources_->findData(
                    QString::fromStdString(mailbox::imapAddressOf(*account)), ServerRole));
                servers.push_back({*account, {}});
            }
            break;
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
    if (!paths.empty() || !servers.empty()) {
        list_->scan(std::move(paths), std::move(servers));
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
    showSortOrder();
    table_->resizeColumnsToContents();
    for (int column = 0; column < model_->columnCount(); ++column) {
        table_->setColumnWidth(column, std::min(table_->columnWidth(column), width() / 4));
    }
}

void ListWindow::showSortOrder() {
    const QSignalBlocker quiet(table_->horizontalHeader());
    table_->horizontalHeader()->setSortIndicator(
        int(list_->sortColumn()), list_->ascending() ? Qt::AscendingOrder : Qt::DescendingOrder);
    sortBy_->actions().at(int(list_->sortColumn()))->setChecked(true);
}

void ListWindow::inform(std::u16string_view text) {
    showMessage(this, text);
}

bool ListWindow::askYesNo(std::u16string_view text) {
    return ui::askYesNo(this, text);
}

std::optional<form::ListView::Password> ListWindow::askPassword(std::u16string_view account) {
    return ui::askPassword(this, account);
}

void ListWindow::post(std::function<void()> task) {
    QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
}

}  // namespace nolvetta::ui
