#include "requests/endpoints.h"
#include "ui/captions.h"
#include "window_fixture.h"

using namespace nolvetta::ui::testing;
using namespace nolvetta::requests;
namespace captions = nolvetta::ui::captions;
using ::testing::_;

const QString Unsub5 = url(Mag2DeliveryBase, u"/reader/D?id=0000000005&e=a@x");
const QString Weekly = url(
    Mag2RegistrationBase, u"/reader/Magrd%1?MfcISAPICommand=MagRdDel&magid=WEEKLYMAG2&rdemail=a@x");
const QString MelmaBye = url(MelmaBase, u"/cgi-bin/host/bye.pl?e=a@x&m=m%1");
const QString KapuNews = url(KapuBase, u"/cgi-bin/mlmg_%1_kapunews.cgi?e_mail=a@x");

class RequestsTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        combo1()->setEditText("a@x");
        text3()->setText("5");
    }
};

TEST_F(RequestsTest, EachButtonOpensThePagesOfTheSelectedService) {
    const QString melmaAdd =
        url(MelmaBase, u"/cgi-bin/host/mailmag.pl?email=a@x&mailmag=add&magid=m%1");
    const struct {
        int service;
        const char* button;
        QStringList opened;
    } cases[] = {
        // clang-format off
        {1, "Command4", {MelmaBye.arg("00000005")}},
        {2, "Command1", {url(KapuBase, u"/cgi-bin/mlmg_setma_np.cgi?mgid=5&e_mail=a@x")}},
        {0, "Command5", {Weekly.arg("add")}}, {2, "Command5", {KapuNews.arg("set")}},
        {1, "Command5", {melmaAdd.arg("00000001"), melmaAdd.arg("00012820")}},
        {3, "Command5", {KapuNews.arg("set")}}, {0, "Command6", {Weekly.arg("del")}},
        {1, "Command6", {MelmaBye.arg("00000001"), MelmaBye.arg("00012820")}},
        {4, "Command6", {KapuNews.arg("del")}},
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
              QStringList({Unsub5, sub.arg("登録用アドレス"), Unsub5, sub.arg("a@x"), Unsub5}));
    EXPECT_EQ(form->workText(), Unsub5);
}

TEST_F(RequestsTest, AFailedStartEndsTheActionWithOneMessage) {
    browser.failing = true;
    EXPECT_CALL(boxes, inform(_, captions::CannotStartBrowser.arg("/stand-in ", Unsub5)));
    click("Command8");
    select(1);
    EXPECT_CALL(
        boxes, inform(_, captions::CannotStartBrowser.arg("/stand-in ", MelmaBye.arg("00000001"))));
    click("Command6");
    EXPECT_EQ(browser.opened, QStringList({Unsub5, MelmaBye.arg("00000001")}));
}

TEST_F(RequestsTest, ThePopUpsSelectAServiceOrCancelOneOfItsNewsletters) {
    auto* frame = child<QGroupBox>("Frame2");
    chooseFromNextPopUp("MERU1(1)");
    // Through the window, which routes the press and release as for a user.
    QTest::mouseClick(form->windowHandle(), Qt::LeftButton, {},
                      frame->mapTo(form.get(), QPoint(50, 4)));
    EXPECT_EQ(popUpShowed, QStringList({"まぐまぐ", "melma", "カプライト"}));
    EXPECT_EQ(frame->title(), "melma");
    EXPECT_EQ(checkedService(), "melma");
    EXPECT_EQ(text3()->text(), "5");
    // A click on a control inside the frame is not the frame's.
    QTest::mouseClick(form->windowHandle(), Qt::LeftButton, {},
                      child("Label1")->mapTo(form.get(), QPoint(5, 5)));
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);

    chooseFromNextPopUp("kaijo1(1)");
    QTest::mousePress(child<QPushButton>("Command5"), Qt::RightButton);
    EXPECT_EQ(popUpShowed, QStringList({"melma!ニュース", "今日のmelma!"}));
    child<QAction>("kaijo0")->trigger();  // the entries of another service leave melma selected
    child<QAction>("kaijo2")->trigger();
    EXPECT_EQ(browser.opened,
              QStringList({MelmaBye.arg("00012820"), Weekly.arg("del"), KapuNews.arg("del")}));
    EXPECT_EQ(checkedService(), "melma");
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
    child("Command5")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(text2(), Qt::Key_Return, Qt::ShiftModifier);  // the sample ends in news.html
    QTest::keyClick(text2(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);  // 楽天市場ニュース解除ページへ
    EXPECT_EQ(form->workText(), url(ShopMallBase, u"/rakuten_news/n.cgi?a@x"));
    text2()->setText("https://shop.jp/s/");
    child("Command7")->setFocus();
    QTest::keyClick(child("Command7"), Qt::Key_Enter);  // Go, from the keypad
    EXPECT_EQ(browser.opened, QStringList({url(ShopMallBase, u"/***/news.html"), form->workText(),
                                           "https://shop.jp/s/news.html"}));
    EXPECT_EQ(QApplication::clipboard()->text(), "a@x");
}

TEST_F(RequestsTest, ANewsletterDropSelectsItsServiceAndUnsubscribesAtOnce) {
    const struct {
        QString text, service, id, opened;
    } drops[] = {
        // clang-format off
        {"配信 mag2 ID:0001234567 発行\r\n本文 melma00012345\r\n", "まぐまぐ", "0001234567",
         url(Mag2DeliveryBase, u"/reader/D?id=0001234567&e=a@x")},
        {"xx melma00012345\nmag2 ID:0000000009\n", "melma", "00012345", MelmaBye.arg("00012345")},
        {"こんにちは\r\nmag2 ID:0001234567\r\n", "カプライト", "00012345", ""},  // not on the first line
        // clang-format on
    };
    for (const auto& c : drops) {
        select(2);
        EXPECT_TRUE(drop(text3(), c.text));
        EXPECT_EQ(child<QGroupBox>("Frame2")->title(), c.service);
        EXPECT_EQ(text3()->text(), c.id);
        EXPECT_EQ(browser.opened.value(0), c.opened);
        browser.opened.clear();
    }
    EXPECT_EQ(form->workText(), "こんにちは");
    EXPECT_CALL(boxes, inform(_, captions::InvalidId));
    drop(text3(), "melma!ニュース\r\n");
    EXPECT_EQ(checkedService(), "melma");
}

TEST_F(RequestsTest, OnlyTheTwoTextFieldsTakeDropsAndOnlyOfText) {
    const QString prefix = url(ShopMallBase, u"/");
    drop(text2(), "ご注文\r\n商品: " + prefix + "myshop/item/123/ です\r\n" + prefix + "b/\r\n");
    drop(text2(), "no shop here");
    EXPECT_EQ(text2()->text(), prefix + "myshop/");
    EXPECT_FALSE(drop(combo1()->lineEdit(), "dropped") || drop(combo2()->lineEdit(), "dropped"));
    QMimeData file;
    file.setUrls({QUrl::fromLocalFile("/tmp/mail.eml")});
    EXPECT_FALSE(drop(text3(), file) || drop(text2(), file));
    EXPECT_EQ(combo1()->currentText() + text3()->text(), "a@x5");
    EXPECT_TRUE(text3()->dragEnabled() && !text2()->dragEnabled());
    text3()->setText("12345");  // the focus selects the whole ID
    combo1()->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(text3(), Qt::Key_9);
    EXPECT_EQ(text3()->text(), "9");
    EXPECT_EQ(browser.opened, QStringList());
}
