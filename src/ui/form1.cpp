#include "ui/form1.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <string>
#include <vector>

#include "launcher/launcher.h"
#include "recognise/dropped_text.h"
#include "requests/catalogue.h"
#include "requests/id_check.h"
#include "requests/urls.h"
#include "store/codepage.h"
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

void place(QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(tw(left), tw(top), tw(width), tw(height));
}

QString fromCore(const std::u16string& text) {
    return QString::fromStdU16String(text);
}

std::u16string toCore(const QString& text) {
    return text.toStdU16String();
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

// A small envelope, drawn rather than shipped as a file.
QIcon envelopeIcon() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(Qt::darkBlue);
    painter.setBrush(Qt::white);
    painter.drawRect(1, 3, 13, 9);
    painter.drawLine(1, 3, 8, 9);
    painter.drawLine(8, 9, 14, 3);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::red);
    painter.drawEllipse(10, 9, 5, 5);
    return QIcon(pixmap);
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
    setWindowIcon(envelopeIcon());
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

QString Form1::browserCommand() const {
    return fromCore(launcher_.browserCommand());
}

QMenu* Form1::autoCancelMenu(int service) const {
    if (service < 0 || service >= static_cast<int>(mn1.size())) {
        return nullptr;
    }
    return mn1[static_cast<std::size_t>(service)];
}

void Form1::buildControls() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(tw(4245), tw(2865));
    setCentralWidget(client);

    auto frame = [](QWidget* parent, const char* name, const QString& caption) {
        auto* f = new QGroupBox(caption, parent);
        f->setObjectName(QString::fromLatin1(name));
        return f;
    };
    auto button = [](QWidget* parent, const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, parent);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    auto combo = [](QWidget* parent, const char* name, const QString& text) {
        auto* c = new QComboBox(parent);
        c->setObjectName(QString::fromLatin1(name));
        c->setEditable(true);
        // The lists change only through the program's own handlers, and
        // the typed text is never completed behind the user's back.
        c->setInsertPolicy(QComboBox::NoInsert);
        c->setCompleter(nullptr);
        c->setEditText(text);
        return c;
    };

    // Created in the order of their tab indexes' owners; the tab chain
    // itself is set in setTabOrder().
    Frame3 = frame(client, "Frame3", captions::Frame3);
    place(Frame3, 60, 3060, 4095, 1335);
    Command7 = button(Frame3, "Command7", captions::Command7);
    place(Command7, 3540, 480, 435, 315);
    Command2 = button(Frame3, "Command2", captions::Command2);
    place(Command2, 120, 900, 3315, 315);
    Text2 = new TextBox(Frame3);
    Text2->setObjectName(QStringLiteral("Text2"));
    Text2->setText(fromCore(requests::shopSampleText()));
    Text2->setTakesTextDrops(true);
    place(Text2, 120, 480, 3315, 330);
    Label2_2 = new QLabel(captions::Label2, Frame3);
    Label2_2->setObjectName(QStringLiteral("Label2(2)"));
    place(Label2_2, 120, 240, 3720, 180);

    Frame2 =
        frame(client, "Frame2", fromCore(std::u16string(requests::ServiceCatalogue[0].caption)));
    place(Frame2, 60, 780, 4095, 1995);
    Command8 = button(Frame2, "Command8", captions::Command8);
    place(Command8, 3360, 1560, 615, 315);
    Combo2 = combo(Frame2, "Combo2", captions::Combo2Initial);
    place(Combo2, 120, 1560, 3135, 300);
    Command1 = button(Frame2, "Command1", captions::Command1);
    place(Command1, 2220, 660, 1755, 315);
    Command6 = button(Frame2, "Command6", captions::Command6);
    place(Command6, 420, 1080, 1755, 315);
    Command5 = button(Frame2, "Command5", captions::Command5);
    place(Command5, 2220, 1080, 1755, 315);
    Command4 = button(Frame2, "Command4", captions::Command4);
    place(Command4, 420, 660, 1755, 315);
    Text3 = new TextBox(Frame2);
    Text3->setObjectName(QStringLiteral("Text3"));
    Text3->setTakesTextDrops(true);
    place(Text3, 420, 240, 3555, 315);
    Label1 = new QLabel(captions::Label1, Frame2);
    Label1->setObjectName(QStringLiteral("Label1"));
    place(Label1, 180, 300, 165, 180);

    Frame1_0 = frame(client, "Frame1(0)", captions::Frame1);
    place(Frame1_0, 60, 0, 4095, 675);
    Combo1 = combo(Frame1_0, "Combo1", captions::Combo1Initial);
    place(Combo1, 120, 240, 3135, 300);
    Command3 = button(Frame1_0, "Command3", captions::Command3);
    place(Command3, 3360, 240, 615, 315);

    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(Command8, &QPushButton::clicked, this, [this] { Command8_Click(); });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });
    connect(Command6, &QPushButton::clicked, this, [this] { Command6_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command7, &QPushButton::clicked, this, [this] { Command7_Click(); });
    connect(Text3, &TextBox::keyDown, this, [this](int key) { Text3_KeyDown(key); });
    connect(Text3, &TextBox::gotFocus, this, [this] { Text3_GotFocus(); });
    connect(Text3, &TextBox::textDropped, this,
            [this](const QString& text) { Text3_OLEDragDrop(text); });
    connect(Text2, &TextBox::keyDown, this, [this](int key) { Text2_KeyDown(key); });
    connect(Text2, &TextBox::textDropped, this,
            [this](const QString& text) { Text2_OLEDragDrop(text); });

    // Command5 acts when a mouse button goes down, not on a click; the frame
    // reports clicks on its own area.
    Command5->installEventFilter(this);
    Frame2->installEventFilter(this);
    Combo1->installEventFilter(this);
}

void Form1::buildMenus() {
    QMenuBar* bar = menuBar();

    mn0_0 = bar->addMenu(captions::MenuMain);
    mn0_0->setObjectName(QStringLiteral("mn0(0)"));
    mn2_0 = mn0_0->addAction(captions::MenuAlwaysOnTop);
    mn2_0->setObjectName(QStringLiteral("mn2(0)"));
    mn2_0->setCheckable(true);
    mn2_0->setChecked(true);
    // The handler flips the mark itself; Qt's own toggle is undone first.
    connect(mn2_0, &QAction::triggered, this, [this] {
        mn2_0->setChecked(!mn2_0->isChecked());
        mn2_Click(0);
    });

    // Not in the menu bar: only the frame's pop-up.
    mn0_1 = new QMenu(captions::MenuMagazine, this);
    mn0_1->setObjectName(QStringLiteral("mn0(1)"));
    for (const requests::Service& service : requests::ServiceCatalogue) {
        const auto i = static_cast<std::size_t>(service.index);
        MERU1[i] = mn0_1->addAction(fromCore(std::u16string(service.caption)));
        MERU1[i]->setObjectName(QStringLiteral("MERU1(%1)").arg(service.index));
        MERU1[i]->setCheckable(true);
        MERU1[i]->setVisible(service.offered);
        const int index = service.index;
        connect(MERU1[i], &QAction::triggered, this, [this, index] { MERU1_Click(index); });
    }
    MERU1[0]->setChecked(true);

    mn0_2 = bar->addMenu(captions::MenuAutoCancel);
    mn0_2->setObjectName(QStringLiteral("mn0(2)"));
    for (std::size_t i = 0; i < mn1.size(); ++i) {
        mn1[i] = mn0_2->addMenu(fromCore(std::u16string(requests::ServiceCatalogue[i].caption)));
        mn1[i]->setObjectName(QStringLiteral("mn1(%1)").arg(i));
    }
    QAction* kaijo0 = mn1[0]->addAction(captions::MenuWeeklyMag2);
    kaijo0->setObjectName(QStringLiteral("kaijo0"));
    connect(kaijo0, &QAction::triggered, this, [this] { kaijo0_Click(); });
    QAction* kaijo1_0 = mn1[1]->addAction(captions::MenuMelmaNews);
    kaijo1_0->setObjectName(QStringLiteral("kaijo1(0)"));
    connect(kaijo1_0, &QAction::triggered, this, [this] { kaijo1_Click(0); });
    QAction* kaijo1_1 = mn1[1]->addAction(captions::MenuTodaysMelma);
    kaijo1_1->setObjectName(QStringLiteral("kaijo1(1)"));
    connect(kaijo1_1, &QAction::triggered, this, [this] { kaijo1_Click(1); });
    QAction* kaijo2 = mn1[2]->addAction(captions::MenuKapuNews);
    kaijo2->setObjectName(QStringLiteral("kaijo2"));
    connect(kaijo2, &QAction::triggered, this, [this] { kaijo2_Click(); });
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
    loadAddresses();
    loadSettings();
    SetTopMost(*this, mn2_0->isChecked() ? 1 : 0);
    Combo1->setEditText(Combo1->count() > 0 ? Combo1->itemText(0) : QString());
    Combo2->setEditText(captions::Combo2Initial);
    if (IsStandalone(*this)) {
        MERU1[3]->setVisible(false);
        MERU1[4]->setVisible(false);
    }
    Command3->setFocus();
}

void Form1::loadAddresses() {
    store::AddressLoad load = dataFiles_->loadAddresses();
    const QString file = pathText(dataFiles_->addressFilePath());
    if (load.state == store::FileState::Unreadable) {
        boxes_.inform(this, captions::CannotRead.arg(file));
    } else if (load.state == store::FileState::Damaged) {
        const auto backup =
            dataFiles_->addressFilePath().parent_path() / std::string(store::AddressBackupFileName);
        boxes_.inform(this, captions::PartlyRead.arg(file, pathText(backup)));
    }
    QStringList entries;
    entries.reserve(static_cast<qsizetype>(load.entries.size()));
    for (const std::u16string& entry : load.entries) {
        entries.append(fromCore(entry));
    }
    // In one step each: a long list must not be added entry by entry.
    Combo1->addItems(entries);
    Combo2->addItems(entries);
}

void Form1::loadSettings() {
    store::SettingsLoad load = dataFiles_->loadSettings();
    if (load.state == store::FileState::Unreadable) {
        boxes_.inform(this, captions::CannotRead.arg(pathText(dataFiles_->settingsFilePath())));
    }
    if (load.alwaysOnTop) {
        mn2_0->setChecked(*load.alwaysOnTop);
    }
}

void Form1::closeEvent(QCloseEvent* event) {
    // The close is never refused; a failed save is reported and the old
    // file stays as it was.
    try {
        Form_QueryUnload();
    } catch (const std::exception& e) {
        boxes_.inform(this, captions::CannotSave.arg(pathText(dataFiles_->addressFilePath()),
                                                     QString::fromLocal8Bit(e.what())));
    }
    event->accept();
}

void Form1::Form_QueryUnload() {
    std::vector<std::u16string> entries;
    entries.reserve(static_cast<std::size_t>(Combo1->count()));
    for (int i = 0; i < Combo1->count(); ++i) {
        entries.push_back(toCore(Combo1->itemText(i)));
    }
    for (const store::SaveProblem& problem : dataFiles_->save(entries, mn2_0->isChecked())) {
        boxes_.inform(this, captions::CannotSave.arg(pathText(problem.file),
                                                     QString::fromUtf8(problem.reason)));
    }
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Command5 && event->type() == QEvent::MouseButtonPress) {
        Command5_MouseDown(static_cast<QMouseEvent*>(event)->button());
        return true;
    }
    if (watched == Command5 && event->type() == QEvent::MouseButtonDblClick) {
        // A quick second press is a press like the first.
        Command5_MouseDown(static_cast<QMouseEvent*>(event)->button());
        return true;
    }
    if (watched == Frame2 && event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint at = mouse->position().toPoint();
        // Clicks that a child let through (a label) are not the frame's.
        if (mouse->button() == Qt::LeftButton && Frame2->rect().contains(at) &&
            Frame2->childAt(at) == nullptr) {
            Frame2_Click();
            return true;
        }
    }
    if (watched == Combo1 && event->type() == QEvent::KeyPress) {
        Combo1_KeyDown(static_cast<QKeyEvent*>(event)->key());
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---- Address lists

void Form1::appendEntry(QComboBox* list, const QString& entry) {
    // Adding to an empty list would make the entry the edit text.
    const QString text = list->currentText();
    list->addItem(entry);
    list->setEditText(text);
}

void Form1::Combo1_KeyDown(int key) {
    if (!isEnter(key)) {
        return;
    }
    const QString text = Combo1->currentText();
    if (!store::encodeCp932(toCore(text))) {
        boxes_.inform(this, captions::CannotStoreAddress.arg(text));
        return;
    }
    appendEntry(Combo1, text);
    appendEntry(Combo2, Combo1->currentText());
}

void Form1::Command3_Click() {
    const QString address = Combo1->currentText();
    const int count = Combo1->count();
    for (int i = 0; i < count; ++i) {
        if (Combo1->itemText(i) != address) {
            continue;
        }
        if (boxes_.askYesNo(this, captions::ConfirmDelete.arg(address))) {
            Combo1->removeItem(i);
            Combo1->setEditText(address);
        }
        return;
    }
}

// ---- Subscribe and unsubscribe

void Form1::SelectService(std::int16_t index) {
    ServiceIndex = index;
    for (QAction* entry : MERU1) {
        entry->setChecked(false);
    }
    MERU1[static_cast<std::size_t>(index)]->setChecked(true);
    Frame2->setTitle(MERU1[static_cast<std::size_t>(index)]->text());
}

void Form1::MERU1_Click(int index) {
    SelectService(static_cast<std::int16_t>(index));
}

void Form1::Frame2_Click() {
    mn0_1->exec(QCursor::pos());
}

Form1::Outcome Form1::Kaijo00() {
    if (!requests::isValidId(toCore(Text3->text()))) {
        boxes_.inform(this, captions::InvalidId);
        return Outcome::InvalidId;
    }
    return KAIJO(ServiceIndex) ? Outcome::Done : Outcome::LaunchFailed;
}

Form1::Outcome Form1::Touroku01(const QString& address) {
    if (!requests::isValidId(toCore(Text3->text()))) {
        boxes_.inform(this, captions::InvalidId);
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
    return fromCore(requests::weeklyMag2Url(cancelFlag, toCore(Combo1->currentText())));
}

bool Form1::kapMail(std::int16_t registerFlag) {
    return ShellAuto(fromCore(requests::kapuNewsUrl(registerFlag, toCore(Combo1->currentText()))));
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
    } else if (button == Qt::RightButton) {
        // Services without official newsletters have no menu to show.
        if (QMenu* menu = autoCancelMenu(ServiceIndex)) {
            menu->exec(QCursor::pos());
        }
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

bool Form1::Text2_KeyDown(int key) {
    if (!isEnter(key)) {
        return false;
    }
    Text2->setText(fromCore(requests::shopNewsPage(toCore(Text2->text()))));
    return ShellAuto(Text2->text());
}

void Form1::Command7_Click() {
    if (!Text2_KeyDown(Qt::Key_Return)) {
        return;
    }
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->clear();
    clipboard->setText(Combo1->currentText());
}

void Form1::Text2_OLEDragDrop(const QString& text) {
    const auto shop = recognise::shopTopAddress(toCore(text), requests::shopPrefix());
    if (shop) {
        Text2->setText(fromCore(*shop));
    }
}

// ---- Dropped newsletters

void Form1::Text3_OLEDragDrop(const QString& text) {
    const std::u16string dropped = toCore(text);
    WorkText = fromCore(std::u16string(recognise::firstLine(dropped)));
    const auto magazine = recognise::recogniseMagazine(dropped);
    if (!magazine) {
        return;
    }
    Text3->setText(fromCore(magazine->id));
    SelectService(magazine->service);
    Command4->click();
}

void Form1::Text3_GotFocus() {
    Text3->setSelection(0, static_cast<int>(Text3->text().size()));
}

// ---- The browser

bool Form1::ShellAuto(const QString& url) {
    if (launcher_.open(toCore(url))) {
        return true;
    }
    boxes_.inform(this, captions::CannotStartBrowser.arg(browserCommand(), url));
    return false;
}

void Form1::mn2_Click(int index) {
    if (index != 0) {
        return;
    }
    mn2_0->setChecked(!mn2_0->isChecked());
    SetTopMost(*this, mn2_0->isChecked() ? 1 : 0);
}

}  // namespace nolvetta::ui
