#include "ui/main_window.h"

#include <QAbstractListModel>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QCursor>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFile>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QIcon>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QShortcut>
#include <QStyleOptionFocusRect>
#include <QStyleOptionGroupBox>
#include <QStylePainter>
#include <QTimer>
#include <QTranslator>
#include <QUrl>
#include <algorithm>

#include "form/captions.h"
#include "ui/accessible_combo.h"
#include "ui/list_window.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"
#include "ui/stacking.h"

namespace nolvetta::ui {

namespace {

using form::Control;
using form::Menu;
namespace captions = form::captions;

// In device-independent pixels, so that high-dpi screens scale the whole window.
QRect pixels(const form::Twips& at, double scale) {
    return {form::toPixels(at.left, scale), form::toPixels(at.top, scale),
            form::toPixels(at.width, scale), form::toPixels(at.height, scale)};
}

// A combo box's list, a copy of the behaviour's: a text is made for an entry
// only when the combo box shows it, so a long list costs little until opened.
class AddressModel : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    void show(const store::AddressList& entries) {
        beginResetModel();
        entries_ = entries;
        endResetModel();
    }
    void added(std::u16string_view entry) {
        beginInsertRows({}, rowCount(), rowCount());
        entries_.append(entry);
        endInsertRows();
    }
    void removed(int row) {
        beginRemoveRows({}, row, row);
        entries_.erase(static_cast<std::size_t>(row));
        endRemoveRows();
    }
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(entries_.size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        const auto row = static_cast<std::size_t>(index.row());
        if ((role != Qt::DisplayRole && role != Qt::EditRole) || row >= entries_.size()) {
            return {};
        }
        return toQt(entries_[row]);
    }

private:
    store::AddressList entries_;
};

AddressModel* listOf(QWidget* combo) {
    return static_cast<AddressModel*>(static_cast<QComboBox*>(combo)->model());
}

form::Key keyOf(const QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_F10:
            return event->modifiers() == Qt::ShiftModifier ? form::Key::Menu : form::Key::Other;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return form::Key::Enter;
        case Qt::Key_Space:
            return form::Key::Space;
        case Qt::Key_Menu:
            return form::Key::Menu;
        case Qt::Key_Up:
            return form::Key::Up;
        case Qt::Key_Down:  // with Alt, a combo box's way to its list
            return event->modifiers() == Qt::AltModifier ? form::Key::Menu : form::Key::Down;
        default:
            return form::Key::Other;
    }
}

form::MouseButton buttonOf(const QMouseEvent* event) {
    switch (event->button()) {
        case Qt::LeftButton:
            return form::MouseButton::Left;
        case Qt::RightButton:
            return form::MouseButton::Right;
        default:
            return form::MouseButton::Middle;
    }
}

// What a drag offers, from its formats alone: asking a mail program for the
// data may make it write the whole message out. Only a real text form counts
// as text: Qt would also offer dragged files' addresses as text.
form::DropOffer offerOf(const QMimeData* data) {
    return {data->hasFormat(QStringLiteral("text/plain")),
            data->hasFormat(QStringLiteral("message/rfc822")), data->hasUrls()};
}

// A drop's data, each form asked for once and only when the window needs it.
class MimeDrop final : public form::DroppedData {
public:
    explicit MimeDrop(const QMimeData* data) : data_(data) {}
    form::DropOffer offer() const override { return offerOf(data_); }
    std::vector<std::filesystem::path> files() override {
        std::vector<std::filesystem::path> files;
        for (const QUrl& url : data_->urls()) {
            if (url.isLocalFile()) {
                files.push_back(nativePath(url.toLocalFile()));
            }
        }
        return files;
    }
    std::string message() override {
        return data_->data(QStringLiteral("message/rfc822")).toStdString();
    }
    std::u16string_view text() override {
        text_ = data_->text();
        return viewOf(text_);
    }

private:
    const QMimeData* data_;
    QString text_;
};

// The program's icon at the sizes a window's icon is drawn in, each decoded
// as it is added; the larger ones are for the desktop's menus, which take
// them from the installed files.
QIcon programIcon() {
    QIcon icon;
    for (int size : {16, 32}) {
        icon.addFile(QStringLiteral(":/icons/%1/org.nolvetta.Nolvetta.png").arg(size),
                     {size, size});
    }
    return icon;
}

// A caption that shows whole in its fixed rectangle whatever the font: one
// too wide for it is drawn narrower. A font of another size would cost a
// search through the system's fonts.
class FittedLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* event) override {
        const int width = fontMetrics().horizontalAdvance(text());
        if (width <= contentsRect().width()) {
            return QLabel::paintEvent(event);
        }
        QPainter painter(this);
        painter.scale(static_cast<double>(contentsRect().width()) / width, 1.0);
        painter.drawText(QRect(0, 0, width, height()), Qt::AlignLeft | Qt::AlignVCenter, text());
    }
};

// A frame that takes the focus, as the service frame does: it shows that it
// has it around its caption.
class FocusableFrame : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

    // Where the frame's caption, the service shown, stands.
    QRect captionRect() const {
        QStyleOptionGroupBox frame;
        initStyleOption(&frame);
        return style()->subControlRect(QStyle::CC_GroupBox, &frame, QStyle::SC_GroupBoxLabel, this);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QGroupBox::paintEvent(event);
        if (!hasFocus()) {
            return;
        }
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = captionRect();
        QStylePainter(this).drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
};

// What a screen reader makes of the service frame: a choice that names the
// service shown and opens the list of services, as Space does.
// Screen readers on Linux hear a combo box's value as its text.
class ChoiceAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit ChoiceAccessible(QWidget* frame) : QAccessibleWidget(frame, QAccessible::ComboBox) {}
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Value ? shown() : QAccessibleWidget::text(t);
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::TextInterface ? static_cast<QAccessibleTextInterface*>(this)
                                                  : QAccessibleWidget::interface_cast(type);
    }
    QString text(int start, int end) const override { return shown().mid(start, end - start); }
    int characterCount() const override { return int(shown().size()); }
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    int selectionCount() const override { return 0; }
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int* start, int* end) const override {
        *start = *end = 0;
        return {};
    }
    QStringList actionNames() const override { return {showMenuAction()}; }
    void doAction(const QString&) override {
        // Posted: the reader's call returns before the modal pop-up runs.
        widget()->setFocus();
        QCoreApplication::postEvent(widget(),
                                    new QKeyEvent(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier));
    }

private:
    QString shown() const { return static_cast<QGroupBox*>(widget())->title(); }
};

constexpr char NamedProperty[] = "nolvettaAccessible";

QAccessibleInterface* accessibleControl(const QString&, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget || !widget->property(NamedProperty).toBool()) {
        return nullptr;
    }
    return new ChoiceAccessible(widget);
}

QWidget* makeWidget(const form::ControlRow& row, QWidget* parent) {
    const QString caption = toQt(row.caption);
    switch (row.kind) {
        case form::Kind::Frame:
            if (row.focusable) {
                auto* frame = new FocusableFrame(caption, parent);
                frame->setFocusPolicy(Qt::StrongFocus);
                frame->setProperty(NamedProperty, true);
                return frame;
            }
            return new QGroupBox(caption, parent);
        case form::Kind::Button: {
            auto* button = new QPushButton(caption, parent);
            button->setAutoDefault(true);  // Enter on a focused button presses it, as Space does
            return button;
        }
        case form::Kind::ComboBox: {
            auto* combo = new QComboBox(parent);
            combo->setModel(new AddressModel(combo));
            // Every entry one line high: the list opens at once however long it is.
            static_cast<QListView*>(combo->view())->setUniformItemSizes(true);
            combo->setEditable(true);
            // The lists change only through the window's handlers, and the
            // typed text is never completed behind the user's back.
            combo->setInsertPolicy(QComboBox::NoInsert);
            combo->setCompleter(nullptr);
            combo->lineEdit()->setAcceptDrops(false);
            combo->lineEdit()->setPlaceholderText(caption);
            nameByPurpose(*combo);
            return combo;
        }
        case form::Kind::TextBox: {
            auto* box = new QLineEdit(caption, parent);
            box->setAcceptDrops(row.takesDrops);
            box->setDragEnabled(row.dragSource);
            return box;
        }
        case form::Kind::Label:
            return new FittedLabel(caption, parent);
    }
    return nullptr;
}

}  // namespace

void installJapaneseQtTexts() {
    static QTranslator texts;
    if (texts.load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                   QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(&texts);
    }
}

MainWindow::MainWindow(launcher::Launcher& launcher, message::Reader& reader,
                       const std::filesystem::path& dataDirectory)
    : reader_(reader),
      form_(std::make_unique<form::Form1>(*this, launcher, reader, dataDirectory)) {
    QAccessible::installFactory(accessibleControl);
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(toQt(captions::AppTitle));
    setWindowIcon(programIcon());
    // A fixed single border with the close button and the system menu only.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    buildControls();
    buildMenus();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    // F10 goes to the menu bar, as on every desktop where Alt alone may not.
    connect(new QShortcut(Qt::Key_F10, this), &QShortcut::activated, this,
            [this] { menuBar()->setActiveAction(menuBar()->actions().constFirst()); });
}

// The list goes first: it acts through the window's behaviour.
MainWindow::~MainWindow() {
    delete list_;
}

void MainWindow::buildControls() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    const double scale = form::layoutScale(QFontInfo(font()).pixelSize());
    client->setFixedSize(pixels(form::ClientArea, scale).size());
    setCentralWidget(client);
    for (const form::ControlRow& row : form::controls()) {
        QWidget* w = makeWidget(row, row.container ? widget(*row.container) : client);
        widgets_[static_cast<std::size_t>(row.id)] = w;
        w->setObjectName(QString::fromLatin1(row.name.data(), row.name.size()));
        w->setGeometry(pixels(row.at, scale));
        if (!row.accessibleName.empty()) {
            w->setAccessibleName(toQt(row.accessibleName));
        }
        // What Qt may have made of the control before it was told what it is.
        if (QAccessibleInterface* made = QAccessible::queryAccessibleInterface(w)) {
            QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
        }
        // Every event the window handles passes the filter; buttons report their clicks.
        w->installEventFilter(this);
        if (auto* button = qobject_cast<QPushButton*>(w)) {
            connect(button, &QPushButton::clicked, this,
                    [this, id = row.id] { form_->clicked(id); });
        }
    }
    for (const form::ControlRow& row : form::controls()) {
        if (row.buddy) {
            static_cast<QLabel*>(widget(row.id))->setBuddy(widget(*row.buddy));
        }
    }

    const std::vector<Control> order = form::tabOrder();
    for (std::size_t i = 0; i + 1 < order.size(); ++i) {
        QWidget::setTabOrder(widget(order[i]), widget(order[i + 1]));
    }
    QWidget::setTabOrder(widget(order.back()), widget(order.front()));
    widget(order.front())->setFocus();
}

void MainWindow::buildMenus() {
    std::array<QActionGroup*, form::MenuCount> groups{};
    for (const form::MenuRow& row : form::menus()) {
        const auto index = static_cast<std::size_t>(row.id);
        const QString caption = toQt(form::menuText(row));
        const QString name = QString::fromLatin1(row.name.data(), row.name.size());
        QMenu* parent = row.parent ? menus_[static_cast<std::size_t>(*row.parent)] : nullptr;
        const bool hasEntries =
            std::any_of(form::menus().begin(), form::menus().end(),
                        [&](const form::MenuRow& other) { return other.parent == row.id; });
        if (hasEntries) {
            QMenu* menu = parent ? parent->addMenu(caption) : menuBar()->addMenu(caption);
            menu->setObjectName(name);
            menus_[index] = menu;
            actions_[index] = menu->menuAction();
            continue;
        }
        QAction* entry = parent->addAction(caption);
        entry->setObjectName(name);
        entry->setCheckable(row.check != form::Check::None);
        entry->setChecked(row.checked);
        entry->setVisible(row.visible);
        if (row.check == form::Check::OneOf) {
            // One check mark among the entries of a menu.
            QActionGroup*& group = groups[static_cast<std::size_t>(*row.parent)];
            group = group ? group : new QActionGroup(parent);
            group->addAction(entry);
        }
        actions_[index] = entry;
        connect(entry, &QAction::triggered, this, [this, id = row.id] {
            if (!poppingUp_) {
                form_->menuChosen(id);
            }
        });
    }
}

QWidget* MainWindow::widget(Control control) const {
    return widgets_[static_cast<std::size_t>(control)];
}

std::optional<Control> MainWindow::controlOf(const QObject* object) const {
    const auto found = std::find(widgets_.begin(), widgets_.end(), object);
    return found != widgets_.end() ? std::optional(static_cast<Control>(found - widgets_.begin()))
                                   : std::nullopt;
}

void MainWindow::comeToFront() {
    showNormal();
    raise();
    activateWindow();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!form_->mayClose()) {
        event->ignore();
        return;
    }
    if (list_) {
        list_->close();
    }
    form_->close();
    event->accept();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    const std::optional<Control> control = controlOf(watched);
    if (!control) {
        return QMainWindow::eventFilter(watched, event);
    }
    switch (event->type()) {
        case QEvent::KeyPress: {
            // Before the control handles the key itself; a key a child let
            // through is not its frame's.
            auto* key = static_cast<QKeyEvent*>(event);
            // Qt may miss the keyboard's repeat and report it as a release
            // and a press; the two then come at the same instant.
            const bool repeated = key->isAutoRepeat() || (released_.first == key->key() &&
                                                          released_.second == key->timestamp());
            if (window()->focusWidget() == widget(*control) ||
                window()->focusWidget()->focusProxy() == widget(*control)) {
                form_->keyDown(*control, keyOf(key), repeated);
            }
            // Shift+F10 opens a text field's menu, as the Menu key does.
            auto* field = qobject_cast<QLineEdit*>(window()->focusWidget());
            if (field && keyOf(key) == form::Key::Menu && key->key() == Qt::Key_F10) {
                const QPoint at = field->inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
                QContextMenuEvent menu(QContextMenuEvent::Keyboard, at, field->mapToGlobal(at));
                QCoreApplication::sendEvent(field, &menu);
                return true;
            }
            break;
        }
        case QEvent::KeyRelease: {
            const auto* key = static_cast<QKeyEvent*>(event);
            released_ = {key->key(), key->timestamp()};
            break;
        }
        case QEvent::FocusIn:
            form_->gotFocus(*control);
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            // 自動配信登録 acts when a button goes down; a quick second press
            // arrives as a double click and is a press like the first.
            if (*control == Control::RegisterServiceNews) {
                form_->pressed(*control, buttonOf(static_cast<QMouseEvent*>(event)));
                return true;
            }
            break;
        case QEvent::MouseButtonRelease:
            // The frame reports clicks on its own area, not on its children's.
            if (*control == Control::ServiceFrame) {
                auto* mouse = static_cast<QMouseEvent*>(event);
                const QPoint at = mouse->position().toPoint();
                if (mouse->button() == Qt::LeftButton && widget(*control)->rect().contains(at) &&
                    widget(*control)->childAt(at) == nullptr) {
                    form_->clicked(*control);
                    return true;
                }
            }
            break;
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            // Only what the control takes is accepted, so the user sees while
            // still dragging whether it will land.
            auto* drag = static_cast<QDragMoveEvent*>(event);
            drag->setAccepted(form_->takesDrop(*control, offerOf(drag->mimeData())));
            if (drag->isAccepted()) {
                drag->setDropAction(Qt::CopyAction);
            }
            return true;
        }
        case QEvent::Drop: {
            // The control inserts nothing itself; always a copy, since a move
            // would make the source delete what was dragged.
            auto* drop = static_cast<QDropEvent*>(event);
            MimeDrop data(drop->mimeData());
            drop->setAccepted(form_->takesDrop(*control, data.offer()));
            if (drop->isAccepted()) {
                drop->setDropAction(Qt::CopyAction);
                form_->dropped(*control, data);
            }
            return true;
        }
        default:
            break;
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---- What the behaviour shows

std::u16string MainWindow::text(Control control) const {
    const QWidget* w = widget(control);
    if (const auto* combo = qobject_cast<const QComboBox*>(w)) {
        return combo->currentText().toStdU16String();
    }
    if (const auto* box = qobject_cast<const QLineEdit*>(w)) {
        return box->text().toStdU16String();
    }
    if (const auto* frame = qobject_cast<const QGroupBox*>(w)) {
        return frame->title().toStdU16String();
    }
    return {};
}

void MainWindow::setText(Control control, std::u16string_view text) {
    QWidget* w = widget(control);
    if (auto* combo = qobject_cast<QComboBox*>(w)) {
        combo->setEditText(toQt(text));
    } else if (auto* box = qobject_cast<QLineEdit*>(w)) {
        box->setText(toQt(text));
    } else if (auto* frame = qobject_cast<QGroupBox*>(w)) {
        frame->setTitle(toQt(text));
        QAccessibleValueChangeEvent changed(frame, frame->title());
        QAccessible::updateAccessibility(&changed);
    }
}

void MainWindow::selectAll(Control control) {
    QWidget* w = widget(control);
    if (auto* combo = qobject_cast<QComboBox*>(w)) {
        w = combo->lineEdit();
    }
    if (auto* box = qobject_cast<QLineEdit*>(w)) {
        box->selectAll();
    }
}

// A combo box shows the first entry of a list given to it when it has none,
// and another when the one shown goes; the edit field is to keep its text.
void MainWindow::setEntries(Control list, const store::AddressList& entries) {
    auto* combo = static_cast<QComboBox*>(widget(list));
    const QString shown = combo->currentText();
    listOf(combo)->show(entries);
    combo->setEditText(shown);
}

void MainWindow::entryAdded(Control list, std::u16string_view entry) {
    auto* combo = static_cast<QComboBox*>(widget(list));
    const QString shown = combo->currentText();
    listOf(combo)->added(entry);
    combo->setEditText(shown);
}

void MainWindow::entryRemoved(Control list, std::size_t index) {
    auto* combo = static_cast<QComboBox*>(widget(list));
    const QString shown = combo->currentText();
    listOf(combo)->removed(static_cast<int>(index));
    combo->setEditText(shown);
}

void MainWindow::setChecked(Menu entry, bool checked) {
    actions_[static_cast<std::size_t>(entry)]->setChecked(checked);
}

std::optional<Menu> MainWindow::popUp(Menu menu, std::optional<Control> below,
                                      std::optional<Menu> current) {
    QMenu* popUp = menus_[static_cast<std::size_t>(menu)];
    // Once it shows, or the entry under the pointer would take its place.
    if (current) {
        QTimer::singleShot(0, popUp, [popUp, entry = actions_[static_cast<std::size_t>(*current)]] {
            popUp->setActiveAction(entry);
        });
    }
    // Below the control, or below the caption of a frame that chooses.
    QPoint at = QCursor::pos();
    if (below) {
        const auto* frame = dynamic_cast<const FocusableFrame*>(widget(*below));
        at = widget(*below)->mapToGlobal(
            (frame ? frame->captionRect() : widget(*below)->rect()).bottomLeft());
    }
    poppingUp_ = true;
    QAction* chosen = popUp->exec(at);
    poppingUp_ = false;
    const auto found = std::find(actions_.begin(), actions_.end(), chosen);
    return chosen && found != actions_.end()
               ? std::optional(static_cast<Menu>(found - actions_.begin()))
               : std::nullopt;
}

void MainWindow::inform(std::u16string_view text) {
    showMessage(this, text);
}

bool MainWindow::askYesNo(std::u16string_view text) {
    return ui::askYesNo(this, text);
}

void MainWindow::dismissMessages() {
    for (QWidget* box : QApplication::topLevelWidgets()) {
        if (qobject_cast<QMessageBox*>(box)) {
            box->close();
        }
    }
}

void MainWindow::closeWindow() {
    close();
}

void MainWindow::setClipboard(std::u16string_view text) {
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->clear();
    clipboard->setText(toQt(text));
}

// The list goes with it, or one of the two would cover the other.
bool MainWindow::setTopMost(bool onTop) {
    return keepOnTop(*this, onTop) && (!list_ || keepOnTop(*list_, onTop));
}

void MainWindow::showWindow() {
    show();
}

void MainWindow::post(std::function<void()> task) {
    QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
}

void MainWindow::openNewsletterList(const std::vector<std::filesystem::path>& paths) {
    if (!list_) {
        list_ = new ListWindow(*form_, reader_, this);
    }
    list_->show();
    list_->raise();
    list_->activateWindow();
    if (!paths.empty()) {
        list_->scan(paths);
    }
}

}  // namespace nolvetta::ui
