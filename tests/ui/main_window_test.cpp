// The Qt window: built from the window's tables, and every Qt event reaching
// the behaviour's handler. What the handlers do is the behaviour's tests'.
#include <gtest/gtest.h>

#include <QTest>
#include <QtWidgets>
#include <algorithm>
#include <memory>

#include "launcher/launcher.h"
#include "mail_home.h"
#include "message/reader.h"
#include "requests/endpoints.h"
#include "ui/main_window.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"

using namespace nolvetta::requests;
using nolvetta::form::Control;
using nolvetta::form::rowOf;

// Lets GoogleTest show the window's texts.
void PrintTo(const QString& text, std::ostream* out) {
    *out << text.toStdString();
}

// An endpoint constant followed by the literal rest of a URL.
QString url(std::u16string_view base, std::u16string_view rest) {
    return QString::fromStdU16String(std::u16string(base).append(rest));
}

struct StandInLauncher : nolvetta::launcher::Launcher {
    std::u16string browserCommand() const override { return u"/stand-in "; }
    bool open(std::u16string_view url) override {
        opened.append(QString::fromStdU16String(std::u16string(url)));
        return true;
    }
    bool openMail(std::u16string_view url) override { return open(url); }
    QStringList opened;
};

// The application exists only while tests run, so that listing them needs no display.
struct Application : ::testing::Environment {
    void SetUp() override {
        app = std::make_unique<QApplication>(argc, argv);
        nolvetta::ui::installJapaneseQtTexts();
    }
    void TearDown() override { app.reset(); }
    int argc = 1;
    char name[9] = "ui_tests";
    char* argv[2] = {name, nullptr};
    std::unique_ptr<QApplication> app;
};
::testing::Environment* const application = ::testing::AddGlobalTestEnvironment(new Application);

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        nolvetta::ui::answerBoxesWith([this](QMessageBox& box) { return answer(box); });
        open();
    }
    void open() {
        window = std::make_unique<nolvetta::ui::MainWindow>(browser, *reader,
                                                            directory.path().toStdString());
        window->form().load();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        combo1()->setEditText("a+b@x");
        text3()->setText("5");
    }
    void TearDown() override {
        window->close();
        window.reset();  // no box runs a modal loop while the test lasts
        nolvetta::ui::answerBoxesWith(nullptr);
        EXPECT_EQ(answers, QStringList()) << "boxes that never came";
    }

    template <typename T = QWidget>
    T* child(const QString& name) const {
        return window->findChild<T*>(name);
    }
    QLineEdit* text3() const { return child<QLineEdit>("Text3"); }
    QLineEdit* text2() const { return child<QLineEdit>("Text2"); }
    QComboBox* combo1() const { return child<QComboBox>("Combo1"); }
    QComboBox* combo2() const { return child<QComboBox>("Combo2"); }
    static void key(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QApplication::setActiveWindow(target->window());  // after a pop-up had it
        target->setFocus();
        QTest::keyClick(target, key, modifiers);
    }
    // Whether the target took `data`, dragged in, moved over it and dropped.
    static bool drop(QWidget* target, QMimeData& data) {
        QDragEnterEvent enter({5, 5}, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(target, &enter);
        QDragMoveEvent move({7, 5}, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(target, &move);
        QDropEvent drop({9, 5}, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(target, &drop);
        return enter.isAccepted() && drop.isAccepted() && drop.dropAction() == Qt::CopyAction;
    }
    // Chooses `entry` in the pop-up that the next action opens, keeping the
    // captions it showed.
    void chooseFromNextPopUp(const QString& entry) {
        QTimer::singleShot(0, [this, entry] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(menu, nullptr) << "no pop-up menu";
            shown.clear();
            for (QAction* action : menu->actions()) {
                shown.append(action->isVisible() ? action->text() : QString());
            }
            shown.removeAll(QString());
            shownAt = menu->pos();
            current = menu->activeAction() ? menu->activeAction()->text() : QString();
            QTest::mouseClick(menu, Qt::LeftButton, {},
                              menu->actionGeometry(child<QAction>(entry)).center());
        });
    }
    // The user's answer to a box, shown without a modal loop: the button
    // reading the next of `answers`, once `shown` keeps the box's title, text,
    // buttons and, last, which of them Enter presses. A box that nobody
    // expected fails the test at once and is closed.
    QAbstractButton* answer(QMessageBox& box) {
        shown = QStringList{box.windowTitle(), box.text()};
        // The whole text shows, wrapped where it must be, and the title too.
        auto* label = box.findChild<QLabel*>("qt_msgbox_label");
        const QRect needed = label->fontMetrics().boundingRect(QRect(0, 0, label->width(), 10000),
                                                               Qt::TextWordWrap, box.text());
        EXPECT_TRUE(needed.width() <= label->width() && needed.height() <= label->height())
            << qPrintable(box.text());
        EXPECT_GE(box.width(), box.fontMetrics().horizontalAdvance(box.windowTitle()) * 2);
        QAbstractButton* chosen = nullptr;
        for (QAbstractButton* button : box.buttons()) {
            shown.append(button->text());
            chosen = button->text() == answers.value(0) ? button : chosen;
        }
        shown.append(box.defaultButton() ? box.defaultButton()->text() : QString());
        EXPECT_TRUE(chosen) << (answers.isEmpty() ? "an unexpected box: " : "no such button: ")
                            << qPrintable(answers.value(0) + " " + box.text());
        answers = answers.mid(1);
        // Its text is reached by Tab and copied whole by Ctrl+C.
        EXPECT_TRUE(label->focusPolicy() & Qt::TabFocus);
        QApplication::setActiveWindow(&box);
        label->setFocus();
        QTest::keyClick(label, Qt::Key_C, Qt::ControlModifier);
        EXPECT_EQ(QApplication::clipboard()->text(), box.text());
        return chosen;
    }

    QTemporaryDir directory;
    StandInLauncher browser;
    std::unique_ptr<nolvetta::message::Reader> reader = nolvetta::message::makeSystemReader();
    std::unique_ptr<nolvetta::ui::MainWindow> window;
    QStringList shown, answers;
    QPoint shownAt;
    QString current;
};

const QString Unsub5 = url(Mag2DeliveryBase, u"/reader/D?id=0000000005&e=a%2Bb@x");

// Drawn from the tables, and larger with a larger font: no caption is cut,
// nothing overlaps.
TEST_F(WindowTest, TheWindowIsDrawnFromItsTablesAndGrowsWithTheUsersFont) {
    EXPECT_EQ(window->windowTitle(), "!Nolvetta");
    text3()->clear();  // as it starts: SetUp typed an ID
    // Every control where its row puts it, at the font's scale, with its caption.
    const double scale = nolvetta::form::layoutScale(QFontInfo(window->font()).pixelSize());
    const auto px = [scale](int twips) { return nolvetta::form::toPixels(twips, scale); };
    for (const auto& row : nolvetta::form::controls()) {
        QWidget* w = child(QString::fromLatin1(row.name));
        EXPECT_EQ(w->geometry(),
                  QRect(px(row.at.left), px(row.at.top), px(row.at.width), px(row.at.height)))
            << row.name;
        const auto* combo = qobject_cast<QComboBox*>(w);
        EXPECT_EQ(combo ? combo->lineEdit()->placeholderText()
                        : w->property(w->inherits("QGroupBox") ? "title" : "text").toString(),
                  nolvetta::ui::toQt(row.caption));
    }
    EXPECT_EQ(child("client")->size(), QSize(283, 191));
    QStringList bar;
    for (QAction* menu : window->menuBar()->actions()) {
        bar.append(menu->text());
    }
    EXPECT_EQ(bar, QStringList({"メニュー(&M)", "自動配信解除(&A)"}));
    for (const Control c : nolvetta::form::tabOrder()) {  // and round to the first
        EXPECT_EQ(QApplication::focusWidget()->objectName().toStdString(), rowOf(c).name);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(QApplication::focusWidget(), child("Command3"));
    const QFont before = QApplication::font();
    QFont font = before;
    font.setPointSize(14);
    QApplication::setFont(font);
    window->close();
    open();
    EXPECT_EQ(child("client")->size(), QSize(448, 302));
    for (const char* container : {"client", "Frame1(0)", "Frame2", "Frame3"}) {
        const auto controls =
            child(container)->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
        for (QWidget* a : controls) {
            for (QWidget* b : controls) {
                EXPECT_TRUE(a == b || !a->geometry().intersects(b->geometry()))
                    << qPrintable(a->objectName() + " " + b->objectName());
            }
        }
    }
    // A label too narrow for its caption draws it narrower; a button must be wide enough.
    for (auto* w : window->findChildren<QPushButton*>()) {
        EXPECT_LE(QFontMetrics(w->font()).horizontalAdvance(w->text()) + 4, w->width())
            << qPrintable(w->text());
    }
    QApplication::setFont(before);
}

// Every act of the mouse and of the keyboard reaches its handler.
TEST_F(WindowTest, ClicksKeysAndMenusReachTheirHandlers) {
    auto* frame = child<QGroupBox>("Frame2");
    QTest::mouseClick(child("Command4"), Qt::LeftButton);
    key(child("Command4"), Qt::Key_Enter);  // a focused button is pressed by Enter too
    key(text3(), Qt::Key_Return);
    QTest::mousePress(child("Command5"), Qt::LeftButton);  // at the press, not the release
    EXPECT_EQ(browser.opened.size(), 4);
    QTest::mouseRelease(child("Command5"), Qt::LeftButton);
    key(child("Command5"), Qt::Key_Space);  // and at Space
    key(text2(), Qt::Key_Return, Qt::ShiftModifier);
    QTest::mouseClick(child("Command7"), Qt::LeftButton);
    const QString weekly = url(Mag2RegistrationBase,
                               u"/reader/Magrdadd?MfcISAPICommand=MagRdDel"
                               u"&magid=WEEKLYMAG2&rdemail=a%2Bb@x");
    const QString shop = url(ShopMallBase, u"/***/news.html");
    EXPECT_EQ(browser.opened, QStringList({Unsub5, Unsub5, Unsub5, weekly, weekly, shop, shop}));
    EXPECT_EQ(QApplication::clipboard()->text(), "a+b@x");
    // The services from the menu bar and from the frame, by mouse and keyboard.
    QTest::keyClick(window.get(), Qt::Key_F10);
    for (Qt::Key key : {Qt::Key_S, Qt::Key_2}) {  // メニュー(M) > メルマガ(S) > melma(2)
        ASSERT_NE(QApplication::activePopupWidget(), nullptr);
        QTest::keyClick(QApplication::activePopupWidget(), key);
    }
    EXPECT_EQ(frame->title(), "melma");
    chooseFromNextPopUp("MERU1(2)");
    QTest::mouseClick(frame, Qt::LeftButton, {}, QPoint(50, 4));
    EXPECT_EQ(shown, QStringList({"まぐまぐ(&1)", "melma(&2)", "カプライト(&3)"}));
    // The frame takes the focus; Alt+Down opens its choice below it, the
    // arrows choose as in a combo box.
    key(combo1(), Qt::Key_Tab);
    chooseFromNextPopUp("MERU1(1)");
    QTest::keyClick(frame, Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(shownAt, frame->mapToGlobal(QPoint(0, frame->height() - 1)));
    EXPECT_EQ(current, "melma(&2)");
    QTest::keyClick(frame, Qt::Key_Down);
    EXPECT_EQ(frame->title(), "カプライト");
    QTest::keyClick(frame, Qt::Key_Up);
    EXPECT_TRUE(frame->title() == "melma" && child<QAction>("MERU1(1)")->isChecked());
    QTest::mouseClick(child("Label1"), Qt::LeftButton);  // a child's click is not the frame's
    QTest::mouseClick(child("Command5"), Qt::MiddleButton);
    // 自動配信登録's menu by a right press, the Menu key and Shift+F10.
    const QString melma = url(MelmaBase, u"/cgi-bin/host/bye.pl?e=a%2Bb@x&m=m00012820");
    browser.opened.clear();
    chooseFromNextPopUp("kaijo1(1)");
    QTest::mousePress(child("Command5"), Qt::RightButton);
    EXPECT_EQ(shown, QStringList({"melma!ニュース(&N)", "今日のmelma!(&T)"}));
    for (auto [key, modifiers] :
         {std::pair{Qt::Key_Menu, Qt::NoModifier}, {Qt::Key_F10, Qt::ShiftModifier}}) {
        chooseFromNextPopUp("kaijo1(1)");
        WindowTest::key(child("Command5"), key, modifiers);
    }
    EXPECT_EQ(browser.opened, QStringList({melma, melma, melma}));
    // A held Enter that Qt reports as a release and a press at one instant acts once.
    text3()->setFocus();
    for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease, QEvent::KeyPress}) {
        QKeyEvent held(type, Qt::Key_Return, Qt::NoModifier);
        held.setTimestamp(type == QEvent::KeyPress && browser.opened.size() == 3 ? 1 : 2);
        QApplication::sendEvent(text3(), &held);
    }
    EXPECT_EQ(browser.opened.size(), 4);
    key(text3(), Qt::Key_F10, Qt::ShiftModifier);  // Shift+F10 opens a text field's menu
    ASSERT_TRUE(qobject_cast<QMenu*>(QApplication::activePopupWidget()));
    QApplication::activePopupWidget()->close();
    // The focus, the menu bar's option.
    text3()->setText("12345");  // the focus selects the whole ID
    key(frame, Qt::Key_Tab);
    QTest::keyClick(text3(), Qt::Key_9);
    EXPECT_EQ(text3()->text(), "9");
    auto* onTop = child<QAction>("mn2(0)");
    EXPECT_TRUE(onTop->isChecked() && window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    onTop->trigger();
    EXPECT_FALSE(onTop->isChecked() || window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(window->isVisible());
}

TEST_F(WindowTest, MessageBoxesAndScreenReadersHearTheWindowInJapanese) {
    text3()->setText("0");
    answers = {"OK"};
    QTest::mouseClick(child("Command4"), Qt::LeftButton);
    EXPECT_EQ(shown.front() + shown.mid(2).join(' '), "!NolvettaOK OK");
    key(combo1(), Qt::Key_Return);  // into both lists
    EXPECT_EQ(combo1()->count() + combo2()->count(), 2);
    answers = {"いいえ"};
    QTest::mouseClick(child("Command3"), Qt::LeftButton);
    // いいえ is the default: Enter pressed by mistake deletes nothing.
    EXPECT_EQ(shown, QStringList({"!Nolvetta", "a+b@x を削除します\r\nよろしいですか？", "はい",
                                  "いいえ", "いいえ"}));
    EXPECT_EQ(combo1()->count(), 1);
    // The entries are heard in the list a screen reader finds in the combo box.
    QAccessibleInterface* combo = QAccessible::queryAccessibleInterface(combo1());
    QAccessibleInterface* entries = combo->child(combo->childCount() - 1);
    EXPECT_EQ(entries->role(), QAccessible::List);
    EXPECT_EQ(entries->child(0)->text(QAccessible::Name), "a+b@x");
    EXPECT_EQ(entries->parent()->object(), combo1());
    std::unique_ptr<QMenu> edit(text3()->createStandardContextMenu());  // Qt's own texts too
    EXPECT_TRUE(std::ranges::any_of(edit->actions(),
                                    [](QAction* a) { return a->text().startsWith("コピー"); }));
    const struct {
        const char* name;
        QAccessible::Role role;
        QString accessibleName, value;
    } controls[] = {
        // clang-format off
        {"Text3", QAccessible::EditableText, "ID", "0"}, {"Combo1", QAccessible::ComboBox, "削除用アドレス", "a+b@x"},
        {"Frame2", QAccessible::ComboBox, "配信サービス", "まぐまぐ"}, {"Command4", QAccessible::Button, "メルマガ解除", ""},
        // clang-format on
    };
    for (const auto& c : controls) {
        QAccessibleInterface* control = QAccessible::queryAccessibleInterface(child(c.name));
        EXPECT_EQ(control->role(), c.role) << c.name;
        EXPECT_EQ(control->text(QAccessible::Name) + "|" + control->text(QAccessible::Value),
                  c.accessibleName + "|" + c.value);
    }
    EXPECT_EQ(child<QLabel>("Label1")->buddy(), text3());
    // On Linux a combo box's value is heard as its text.
    QAccessibleTextInterface* value =
        QAccessible::queryAccessibleInterface(child("Frame2"))->textInterface();
    ASSERT_TRUE(value);
    EXPECT_EQ(value->text(0, value->characterCount()), "まぐまぐ");
    auto* frame = QAccessible::queryAccessibleInterface(child("Frame2"))->actionInterface();
    frame->doAction(frame->actionNames().front());  // opens the choice once it has returned
    chooseFromNextPopUp("MERU1(1)");
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(child<QGroupBox>("Frame2")->title(), "melma");
}

// Counts how often each form of a drag's data is asked for.
struct CountingMimeData : QMimeData {
    QVariant retrieveData(const QString& format, QMetaType type) const override {
        ++asked[format];
        return QMimeData::retrieveData(format, type);
    }
    mutable QMap<QString, int> asked;
};

// What mail programs offer when a message or its text is dragged out of
// them, and what the window makes of it, asking each form of the data at
// most once.
TEST_F(WindowTest, AMessageDraggedOutOfEachMailProgramIsTakenFromItsData) {
    const QString folder = directory.path() + "/";
    const auto copy = [&](const char* from, const QString& to) {
        QFile::copy(QStringLiteral(NOLVETTA_MESSAGE_DATA "/") + from, folder + to);
        return QUrl::fromLocalFile(folder + to).toEncoded();  // as Sylpheed, with no line end
    };
    const QByteArray sylpheed = copy("folded_comment.eml", "件名.eml");
    const struct {
        const char* program;
        std::vector<std::pair<QString, QByteArray>> offered;
        QString page;
    } drags[] = {
        // clang-format off
        {"Sylpheed", {{"message/rfc822", sylpheed}, {"text/uri-list", sylpheed}, {"text/plain", "drag-from-summary"}}, "https://news.example.jp/leave?id=42"},
        {"Claws Mail", {{"text/uri-list", copy("iso2022jp_service.eml", "件名.1.txt") + "\r\n"}},
         url(Mag2DeliveryBase, u"/reader/D?id=0001234567&e=a%2Bb@x")},
        {"selected text", {{"text/plain", "配信 mag2 ID:0001234567 発行\r\n"}},
         url(Mag2DeliveryBase, u"/reader/D?id=0001234567&e=a%2Bb@x")},
        // clang-format on
    };
    for (const auto& d : drags) {
        SCOPED_TRACE(d.program);
        CountingMimeData data;
        for (const auto& [format, bytes] : d.offered) {
            data.setData(format, bytes);
        }
        browser.opened.clear();
        EXPECT_TRUE(drop(text3(), data));
        EXPECT_TRUE(QTest::qWaitFor([&] { return browser.opened.contains(d.page); }, 5000))
            << qPrintable(browser.opened.join(' '));
        for (auto asked = data.asked.cbegin(); asked != data.asked.cend(); ++asked) {
            EXPECT_LE(asked.value(), 1) << qPrintable(asked.key());
        }
    }
    QMimeData shop;  // the shop field takes text too, and the address fields none
    shop.setText("商品: " + url(ShopMallBase, u"/myshop/item/1/"));
    EXPECT_TRUE(drop(text2(), shop));
    EXPECT_EQ(text2()->text(), url(ShopMallBase, u"/myshop/"));
    EXPECT_FALSE(drop(combo1()->lineEdit(), shop) || drop(combo2()->lineEdit(), shop));
    EXPECT_TRUE(text3()->dragEnabled() && !text2()->dragEnabled());
}

// The newsletter list over a home of made-up mail: found, read, sorted,
// filtered, and two rows left.
TEST_F(WindowTest, TheListShowsTheNewslettersInTheUsersMailAndLeavesTheChosenRows) {
    const QString home = directory.path() + "/home";
    nolvetta::testsupport::copyMailHome(home.toStdString());
    const QByteArray oldHome = qgetenv("HOME"), oldData = qgetenv("XDG_DATA_HOME");
    qputenv("HOME", home.toUtf8());
    qputenv("XDG_DATA_HOME", (home + "/.local/share").toUtf8());
    child<QAction>("mnList")->trigger();
    auto* list = child("NewsletterList");
    qputenv("HOME", oldHome);
    qputenv("XDG_DATA_HOME", oldData);
    ASSERT_TRUE(list && QTest::qWaitForWindowExposed(list));
    auto* table = list->findChild<QTableView*>("Rows");
    auto* status = list->findChild<QLabel*>("Status");
    const auto rows = [&](int column) {
        QStringList texts;
        for (int r = 0; r < table->model()->rowCount(); ++r) {
            texts.append(table->model()->index(r, column).data().toString());
        }
        return texts.join('|');
    };
    EXPECT_EQ(list->findChild<QComboBox*>("Sources")->currentText(), "見つかったすべての場所");
    QTest::mouseClick(list->findChild<QPushButton*>("Scan"), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return status->text().contains("件のメルマガ"); }, 10000));
    EXPECT_EQ(status->text(), "4 件のメルマガ（9 通のメールから）");
    EXPECT_EQ(rows(0), "Shop News|メルマガ配信|melma|letters@example.org");  // the latest first
    auto* header = table->horizontalHeader();
    for (const char* order : {"1|1|2|2", "2|2|1|1"}) {  // by count, one way and the other
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          {header->sectionViewportPosition(2) + 5, header->height() / 2});
        EXPECT_EQ(rows(2), order);
    }
    QTest::keyClicks(list->findChild<QLineEdit*>("Filter"), "SHOP");
    EXPECT_EQ(rows(0), "Shop News");
    list->findChild<QLineEdit*>("Filter")->clear();
    for (const int row : {0, 1}) {
        const QRect at = table->visualRect(table->model()->index(row, 0));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::ControlModifier, at.center());
    }
    answers = {"はい"};
    QTest::mouseClick(list->findChild<QPushButton*>("Leave"), Qt::LeftButton);
    EXPECT_TRUE(
        shown.value(1).startsWith("2 件のメルマガの配信を停止します。\nブラウザで 2 ページ"));
    EXPECT_EQ(browser.opened.size(), 2);
    EXPECT_EQ(rows(6).count("解除 "), 2) << qPrintable(rows(6));  // and their record shows
}
