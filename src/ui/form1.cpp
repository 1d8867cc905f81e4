#include "ui/form1.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QStringListModel>
#include <functional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "launcher/launcher.h"
#include "message/message.h"
#include "recognise/dropped_text.h"
#include "requests/catalogue.h"
#include "requests/id_check.h"
#include "requests/urls.h"
#include "store/data_files.h"
#include "ui/captions.h"
#include "ui/message_boxes.h"
#include "ui/text_box.h"
#include "ui/window_options.h"

namespace nolvetta::ui {

namespace {

// Positions and sizes are laid out in twips; 15 twips make one
// device-independent pixel, so high-dpi screens scale the whole window.
int tw(int twips) {
    return (twips + 7) / 15;
}

QString fromCore(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

std::u16string toCore(const QString& text) {
    return text.toStdU16String();
}

QStringListModel* listOf(QComboBox* combo) {
    return static_cast<QStringListModel*>(combo->model());
}

// The text in place, for texts too long to copy: a drop may bring megabytes.
std::u16string_view viewOf(const QString& text) {
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

bool isEnter(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// From the path's own representation, which never fails to convert.
[[maybe_unused]] QString fromNative(const std::string& text) {
    return QString::fromLocal8Bit(text);
}
[[maybe_unused]] QString fromNative(const std::wstring& text) {
    return QString::fromStdWString(text);
}

QString pathText(const std::filesystem::path& path) {
    return fromNative(path.native());
}

QString causeText(const std::error_code& code) {
    for (const auto& [condition, text] : captions::FileErrors) {
        if (code == condition) {
            return text;
        }
    }
    return QString::fromLocal8Bit(code.message());
}

// The program's icon at the sizes a window's icon is drawn in (16 and 32 ×
// 1 and 2); the larger ones are for the menu, which takes them from the
// installed files. Each file is read when that size is first drawn.
QIcon programIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64}) {
        icon.addFile(QStringLiteral(":/icons/%1/org.nolvetta.Nolvetta.png").arg(size),
                     {size, size});
    }
    return icon;
}

void setUp(QGroupBox* frame, const QString& caption) {
    frame->setTitle(caption);
}
void setUp(QPushButton* button, const QString& caption) {
    button->setText(caption);
    // Enter on a focused button presses it, as Space does.
    button->setAutoDefault(true);
}
void setUp(QComboBox* combo, const QString& text) {
    // Strings only: no item object per entry, and the two lists share their
    // strings until one of them changes.
    combo->setModel(new QStringListModel(combo));
    combo->setEditable(true);
    // The lists change only through the program's own handlers, and
    // the typed text is never completed behind the user's back.
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setCompleter(nullptr);
    combo->lineEdit()->setAcceptDrops(false);
    combo->setEditText(text);
}
void setUp(QLineEdit* box, const QString& text) {
    box->setText(text);
}
void setUp(QLabel* label, const QString& caption) {
    label->setText(caption);
}

// The caption shows whole in its fixed rectangle whatever the font: the
// font shrinks until the text fits, in one step where the text's width
// scales with the font's size.
void fitCaption(QLabel* label) {
    QFont font = label->font();
    const int fullSize = QFontInfo(font).pixelSize();
    const int fullWidth = QFontMetrics(font).horizontalAdvance(label->text());
    if (fullWidth <= label->width()) {
        return;
    }
    for (int size = fullSize * label->width() / fullWidth; size > 1; --size) {
        font.setPixelSize(size);
        if (QFontMetrics(font).horizontalAdvance(label->text()) <= label->width()) {
            break;
        }
    }
    label->setFont(font);
}

constexpr std::int32_t MelmaNewsId = 1;
constexpr std::int32_t TodaysMelmaId = 12820;

}  // namespace

Form1::Form1(launcher::Launcher& launcher, MessageBoxes& messageBoxes,
             const std::filesystem::path& dataDirectory, QWidget* parent)
    : QMainWindow(parent),
      launcher_(launcher),
      boxes_(messageBoxes),
      dataFiles_(std::make_unique<store::DataFiles>(dataDirectory)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(captions::AppTitle);
    setWindowIcon(programIcon());
    // A fixed single border with the close button and the system menu only.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    buildControls();
    buildMenus();
    setTabOrder();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    Command3->setFocus();
}

Form1::~Form1() = default;

void Form1::buildControls() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(tw(4245), tw(2865));
    setCentralWidget(client);

    using Slot = std::variant<QGroupBox * Form1::*, QPushButton * Form1::*, QComboBox * Form1::*,
                              TextBox * Form1::*, QLabel * Form1::*>;
    struct Control {
        Slot slot;
        const char* name;
        QGroupBox* Form1::*container;  // null: the window's client area
        QString caption;
        QRect twips;
    };
    // In the window's definition order: a frame's children follow it.
    const Control controls[] = {
        {&Form1::Frame3, "Frame3", nullptr, captions::Frame3, {60, 3060, 4095, 1335}},
        {&Form1::Command7, "Command7", &Form1::Frame3, captions::Command7, {3540, 480, 435, 315}},
        {&Form1::Command2, "Command2", &Form1::Frame3, captions::Command2, {120, 900, 3315, 315}},
        {&Form1::Text2,
         "Text2",
         &Form1::Frame3,
         fromCore(requests::shopSampleText()),
         {120, 480, 3315, 330}},
        {&Form1::Label2_2, "Label2(2)", &Form1::Frame3, captions::Label2, {120, 240, 3720, 180}},
        {&Form1::Frame2,
         "Frame2",
         nullptr,
         fromCore(requests::ServiceCatalogue[0].caption),
         {60, 780, 4095, 1995}},
        {&Form1::Command8, "Command8", &Form1::Frame2, captions::Command8, {3360, 1560, 615, 315}},
        {&Form1::Combo2, "Combo2", &Form1::Frame2, captions::Combo2Initial, {120, 1560, 3135, 300}},
        {&Form1::Command1, "Command1", &Form1::Frame2, captions::Command1, {2220, 660, 1755, 315}},
        {&Form1::Command6, "Command6", &Form1::Frame2, captions::Command6, {420, 1080, 1755, 315}},
        {&Form1::Command5, "Command5", &Form1::Frame2, captions::Command5, {2220, 1080, 1755, 315}},
        {&Form1::Command4, "Command4", &Form1::Frame2, captions::Command4, {420, 660, 1755, 315}},
        {&Form1::Text3, "Text3", &Form1::Frame2, QString(), {420, 240, 3555, 315}},
        {&Form1::Label1, "Label1", &Form1::Frame2, captions::Label1, {180, 300, 165, 180}},
        {&Form1::Frame1_0, "Frame1(0)", nullptr, captions::Frame1, {60, 0, 4095, 675}},
        {&Form1::Combo1,
         "Combo1",
         &Form1::Frame1_0,
         captions::Combo1Initial,
         {120, 240, 3135, 300}},
        {&Form1::Command3, "Command3", &Form1::Frame1_0, captions::Command3, {3360, 240, 615, 315}},
    };
    for (const Control& c : controls) {
        QWidget* container = c.container != nullptr ? this->*c.container : client;
        std::visit(
            [&](auto slot) {
                using Widget =
                    std::remove_pointer_t<std::remove_reference_t<decltype(this->*slot)>>;
                auto* widget = new Widget(container);
                this->*slot = widget;
                widget->setObjectName(QString::fromLatin1(c.name));
                widget->setGeometry(tw(c.twips.x()), tw(c.twips.y()), tw(c.twips.width()),
                                    tw(c.twips.height()));
                setUp(widget, c.caption);
            },
            c.slot);
    }
    fitCaption(Label1);
    Text3->setTakesTextDrops(true);
    Text3->setTakesMessageDrops(true);
    Text3->setDragEnabled(true);
    Text2->setTakesTextDrops(true);
    // 自動配信登録 acts on a mouse press only, never on a key.
    Command5->setAutoDefault(false);

    const std::pair<QPushButton*, void (Form1::*)()> clicks[] = {
        {Command3, &Form1::Command3_Click}, {Command8, &Form1::Command8_Click},
        {Command1, &Form1::Command1_Click}, {Command4, &Form1::Command4_Click},
        {Command6, &Form1::Command6_Click}, {Command2, &Form1::Command2_Click},
        {Command7, &Form1::Command7_Click}};
    for (const auto& [button, handler] : clicks) {
        connect(button, &QPushButton::clicked, this, handler);
    }
    connect(Text3, &TextBox::keyDown, this, &Form1::Text3_KeyDown);
    connect(Text3, &TextBox::gotFocus, this, &Form1::Text3_GotFocus);
    connect(Text3, &TextBox::textDropped, this, &Form1::Text3_OLEDragDrop);
    connect(Text3, &TextBox::messageDropped, this, &Form1::Text3_MessageDropped);
    connect(Text3, &TextBox::messageFileDropped, this, &Form1::openMessageFile);
    connect(Text2, &TextBox::keyDown, this, &Form1::Text2_KeyDown);
    connect(Text2, &TextBox::textDropped, this, &Form1::Text2_OLEDragDrop);

    // Command5 acts when a mouse button goes down, not on a click; the frame
    // reports clicks on its own area.
    Command5->installEventFilter(this);
    Frame2->installEventFilter(this);
    Combo1->installEventFilter(this);
}

void Form1::buildMenus() {
    QMenuBar* bar = menuBar();

    QMenu* mn0_0 = bar->addMenu(captions::MenuMain);
    mn0_0->setObjectName(QStringLiteral("mn0(0)"));
    mn2_0 = mn0_0->addAction(captions::MenuAlwaysOnTop);
    mn2_0->setObjectName(QStringLiteral("mn2(0)"));
    mn2_0->setCheckable(true);
    mn2_0->setChecked(true);
    connect(mn2_0, &QAction::triggered, this, [this] { mn2_Click(0); });

    // Not in the menu bar: only the frame's pop-up.
    mn0_1 = new QMenu(captions::MenuMagazine, this);
    mn0_1->setObjectName(QStringLiteral("mn0(1)"));
    auto* services = new QActionGroup(mn0_1);  // one check mark among the services
    for (const requests::Service& service : requests::ServiceCatalogue) {
        QAction* entry = mn0_1->addAction(fromCore(service.caption));
        entry->setObjectName(QStringLiteral("MERU1(%1)").arg(service.index));
        entry->setCheckable(true);
        entry->setVisible(service.offered);
        services->addAction(entry);
        const int index = service.index;
        connect(entry, &QAction::triggered, this, [this, index] { MERU1_Click(index); });
        MERU1[static_cast<std::size_t>(index)] = entry;
    }
    MERU1[0]->setChecked(true);

    QMenu* mn0_2 = bar->addMenu(captions::MenuAutoCancel);
    mn0_2->setObjectName(QStringLiteral("mn0(2)"));
    for (std::size_t i = 0; i < mn1.size(); ++i) {
        mn1[i] = mn0_2->addMenu(fromCore(requests::ServiceCatalogue[i].caption));
        mn1[i]->setObjectName(QStringLiteral("mn1(%1)").arg(i));
    }
    const struct {
        int service;
        const char* name;
        QString caption;
        std::function<void()> handler;
    } entries[] = {
        {0, "kaijo0", captions::MenuWeeklyMag2, [this] { kaijo0_Click(); }},
        {1, "kaijo1(0)", captions::MenuMelmaNews, [this] { kaijo1_Click(0); }},
        {1, "kaijo1(1)", captions::MenuTodaysMelma, [this] { kaijo1_Click(1); }},
        {2, "kaijo2", captions::MenuKapuNews, [this] { kaijo2_Click(); }},
    };
    for (const auto& e : entries) {
        QAction* entry = mn1[static_cast<std::size_t>(e.service)]->addAction(e.caption);
        entry->setObjectName(QString::fromLatin1(e.name));
        connect(entry, &QAction::triggered, this, e.handler);
    }
}

void Form1::setTabOrder() {
    const std::vector<QWidget*> chain{Command3, Combo1,   Text3,    Command4, Command5, Text2,
                                      Command2, Command6, Command1, Command7, Combo2,   Command8};
    for (std::size_t i = 0; i + 1 < chain.size(); ++i) {
        QWidget::setTabOrder(chain[i], chain[i + 1]);
    }
    QWidget::setTabOrder(chain.back(), chain.front());
}

void Form1::Form_Load() {
    const store::Loaded loaded = dataFiles_->load();
    QStringList entries;
    entries.reserve(static_cast<qsizetype>(loaded.entries.size()));
    for (const std::u16string& entry : loaded.entries) {
        entries.append(fromCore(entry));
    }
    // In one step each: a long list must not be added entry by entry.
    listOf(Combo1)->setStringList(entries);
    listOf(Combo2)->setStringList(entries);
    if (loaded.alwaysOnTop) {
        mn2_0->setChecked(*loaded.alwaysOnTop);
    }
    loaded_ = true;

    SetTopMost(*this, mn2_0->isChecked() ? 1 : 0);
    show();
    Combo1->setEditText(Combo1->count() > 0 ? Combo1->itemText(0) : QString());
    Combo2->setEditText(captions::Combo2Initial);
    if (IsStandalone(*this)) {
        MERU1[3]->setVisible(false);
        MERU1[4]->setVisible(false);
    }
    Command3->setFocus();

    // Last, with the lists in place: a close while a message is open saves them.
    const auto report = [this](const store::FileLoad& load, const std::filesystem::path& file) {
        if (load.state == store::FileState::Unreadable) {
            boxes_.inform(this, captions::CannotRead.arg(pathText(file), causeText(load.code)));
        } else if (load.state == store::FileState::NotAFile) {
            boxes_.inform(this, captions::NotAFile.arg(pathText(file)));
        } else if (load.state == store::FileState::Hidden) {
            boxes_.inform(this, captions::HiddenFile.arg(pathText(file)));
        }
    };
    report(loaded.address, dataFiles_->addressFilePath());
    if (loaded.address.state == store::FileState::Damaged) {
        boxes_.inform(this, captions::PartlyRead.arg(pathText(dataFiles_->addressFilePath()),
                                                     pathText(loaded.backup)));
    }
    report(loaded.settings, dataFiles_->settingsFilePath());
}

void Form1::closeEvent(QCloseEvent* event) {
    // The close is never refused; a failed save is reported and the old
    // file stays as it was.
    try {
        Form_QueryUnload();
    } catch (const std::exception& e) {
        boxes_.inform(this, captions::SaveInterrupted.arg(QString::fromLocal8Bit(e.what())));
    }
    event->accept();
}

void Form1::Form_QueryUnload() {
    if (!loaded_) {
        return;  // lists that were never filled must not replace the files
    }
    const QStringList list = listOf(Combo1)->stringList();
    std::vector<std::u16string> entries;
    entries.reserve(static_cast<std::size_t>(list.size()));
    for (const QString& entry : list) {
        entries.push_back(toCore(entry));
    }
    for (const store::SaveProblem& problem : dataFiles_->save(entries, mn2_0->isChecked())) {
        const QString file = pathText(problem.file);
        switch (problem.fault) {
            case store::SaveFault::NotReadAtStart:
                boxes_.inform(this, captions::NotSavedUnread.arg(file));
                break;
            case store::SaveFault::NotAFile:
                boxes_.inform(this, captions::NotSavedNotAFile.arg(file));
                break;
            case store::SaveFault::CannotHoldText:
                boxes_.inform(this, captions::NotSavedUnstorable.arg(file));
                break;
            case store::SaveFault::NoBackup:
                boxes_.inform(this, captions::NotSavedNoBackup.arg(file, causeText(problem.code)));
                break;
            case store::SaveFault::WriteFailed:
                boxes_.inform(this, captions::CannotSave.arg(file, causeText(problem.code)));
                break;
        }
    }
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    // A quick second press arrives as a double click: it is a press like the first.
    if (watched == Command5 &&
        (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick)) {
        Command5_MouseDown(static_cast<QMouseEvent*>(event)->button());
        return true;
    }
    if (watched == Frame2 && type == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint at = mouse->position().toPoint();
        // Clicks that a child let through (a label) are not the frame's.
        if (mouse->button() == Qt::LeftButton && Frame2->rect().contains(at) &&
            Frame2->childAt(at) == nullptr) {
            Frame2_Click();
            return true;
        }
    }
    if (watched == Combo1 && type == QEvent::KeyPress) {
        Combo1_KeyDown(static_cast<QKeyEvent*>(event)->key());
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---- Address lists

void Form1::Combo1_KeyDown(int key) {
    if (!isEnter(key)) {
        return;
    }
    const QString text = Combo1->currentText();
    if (!store::canStoreEntry(toCore(text))) {
        boxes_.inform(this, captions::CannotStoreAddress.arg(text));
        return;
    }
    // Adding to an empty list would make the entry the edit text.
    for (QComboBox* list : {Combo1, Combo2}) {
        const QString shown = list->currentText();
        list->addItem(text);
        list->setEditText(shown);
    }
}

void Form1::Command3_Click() {
    const QString address = Combo1->currentText();
    // Only the first equal entry is offered, whatever the answer.
    const qsizetype first = listOf(Combo1)->stringList().indexOf(address);
    if (first >= 0 && boxes_.askYesNo(this, captions::ConfirmDelete.arg(address))) {
        Combo1->removeItem(static_cast<int>(first));
        Combo1->setEditText(address);
    }
}

// ---- Subscribe and unsubscribe

void Form1::SelectService(std::int16_t index) {
    ServiceIndex = index;
    QAction* entry = MERU1[static_cast<std::size_t>(index)];
    entry->setChecked(true);
    Frame2->setTitle(entry->text());
}

void Form1::MERU1_Click(int index) {
    SelectService(static_cast<std::int16_t>(index));
}

void Form1::Frame2_Click() {
    mn0_1->exec(QCursor::pos());
}

bool Form1::checkId() {
    if (requests::isValidId(toCore(Text3->text()))) {
        return true;
    }
    boxes_.inform(this, captions::InvalidId);
    return false;
}

Form1::Outcome Form1::Kaijo00() {
    if (!checkId()) {
        return Outcome::InvalidId;
    }
    return KAIJO(ServiceIndex) ? Outcome::Done : Outcome::LaunchFailed;
}

Form1::Outcome Form1::Touroku01(const QString& address) {
    if (!checkId()) {
        return Outcome::InvalidId;
    }
    QString given = address;
    return Touroku(ServiceIndex, given) ? Outcome::Done : Outcome::LaunchFailed;
}

bool Form1::KAIJO(std::int16_t service) {
    WorkText = fromCore(
        requests::unsubscribeUrl(service, toCore(Combo1->currentText()), toCore(Text3->text())));
    return ShellAuto(WorkText);
}

bool Form1::Touroku(std::int16_t service, QString& address) {
    if (address.isEmpty()) {
        address = Combo1->currentText();
    }
    WorkText = fromCore(requests::subscribeUrl(service, toCore(address), toCore(Text3->text())));
    return ShellAuto(WorkText);
}

void Form1::Command1_Click() {
    Touroku01(QString());
}

void Form1::Command4_Click() {
    Kaijo00();
}

void Form1::Command8_Click() {
    if (Kaijo00() == Outcome::LaunchFailed) {
        return;
    }
    Touroku01(Combo2->currentText());
}

void Form1::Text3_KeyDown(int key) {
    if (isEnter(key)) {
        Command4->click();
    }
}

// ---- Official newsletters

QString Form1::ResMAG(std::int16_t cancelFlag) const {
    return fromCore(requests::weeklyMag2Url(
        cancelFlag == 0 ? requests::NewsAction::Register : requests::NewsAction::Cancel,
        toCore(Combo1->currentText())));
}

bool Form1::kapMail(std::int16_t registerFlag) {
    return ShellAuto(fromCore(requests::kapuNewsUrl(
        registerFlag != 0 ? requests::NewsAction::Register : requests::NewsAction::Cancel,
        toCore(Combo1->currentText()))));
}

bool Form1::RenKai(std::int32_t magazineId, std::int16_t service) {
    Text3->setText(QString::number(magazineId));
    return KAIJO(service);
}

void Form1::Command5_MouseDown(Qt::MouseButton button) {
    if (button == Qt::LeftButton) {
        switch (ServiceIndex) {
            case requests::Mag2:
                ShellAuto(ResMAG(0));
                break;
            case requests::Melma: {
                QString address;
                Text3->setText(QString::number(MelmaNewsId));
                if (!Touroku(requests::Melma, address)) {
                    return;
                }
                address.clear();
                Text3->setText(QString::number(TodaysMelmaId));
                Touroku(requests::Melma, address);
                break;
            }
            default:
                kapMail(1);
                break;
        }
    } else if (button == Qt::RightButton && ServiceIndex >= 0 &&
               static_cast<std::size_t>(ServiceIndex) < mn1.size()) {
        // Services without official newsletters have no menu to show.
        mn1[static_cast<std::size_t>(ServiceIndex)]->exec(QCursor::pos());
    }
}

void Form1::Command6_Click() {
    switch (ServiceIndex) {
        case requests::Mag2:
            ShellAuto(ResMAG(1));
            break;
        case requests::Melma:
            if (RenKai(MelmaNewsId, requests::Melma)) {
                RenKai(TodaysMelmaId, requests::Melma);
            }
            break;
        default:
            kapMail(0);
            break;
    }
}

void Form1::kaijo0_Click() {
    ShellAuto(ResMAG(1));
}

void Form1::kaijo1_Click(int index) {
    if (index == 0) {
        RenKai(MelmaNewsId, requests::Melma);
    } else if (index == 1) {
        RenKai(TodaysMelmaId, requests::Melma);
    }
}

void Form1::kaijo2_Click() {
    kapMail(0);
}

// ---- Shop news pages

void Form1::Command2_Click() {
    WorkText = fromCore(requests::mallCancellationUrl(toCore(Combo1->currentText())));
    ShellAuto(WorkText);
}

bool Form1::openShopNewsPage() {
    Text2->setText(fromCore(requests::shopNewsPage(toCore(Text2->text()))));
    return ShellAuto(Text2->text());
}

void Form1::Text2_KeyDown(int key) {
    if (isEnter(key)) {
        openShopNewsPage();
    }
}

void Form1::Command7_Click() {
    if (!openShopNewsPage()) {
        return;
    }
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->clear();
    clipboard->setText(Combo1->currentText());
}

void Form1::Text2_OLEDragDrop(const QString& text) {
    const auto shop = recognise::shopTopAddress(viewOf(text), requests::shopPrefix());
    if (shop) {
        Text2->setText(fromCore(*shop));
    }
}

// ---- Dropped newsletters

void Form1::Text3_OLEDragDrop(const QString& text) {
    const std::u16string_view dropped = viewOf(text);
    // A whole message dragged out as text begins with its header block.
    if (message::startsWithHeaderBlock(dropped)) {
        const QByteArray bytes = text.toUtf8();
        actOnMessage(
            message::readMessage({bytes.constData(), static_cast<std::size_t>(bytes.size())},
                                 message::Origin::DroppedText),
            captions::DroppedMessage);
        return;
    }
    WorkText = text.left(static_cast<qsizetype>(recognise::firstLine(dropped).size()));
    const auto magazine = recognise::recogniseMagazine(dropped);
    if (!magazine) {
        return;
    }
    Text3->setText(fromCore(magazine->id));
    SelectService(magazine->service);
    Command4->click();
}

void Form1::Text3_MessageDropped(const QByteArray& bytes) {
    actOnMessage(message::readMessage({bytes.constData(), static_cast<std::size_t>(bytes.size())}),
                 captions::DroppedMessage);
}

void Form1::openMessageFile(const QString& path) {
    actOnMessage(message::readMessageFile(toCore(path)), QDir::toNativeSeparators(path));
}

// The dropped-newsletter rule on the text body's first line, else the
// message's own way out: https in the browser, mailto in the mail program,
// plain http only when the user agrees to it.
void Form1::actOnMessage(const message::Reading& reading, const QString& name) {
    switch (reading.problem) {
        case message::Problem::NotAMessage:
            return boxes_.inform(this, captions::NotAMessage.arg(name));
        case message::Problem::TooLarge:
            return boxes_.inform(this, captions::MessageTooLarge.arg(name));
        case message::Problem::Unreadable:
            return boxes_.inform(this,
                                 captions::CannotReadMessage.arg(name, causeText(reading.cause)));
        case message::Problem::Unavailable:
            return boxes_.inform(this, captions::CannotReadMessages.arg(name));
        case message::Problem::None:
            break;
    }
    WorkText = fromCore(reading.examinedLine);
    if (reading.magazine) {
        Text3->setText(fromCore(reading.magazine->id));
        SelectService(reading.magazine->service);
        Command4->click();
        return;
    }
    const std::optional<message::Address> address = message::preferredAddress(reading.unsubscribe);
    if (!address) {
        QString text = captions::NoWayToUnsubscribe.arg(name);
        if (!reading.unreadableCharset.empty()) {
            text += u'\n' + captions::UnreadableCharset.arg(
                                QString::fromStdString(reading.unreadableCharset));
        }
        boxes_.inform(this, text);
        return;
    }
    const QString url = fromCore(address->url);
    if (address->scheme == message::Scheme::Mailto) {
        ShellMail(url);
    } else if (address->scheme == message::Scheme::Https ||
               boxes_.askYesNo(this, captions::ConfirmHttp.arg(url))) {
        ShellAuto(url);
    }
}

void Form1::Text3_GotFocus() {
    Text3->setSelection(0, static_cast<int>(Text3->text().size()));
}

// ---- The browser

bool Form1::ShellAuto(const QString& url) {
    if (launcher_.open(toCore(url))) {
        return true;
    }
    boxes_.inform(this,
                  captions::CannotStartBrowser.arg(fromCore(launcher_.browserCommand()), url));
    return false;
}

bool Form1::ShellMail(const QString& url) {
    if (launcher_.openMail(toCore(url))) {
        return true;
    }
    boxes_.inform(this, captions::CannotStartMailProgram.arg(url));
    return false;
}

void Form1::mn2_Click(int index) {
    if (index != 0) {
        return;
    }
    // The entry's check mark has already been inverted by the menu itself.
    if (SetTopMost(*this, mn2_0->isChecked() ? 1 : 0) == 0) {
        boxes_.inform(this, captions::CannotStayOnTop);
    }
}

}  // namespace nolvetta::ui
