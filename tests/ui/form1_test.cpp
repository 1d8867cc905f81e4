#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QTest>
#include <QtWidgets>
#include <filesystem>
#include <memory>

#include "launcher/launcher.h"
#include "requests/endpoints.h"
#include "scratch.h"
#include "ui/captions.h"
#include "ui/form1.h"
#include "ui/message_boxes.h"
#include "ui/window_options.h"

using namespace nolvetta::requests;
namespace captions = nolvetta::ui::captions;
using nolvetta::testsupport::readBytes;
using ::testing::_;
using ::testing::Return;

// Lets GoogleTest and gMock show the window's texts.
void PrintTo(const QString& text, std::ostream* out) {
    *out << text.toStdString();
}

// A sample message's path.
QString sample(const char* name) {
    return QStringLiteral(NOLVETTA_MESSAGE_DATA "/") + name;
}

// An endpoint constant followed by the literal rest of a URL.
QString url(std::u16string_view base, std::u16string_view rest) {
    return QString::fromStdU16String(std::u16string(base).append(rest));
}

// Stands in for the browser and the mail program: records every URL it is asked to open.
struct StandInLauncher : nolvetta::launcher::Launcher {
    std::u16string browserCommand() const override { return u"/stand-in "; }
    bool open(std::u16string_view url) override { return record(opened, url); }
    bool openMail(std::u16string_view url) override { return record(mailed, url); }
    bool record(QStringList& list, std::u16string_view url) const {
        list.append(QString::fromStdU16String(std::u16string(url)));
        return !failing;
    }
    QStringList opened, mailed;
    bool failing = false;
};

struct MockMessageBoxes : nolvetta::ui::MessageBoxes {
    MOCK_METHOD(void, inform, (QWidget*, const QString&), (override));
    MOCK_METHOD(bool, askYesNo, (QWidget*, const QString&), (override));
};

// The application exists only while tests run, so that listing them needs no display.
struct Application : ::testing::Environment {
    void SetUp() override { app = std::make_unique<QApplication>(argc, argv); }
    void TearDown() override { app.reset(); }
    int argc = 1;
    char name[9] = "ui_tests";
    char* argv[2] = {name, nullptr};
    std::unique_ptr<QApplication> app;
};
::testing::Environment* const application = ::testing::AddGlobalTestEnvironment(new Application);

// A fresh window on an empty data directory of its own, loaded and shown.
// A message box the test does not expect fails it.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        reopen();
        combo1()->setEditText("a+b@x");
        text3()->setText("5");
    }
    void TearDown() override { closeWindow(); }

    // A new window on the same data directory, after closing the old one.
    void reopen() {
        closeWindow();
        form = std::make_unique<nolvetta::ui::Form1>(browser, boxes, dataFile(""));
        form->Form_Load();
        QApplication::setActiveWindow(form.get());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    void closeWindow() {
        if (form) {
            form->close();
            form.reset();
        }
    }
    std::filesystem::path dataFile(const char* name) const {
        return std::filesystem::path(directory.path().toStdString()) / name;
    }

    template <typename T = QWidget>
    T* child(const QString& name) const {
        return form->findChild<T*>(name);
    }
    QLineEdit* text3() const { return child<QLineEdit>("Text3"); }
    QLineEdit* text2() const { return child<QLineEdit>("Text2"); }
    QComboBox* combo1() const { return child<QComboBox>("Combo1"); }
    QComboBox* combo2() const { return child<QComboBox>("Combo2"); }
    void add(const QString& text) {
        combo1()->setFocus();
        combo1()->setEditText(text);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    }
    bool onTop() const { return form->windowFlags().testFlag(Qt::WindowStaysOnTopHint); }
    void click(const char* button) const {
        QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton);
    }
    void select(int service) const { child<QAction>(QString("MERU1(%1)").arg(service))->trigger(); }
    // Whether the target took the drop of `data`.
    static bool drop(QWidget* target, QMimeData& data) {
        QDragEnterEvent enter({5, 5}, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(target, &enter);
        QDropEvent drop({5, 5}, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(target, &drop);
        return enter.isAccepted() && drop.isAccepted();
    }
    static bool drop(QWidget* target, const QString& text) {
        QMimeData data;
        data.setText(text);
        return drop(target, data);
    }
    // Chooses `entry` in the pop-up menu that the next action opens, and keeps
    // the captions that the menu showed in popUpShowed.
    void chooseFromNextPopUp(const QString& entry) {
        QTimer::singleShot(0, [this, entry] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(menu, nullptr) << "no pop-up menu";
            popUpShowed.clear();
            for (QAction* action : menu->actions()) {
                if (action->isVisible()) {
                    popUpShowed.append(action->text());
                }
            }
            QTest::mouseClick(menu, Qt::LeftButton, {},
                              menu->actionGeometry(child<QAction>(entry)).center());
        });
    }

    QTemporaryDir directory;
    StandInLauncher browser;
    ::testing::StrictMock<MockMessageBoxes> boxes;
    std::unique_ptr<nolvetta::ui::Form1> form;
    QStringList popUpShowed;
};

MATCHER_P(Mentions, part, "") {
    return arg.contains(part);
}

const QString Unsub5 = url(Mag2DeliveryBase, u"/reader/D?id=0000000005&e=a%2Bb@x");
const QString Weekly =
    url(Mag2RegistrationBase,
        u"/reader/Magrd%1?MfcISAPICommand=MagRdDel&magid=WEEKLYMAG2&rdemail=a%2Bb@x");
const QString MelmaBye = url(MelmaBase, u"/cgi-bin/host/bye.pl?e=a%2Bb@x&m=m%1");
const QString KapuNews = url(KapuBase, u"/cgi-bin/mlmg_%1_kapunews.cgi?e_mail=a%2Bb@x");

using RequestsTest = WindowTest;

TEST_F(RequestsTest, EachButtonOpensThePagesOfTheSelectedService) {
    const QString melmaAdd =
        url(MelmaBase, u"/cgi-bin/host/mailmag.pl?email=a%2Bb@x&mailmag=add&magid=m%1");
    const struct {
        int service;
        const char* button;
        QStringList opened;
    } cases[] = {
        // clang-format off
        {1, "Command4", {MelmaBye.arg("00000005")}},
        {2, "Command1", {url(KapuBase, u"/cgi-bin/mlmg_setma_np.cgi?mgid=5&e_mail=a%2Bb@x")}},
        {0, "Command5", {Weekly.arg("add")}}, {2, "Command5", {KapuNews.arg("set")}},
        {1, "Command5", {melmaAdd.arg("00000001"), melmaAdd.arg("00012820")}},
        {0, "Command6", {Weekly.arg("del")}}, {2, "Command6", {KapuNews.arg("del")}},
        {1, "Command6", {MelmaBye.arg("00000001"), MelmaBye.arg("00012820")}},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.button) + " with service " + std::to_string(c.service));
        select(c.service);
        text3()->setText("5");
        browser.opened.clear();
        // 自動配信登録 acts on the press, the others on the click.
        QTest::mousePress(child<QPushButton>(c.button), Qt::LeftButton);
        EXPECT_EQ(browser.opened.size(), QByteArray(c.button) == "Command5" ? c.opened.size() : 0);
        QTest::mouseRelease(child<QPushButton>(c.button), Qt::LeftButton);
        EXPECT_EQ(browser.opened, c.opened);
        EXPECT_EQ(text3()->text(), c.opened.size() == 2 ? "12820" : "5");
    }
}

TEST_F(RequestsTest, AnInvalidIdIsRefusedByEveryRequestAndTwiceByChange) {
    text3()->setText("0");
    EXPECT_CALL(boxes, inform(_, captions::InvalidId)).Times(5);
    click("Command4");
    click("Command1");
    QTest::keyClick(text3(), Qt::Key_Enter);
    click("Command8");
    EXPECT_EQ(browser.opened, QStringList());
}

TEST_F(RequestsTest, ChangeUnsubscribesThenSubscribesTheRegistrationAddress) {
    const QString sub =
        url(Mag2RegistrationBase,
            u"/reader/Magrdadd?MfcISAPICommand=MagRdAdd&rdemail=%1&magid=0000000005");
    click("Command8");          // the registration box still shows its caption
    combo2()->setEditText("");  // an empty box stands for the deletion address
    click("Command8");
    QTest::keyClick(text3(), Qt::Key_Return);
    EXPECT_EQ(browser.opened,
              QStringList({Unsub5, sub.arg("登録用アドレス"), Unsub5, sub.arg("a%2Bb@x"), Unsub5}));
    EXPECT_EQ(form->workText(), Unsub5);
}

TEST_F(RequestsTest, AFailedStartEndsTheActionWithOneMessage) {
    browser.failing = true;
    EXPECT_CALL(boxes, inform(_, captions::CannotStartBrowser.arg("/stand-in ", Unsub5)));
    click("Command8");  // two pages: the second is not tried
    EXPECT_EQ(browser.opened, QStringList({Unsub5}));
}

TEST_F(RequestsTest, ThePopUpsSelectAServiceOrCancelOneOfItsNewsletters) {
    auto* frame = child<QGroupBox>("Frame2");
    chooseFromNextPopUp("MERU1(1)");
    // Through the window, which routes the press and release as for a user.
    QTest::mouseClick(form->windowHandle(), Qt::LeftButton, {},
                      frame->mapTo(form.get(), QPoint(50, 4)));
    EXPECT_EQ(popUpShowed, QStringList({"まぐまぐ", "melma", "カプライト"}));
    EXPECT_EQ(frame->title(), "melma");
    EXPECT_EQ(form->findChild<QActionGroup*>()->checkedAction()->text(), "melma");
    EXPECT_EQ(text3()->text(), "5");

    chooseFromNextPopUp("kaijo1(1)");
    QTest::mousePress(child<QPushButton>("Command5"), Qt::RightButton);
    EXPECT_EQ(popUpShowed, QStringList({"melma!ニュース", "今日のmelma!"}));
    child<QAction>("kaijo0")->trigger();  // the entries of another service leave melma selected
    child<QAction>("kaijo2")->trigger();
    EXPECT_EQ(browser.opened,
              QStringList({MelmaBye.arg("00012820"), Weekly.arg("del"), KapuNews.arg("del")}));
    EXPECT_EQ(child<QGroupBox>("Frame2")->title(), "melma");
    // Neither the middle button nor a key starts 自動配信登録.
    auto* command5 = child<QPushButton>("Command5");
    QTest::mouseClick(command5, Qt::MiddleButton);
    command5->setFocus();
    for (auto key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter}) {
        QTest::keyClick(command5, key);
    }
    EXPECT_EQ(browser.opened.size(), 3);
}

TEST_F(RequestsTest, TheUnseenShopFrameIsReachedAndPressedFromTheKeyboard) {
    EXPECT_EQ(QApplication::focusWidget(), child("Command3"));
    EXPECT_GE(child("Frame3")->y(), form->centralWidget()->height());
    auto* label = child<QLabel>("Label1");  // whole, in its own small place
    EXPECT_EQ(label->geometry(), QRect(12, 20, 11, 12));
    EXPECT_LE(QFontMetrics(label->font()).horizontalAdvance("ID"), label->width());
    child("Command5")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(text2(), Qt::Key_Return, Qt::ShiftModifier);  // the sample ends in news.html
    QTest::keyClick(text2(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);  // 楽天市場ニュース解除ページへ
    EXPECT_EQ(form->workText(), url(ShopMallBase, u"/rakuten_news/n.cgi?a%2Bb@x"));
    text2()->setText("https://shop.jp/s/");
    child("Command7")->setFocus();
    QTest::keyClick(child("Command7"), Qt::Key_Enter);  // Go, from the keypad
    EXPECT_EQ(browser.opened, QStringList({url(ShopMallBase, u"/***/news.html"), form->workText(),
                                           "https://shop.jp/s/news.html"}));
    EXPECT_EQ(QApplication::clipboard()->text(), "a+b@x");
}

TEST_F(RequestsTest, ANewsletterDropSelectsItsServiceAndUnsubscribesAtOnce) {
    const auto frame = [this] { return child<QGroupBox>("Frame2")->title(); };
    select(2);
    EXPECT_TRUE(drop(text3(), "こんにちは\r\nmag2 ID:0000000009\r\n"));  // not on the first line
    EXPECT_EQ(frame() + text3()->text() + form->workText(), "カプライト5こんにちは");
    drop(text3(), "配信 mag2 ID:0001234567 発行\r\n本文 melma00012345\r\n");
    EXPECT_EQ(frame() + text3()->text(), "まぐまぐ0001234567");
    EXPECT_EQ(browser.opened,
              QStringList({url(Mag2DeliveryBase, u"/reader/D?id=0001234567&e=a%2Bb@x")}));
    EXPECT_CALL(boxes, inform(_, captions::InvalidId));
    drop(text3(), "melma!ニュース\r\n");
    EXPECT_EQ(frame(), "melma");
}

// A whole message, as a file, as message data or as text, uses the newsletter
// rule on its text body, else its List-Unsubscribe header.
TEST_F(RequestsTest, AWholeMessageDroppedInAnyFormOpensItsOneWayOut) {
    QMimeData file, data, text;
    file.setUrls(
        {QUrl::fromLocalFile("/a.png"), QUrl::fromLocalFile(sample("folded_comment.eml"))});
    data.setData("message/rfc822",
                 readBytes(sample("iso2022jp_service.eml").toStdString()).c_str());
    data.setText("mag2 ID:0000000001\r\n");  // the message comes first
    text.setText(QString::fromStdString(readBytes(sample("mailto_only.eml").toStdString())));
    EXPECT_TRUE(drop(text3(), file) && drop(text3(), data) && drop(text3(), text));
    EXPECT_EQ(browser.opened,
              QStringList({"https://news.example.jp/leave?id=42",
                           url(Mag2DeliveryBase, u"/reader/D?id=0001234567&e=a%2Bb@x")}));
    EXPECT_EQ(browser.mailed, QStringList({"mailto:leave@example.jp?subject=unsubscribe"}));
    // Plain http only when agreed to; no way out, and no message, are said.
    EXPECT_CALL(boxes, askYesNo(_, Mentions("http://plain.example.jp/"))).WillOnce(Return(false));
    EXPECT_CALL(boxes, inform(_, Mentions("none.eml には、配信を停止する方法が見つかりません")));
    EXPECT_CALL(boxes, inform(_, Mentions("CMakeLists.txt はメールではありません。")));
    for (const char* name : {"javascript.eml", "none.eml", "../CMakeLists.txt"}) {
        form->openMessageFile(sample(name));
    }
    EXPECT_EQ(browser.opened.size(), 2);
}

TEST_F(RequestsTest, OnlyTheTwoTextFieldsTakeDropsAndOnlyOfText) {
    const QString prefix = url(ShopMallBase, u"/");
    drop(text2(), "ご注文\r\n商品: " + prefix + "myshop/item/123/ です\r\n" + prefix + "b/\r\n");
    drop(text2(), "no shop here");
    EXPECT_EQ(text2()->text(), prefix + "myshop/");
    EXPECT_FALSE(drop(combo1()->lineEdit(), "dropped") || drop(combo2()->lineEdit(), "dropped"));
    QMimeData file, message;
    file.setUrls({QUrl::fromLocalFile("/tmp/picture.png")});
    message.setUrls({QUrl::fromLocalFile(sample("none.eml"))});
    EXPECT_FALSE(drop(text3(), file) || drop(text2(), file) || drop(text2(), message));
    EXPECT_EQ(combo1()->currentText() + text3()->text(), "a+b@x5");
    EXPECT_TRUE(text3()->dragEnabled() && !text2()->dragEnabled());
    text3()->setText("12345");  // the focus selects the whole ID
    combo1()->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(text3(), Qt::Key_9);
    EXPECT_EQ(text3()->text(), "9");
    EXPECT_EQ(browser.opened, QStringList());
}

using ListsTest = WindowTest;

TEST_F(ListsTest, EnterAddsToBothListsAndDeleteAsksForTheFirstEqualEntry) {
    for (const char* address : {"a@x", "b@x", "a@x"}) {
        add(address);
    }
    for (const char* unstorable : {"x😀@x", "x\"y,z@x", "a,\"b"}) {  // would not read back
        EXPECT_CALL(boxes, inform(_, Mentions(unstorable)));
        add(unstorable);
    }
    EXPECT_EQ(combo2()->currentText(), captions::Combo2Initial);
    combo1()->setEditText("a@x");
    EXPECT_CALL(boxes, askYesNo(_, QString("a@x を削除します\r\nよろしいですか？")))
        .WillOnce(Return(false))
        .WillOnce(Return(true));
    click("Command3");
    click("Command3");
    EXPECT_TRUE(combo1()->count() == 2 && combo1()->itemText(0) == "b@x" && combo2()->count() == 3);
    combo1()->setEditText("nobody@x");
    click("Command3");  // no equal entry: no question
}

TEST_F(ListsTest, TheFileFillsBothListsAndOnlyTheDeletionListIsSaved) {
    std::string file = "one@x\r\n";
    for (int i = 0; i < 40000; ++i) {  // more than a 16-bit index reaches
        file += "u" + std::to_string(i) + "@x\r\n";
    }
    closeWindow();
    nolvetta::testsupport::writeBytes(dataFile("nolvetta.dat"), file + "last@x\r\n");
    reopen();
    EXPECT_EQ(combo2()->count(), 40002);
    EXPECT_EQ(combo1()->currentText(), "one@x");
    combo1()->setEditText("last@x");
    EXPECT_CALL(boxes, askYesNo).WillOnce(Return(true));
    click("Command3");
    closeWindow();
    EXPECT_EQ(readBytes(dataFile("nolvetta.dat")), file);
}

TEST_F(ListsTest, AlwaysOnTopFollowsItsEntryAndIsRemembered) {
    auto* entry = child<QAction>("mn2(0)");
    EXPECT_TRUE(entry->isChecked() && onTop());  // at a first start
    entry->trigger();
    EXPECT_FALSE(onTop());
    EXPECT_TRUE(form->isVisible());
    entry->trigger();
    EXPECT_NE(SetTopMost(*form, 2), 0);  // raises, keeps the state
    EXPECT_EQ(SetTopMost(*form, 3), 0);  // no such mode
    EXPECT_TRUE(onTop());
    entry->trigger();
    closeWindow();
    EXPECT_EQ(readBytes(dataFile("nolvetta1.dat")), "False\r\n");
    reopen();
    EXPECT_FALSE(child<QAction>("mn2(0)")->isChecked() || onTop());
}
