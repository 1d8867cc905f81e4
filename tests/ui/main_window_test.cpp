// The Qt window: built from the window's tables, and every Qt event reaching
// the behaviour's handler. What the handlers do is the behaviour's tests'.
#include <gtest/gtest.h>

#include <QTest>
#include <QtWidgets>
#include <memory>

#include "launcher/launcher.h"
#include "message/reader.h"
#include "requests/endpoints.h"
#include "scratch.h"
#include "ui/main_window.h"

using namespace nolvetta::requests;
using nolvetta::testsupport::readBytes;

// Lets GoogleTest show the window's texts.
void PrintTo(const QString& text, std::ostream* out) {
    *out << text.toStdString();
}

QString sample(const char* name) {
    return QStringLiteral(NOLVETTA_MESSAGE_DATA "/") + name;
}

// An endpoint constant followed by the literal rest of a URL.
QString url(std::u16string_view base, std::u16string_view rest) {
    return QString::fromStdU16String(std::u16string(base).append(rest));
}

struct StandInLauncher : nolvetta::launcher::Launcher {
    std::u16string browserCommand() const override { return u"/stand-in "; }
    bool open(std::u16string_view url) override { return record(opened, url); }
    bool openMail(std::u16string_view url) override { return record(mailed, url); }
    bool record(QStringList& list, std::u16string_view url) const {
        list.append(QString::fromStdU16String(std::u16string(url)));
        return true;
    }
    QStringList opened, mailed;
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
    void SetUp() override { open(); }
    void open() {
        window = std::make_unique<nolvetta::ui::MainWindow>(browser, *reader,
                                                            directory.path().toStdString());
        window->form().Form_Load();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        combo1()->setEditText("a+b@x");
        text3()->setText("5");
    }
    void TearDown() override { window->close(); }

    template <typename T = QWidget>
    T* child(const QString& name) const {
        return window->findChild<T*>(name);
    }
    QLineEdit* text3() const { return child<QLineEdit>("Text3"); }
    QLineEdit* text2() const { return child<QLineEdit>("Text2"); }
    QComboBox* combo1() const { return child<QComboBox>("Combo1"); }
    QComboBox* combo2() const { return child<QComboBox>("Combo2"); }
    static void key(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        target->setFocus();
        QTest::keyClick(target, key, modifiers);
    }
    // Whether the target took the drop of `data`.
    static bool drop(QWidget* target, QMimeData& data) {
        QDragEnterEvent enter({5, 5}, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(target, &enter);
        QDropEvent drop({5, 5}, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
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
            QTest::mouseClick(menu, Qt::LeftButton, {},
                              menu->actionGeometry(child<QAction>(entry)).center());
        });
    }
    // Answers the next message box with the button reading `answer`, keeping
    // its title, text, buttons and, last, which of them Enter presses.
    void answerNextBox(const QString& answer) {
        QTimer::singleShot(0, [this, answer] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr) << "no message box";
            shown = QStringList{box->windowTitle(), box->text()};
            for (QAbstractButton* button : box->buttons()) {
                shown.append(button->text());
            }
            shown.append(box->defaultButton() ? box->defaultButton()->text() : QString());
            for (QAbstractButton* button : box->buttons()) {
                if (button->text() == answer) {
                    button->click();
                }
            }
        });
    }

    QTemporaryDir directory;
    StandInLauncher browser;
    std::unique_ptr<nolvetta::message::Reader> reader = nolvetta::message::makeSystemReader();
    std::unique_ptr<nolvetta::ui::MainWindow> window;
    QStringList shown;
};

const QString Unsub5 = url(Mag2DeliveryBase, u"/reader/D?id=0000000005&e=a%2Bb@x");

TEST_F(WindowTest, TheWindowIsDrawnFromItsTables) {
    EXPECT_EQ(window->windowTitle(), "!Nolvetta");
    EXPECT_EQ(child("client")->size(), QSize(283, 191));
    const struct {
        const char* name;
        QRect at;
        QString caption;
    } controls[] = {
        {"Frame1(0)", {4, 0, 273, 45}, "メールアドレス"},
        {"Command3", {224, 16, 41, 21}, "削除"},
        {"Frame2", {4, 52, 273, 133}, "まぐまぐ"},
        {"Label1", {12, 20, 11, 12}, "ID"},
        {"Command5", {148, 72, 117, 21}, "自動配信登録"},
        {"Combo2", {8, 104, 209, 20}, "登録用アドレス"},
        {"Text2", {8, 32, 221, 22}, url(ShopMallBase, u"/***/news.html")},
    };
    for (const auto& c : controls) {
        QWidget* w = child(c.name);
        EXPECT_EQ(w->geometry(), c.at) << c.name;
        const auto* combo = qobject_cast<QComboBox*>(w);
        const QString caption =
            combo ? combo->lineEdit()->placeholderText()
                  : w->property(w->inherits("QGroupBox") ? "title" : "text").toString();
        EXPECT_EQ(caption, c.caption) << c.name;
    }
    EXPECT_GE(child("Frame3")->y(), child("client")->height());  // reached by Tab only
    EXPECT_LE(QFontMetrics(child("Label1")->font()).horizontalAdvance("ID"), 11);  // whole
    QStringList bar, order{QApplication::focusWidget()->objectName()};
    for (QAction* menu : window->menuBar()->actions()) {
        bar.append(menu->text());
    }
    EXPECT_EQ(bar, QStringList({"メニュー(&M)", "自動配信解除(&A)"}));
    for (int i = 0; i < 13; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order.append(QApplication::focusWidget()->objectName());
    }
    EXPECT_EQ(order, QString("Command3 Combo1 Frame2 Text3 Command4 Command5 Text2 Command2 "
                             "Command6 Command1 Command7 Combo2 Command8 Command3")
                         .split(' '));
}

// A keyboard alone chooses a service and reaches 自動配信登録 and its menu.
TEST_F(WindowTest, EveryActHasAKeyboardWay) {
    auto* frame = child<QGroupBox>("Frame2");
    QTest::keyClick(window.get(), Qt::Key_F10);
    for (Qt::Key key : {Qt::Key_S, Qt::Key_2}) {  // メニュー(M) > メルマガ(S) > melma(2)
        ASSERT_NE(QApplication::activePopupWidget(), nullptr);
        QTest::keyClick(QApplication::activePopupWidget(), key);
    }
    EXPECT_EQ(frame->title(), "melma");
    key(combo1(), Qt::Key_Tab);  // the frame takes the focus, and Space opens its choice
    EXPECT_EQ(QApplication::focusWidget(), frame);
    chooseFromNextPopUp("MERU1(2)");
    QTest::keyClick(frame, Qt::Key_Space);
    EXPECT_EQ(frame->title(), "カプライト");
    key(child("Command5"), Qt::Key_Space);
    key(child("Command5"), Qt::Key_Return);
    const QString kapu = url(KapuBase, u"/cgi-bin/mlmg_%1_kapunews.cgi?e_mail=a%2Bb@x");
    EXPECT_EQ(browser.opened, QStringList({kapu.arg("set"), kapu.arg("set")}));
    chooseFromNextPopUp("kaijo2");
    key(child("Command5"), Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_EQ(shown, QStringList({"カプライトニュース(&K)"}));
    chooseFromNextPopUp("kaijo2");
    key(child("Command5"), Qt::Key_Menu);
    EXPECT_EQ(browser.opened.size(), 4);
    std::unique_ptr<QMenu> edit(text3()->createStandardContextMenu());  // in Japanese too
    const QList<QAction*> entries = edit->actions();
    EXPECT_TRUE(std::any_of(entries.begin(), entries.end(),
                            [](QAction* a) { return a->text().startsWith("コピー"); }));
}

TEST_F(WindowTest, AScreenReaderNamesEveryControlByItsPurpose) {
    const struct {
        const char* name;
        QAccessible::Role role;
        QString accessibleName, value;
    } controls[] = {
        {"Text3", QAccessible::EditableText, "ID", "5"},
        {"Combo1", QAccessible::ComboBox, "削除用アドレス", "a+b@x"},
        {"Combo2", QAccessible::ComboBox, "登録用アドレス", ""},
        {"Frame2", QAccessible::ComboBox, "配信サービス", "まぐまぐ"},
        {"Text2", QAccessible::EditableText, "ショップのアドレス",
         url(ShopMallBase, u"/***/news.html")},
        {"Command4", QAccessible::Button, "メルマガ解除", ""},
    };
    for (const auto& c : controls) {
        QAccessibleInterface* control = QAccessible::queryAccessibleInterface(child(c.name));
        ASSERT_NE(control, nullptr) << c.name;
        EXPECT_EQ(control->role(), c.role) << c.name;
        EXPECT_EQ(control->text(QAccessible::Name), c.accessibleName) << c.name;
        EXPECT_EQ(control->text(QAccessible::Value), c.value) << c.name;
    }
    EXPECT_EQ(child<QLabel>("Label1")->buddy(), text3());
    auto* frame = QAccessible::queryAccessibleInterface(child("Frame2"))->actionInterface();
    frame->doAction(frame->actionNames().front());  // opens the choice once it has returned
    chooseFromNextPopUp("MERU1(1)");
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(child<QGroupBox>("Frame2")->title(), "melma");
}

// With a larger font the whole window grows; no caption is cut, nothing overlaps.
TEST_F(WindowTest, TheWindowGrowsWithTheUsersFont) {
    const QFont before = QApplication::font();
    for (int points : {9, 14}) {
        SCOPED_TRACE(points);
        QFont font = before;
        font.setPointSize(points);
        QApplication::setFont(font);
        window->close();
        open();
        const int width = child("client")->width();
        EXPECT_EQ(width, points == 9 ? 283 : 448);
        for (const char* container : {"client", "Frame1(0)", "Frame2", "Frame3"}) {
            const auto controls =
                child(container)->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
            for (QWidget* a : controls) {
                for (QWidget* b : controls) {
                    EXPECT_TRUE(a == b || !a->geometry().intersects(b->geometry()))
                        << qPrintable(a->objectName()) << " " << qPrintable(b->objectName());
                }
            }
        }
        for (auto* button : window->findChildren<QPushButton*>()) {
            EXPECT_LE(QFontMetrics(button->font()).horizontalAdvance(button->text()),
                      button->width() - 4)
                << qPrintable(button->objectName());
        }
        for (auto* label : window->findChildren<QLabel*>()) {
            EXPECT_LE(QFontMetrics(label->font()).horizontalAdvance(label->text()), label->width())
                << qPrintable(label->objectName());
        }
    }
    QApplication::setFont(before);
}

TEST_F(WindowTest, ClicksKeysAndMenusReachTheirHandlers) {
    QTest::mouseClick(child("Command4"), Qt::LeftButton);
    key(child("Command4"), Qt::Key_Enter);  // a focused button is pressed by Enter too
    key(text3(), Qt::Key_Return);
    QTest::mousePress(child("Command5"), Qt::LeftButton);  // at the press, not the release
    EXPECT_EQ(browser.opened.size(), 4);
    QTest::mouseRelease(child("Command5"), Qt::LeftButton);
    key(text2(), Qt::Key_Return, Qt::ShiftModifier);
    QTest::mouseClick(child("Command7"), Qt::LeftButton);
    const QString weekly =
        url(Mag2RegistrationBase,
            u"/reader/Magrdadd?MfcISAPICommand=MagRdDel&magid=WEEKLYMAG2&rdemail=a%2Bb@x");
    const QString shop = url(ShopMallBase, u"/***/news.html");
    EXPECT_EQ(browser.opened, QStringList({Unsub5, Unsub5, Unsub5, weekly, shop, shop}));
    EXPECT_EQ(QApplication::clipboard()->text(), "a+b@x");

    for (const char* address : {"b@x", "c@x"}) {
        combo1()->setEditText(address);
        key(combo1(), Qt::Key_Return);
    }
    EXPECT_EQ(combo2()->count(), 2);
    EXPECT_EQ(combo1()->currentText() + combo2()->currentText(), "c@x");
    text3()->setText("12345");  // the focus selects the whole ID
    key(child("Frame2"), Qt::Key_Tab);
    QTest::keyClick(text3(), Qt::Key_9);
    EXPECT_EQ(text3()->text(), "9");
    auto* onTop = child<QAction>("mn2(0)");
    EXPECT_TRUE(onTop->isChecked() && window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    onTop->trigger();
    EXPECT_FALSE(onTop->isChecked() || window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(window->isVisible());
}

TEST_F(WindowTest, ThePopUpsAndMessageBoxesAreShownAndAnswered) {
    auto* frame = child<QGroupBox>("Frame2");
    chooseFromNextPopUp("MERU1(1)");
    QTest::mouseClick(frame, Qt::LeftButton, {}, QPoint(50, 4));
    EXPECT_EQ(shown, QStringList({"まぐまぐ(&1)", "melma(&2)", "カプライト(&3)"}));
    EXPECT_EQ(frame->title(), "melma");
    EXPECT_TRUE(child<QAction>("MERU1(1)")->isChecked() &&
                !child<QAction>("MERU1(0)")->isChecked());
    chooseFromNextPopUp("kaijo1(1)");
    QTest::mousePress(child("Command5"), Qt::RightButton);
    EXPECT_EQ(shown, QStringList({"melma!ニュース(&N)", "今日のmelma!(&T)"}));
    QTest::mouseClick(child("Label1"), Qt::LeftButton);  // a child's click is not the frame's
    QTest::mouseClick(child("Command5"), Qt::MiddleButton);
    child<QAction>("kaijo2")->trigger();
    EXPECT_EQ(browser.opened,
              QStringList({url(MelmaBase, u"/cgi-bin/host/bye.pl?e=a%2Bb@x&m=m00012820"),
                           url(KapuBase, u"/cgi-bin/mlmg_del_kapunews.cgi?e_mail=a%2Bb@x")}));

    text3()->setText("0");
    answerNextBox("OK");
    QTest::mouseClick(child("Command4"), Qt::LeftButton);
    EXPECT_EQ(shown.mid(2), QStringList({"OK", "OK"}));
    EXPECT_EQ(shown.front(), "!Nolvetta");
    combo1()->setEditText("");
    key(combo1(), Qt::Key_Return);
    answerNextBox("いいえ");
    QTest::mouseClick(child("Command3"), Qt::LeftButton);
    // いいえ is the default: Enter pressed by mistake deletes nothing.
    EXPECT_EQ(shown, QStringList({"!Nolvetta", " を削除します\r\nよろしいですか？", "はい",
                                  "いいえ", "いいえ"}));
    EXPECT_EQ(combo1()->count(), 1);
}

TEST_F(WindowTest, EachDropIsTakenInTheFormItCameIn) {
    QMimeData text, file, data, picture, shop;
    text.setText("配信 mag2 ID:0001234567 発行\r\n");
    file.setUrls(
        {QUrl::fromLocalFile("/a.png"), QUrl::fromLocalFile(sample("folded_comment.eml"))});
    data.setData("message/rfc822", readBytes(sample("mailto_only.eml").toStdString()).c_str());
    picture.setUrls({QUrl::fromLocalFile("/tmp/picture.png")});
    shop.setText("商品: " + url(ShopMallBase, u"/myshop/item/1/"));
    EXPECT_TRUE(drop(text3(), text) && drop(text3(), file) && drop(text3(), data) &&
                drop(text2(), shop));
    EXPECT_FALSE(drop(text3(), picture) || drop(text2(), file) ||
                 drop(combo1()->lineEdit(), text) || drop(combo2()->lineEdit(), text));
    EXPECT_EQ(browser.opened,
              QStringList({url(Mag2DeliveryBase, u"/reader/D?id=0001234567&e=a%2Bb@x"),
                           "https://news.example.jp/leave?id=42"}));
    EXPECT_EQ(browser.mailed, QStringList({"mailto:leave@example.jp?subject=unsubscribe"}));
    EXPECT_EQ(text2()->text(), url(ShopMallBase, u"/myshop/"));
    EXPECT_EQ(combo1()->currentText(), "a+b@x");
    EXPECT_TRUE(text3()->dragEnabled() && !text2()->dragEnabled());
}
