#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QTest>

#include "requests/urls.h"
#include "ui/captions.h"
#include "window_fixture.h"

namespace nolvetta::ui::testing {
namespace {

using requests::kapuNewsUrl;
using requests::subscribeUrl;
using requests::unsubscribeUrl;
using requests::weeklyMag2Url;

QString q(const std::u16string& text) {
    return QString::fromStdU16String(text);
}

constexpr char16_t Address[] = u"reader@example.jp";
constexpr char16_t Other[] = u"new@example.jp";

class RequestsTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        combo1()->setEditText(QString::fromStdU16String(Address));
    }
};

// What each button of the service frame opens, for each offered service.
struct ButtonCase {
    int service;
    const char* button;
    QStringList expected;
};

void PrintTo(const ButtonCase& c, std::ostream* out) {
    *out << c.button << " with service " << c.service;
}

class ServiceButtonsTest : public RequestsTest, public ::testing::WithParamInterface<ButtonCase> {};

TEST_P(ServiceButtonsTest, OpensThePagesOfTheSelectedService) {
    const ButtonCase& c = GetParam();
    selectService(c.service);
    text3()->setText(QStringLiteral("123"));
    if (QByteArray(c.button) == "Command5") {
        QTest::mousePress(button("Command5"), Qt::LeftButton);
        QTest::mouseRelease(button("Command5"), Qt::LeftButton);
    } else {
        QTest::mouseClick(button(c.button), Qt::LeftButton);
    }
    EXPECT_EQ(browser.opened, c.expected);
    EXPECT_EQ(form->serviceIndex(), c.service);
}

const ButtonCase buttonCases[] = {
    {0, "Command4", {q(unsubscribeUrl(0, Address, u"123"))}},
    {1, "Command4", {q(unsubscribeUrl(1, Address, u"123"))}},
    {2, "Command4", {q(unsubscribeUrl(2, Address, u"123"))}},
    {0, "Command1", {q(subscribeUrl(0, Address, u"123"))}},
    {1, "Command1", {q(subscribeUrl(1, Address, u"123"))}},
    {2, "Command1", {q(subscribeUrl(2, Address, u"123"))}},
    {0, "Command5", {q(weeklyMag2Url(0, Address))}},
    {1, "Command5", {q(subscribeUrl(1, Address, u"1")), q(subscribeUrl(1, Address, u"12820"))}},
    {2, "Command5", {q(kapuNewsUrl(1, Address))}},
    {0, "Command6", {q(weeklyMag2Url(1, Address))}},
    {1, "Command6", {q(unsubscribeUrl(1, Address, u"1")), q(unsubscribeUrl(1, Address, u"12820"))}},
    {2, "Command6", {q(kapuNewsUrl(0, Address))}},
};
INSTANTIATE_TEST_SUITE_P(EveryButton, ServiceButtonsTest, ::testing::ValuesIn(buttonCases),
                         [](const ::testing::TestParamInfo<ButtonCase>& info) {
                             return std::string(info.param.button) + "_service" +
                                    std::to_string(info.param.service);
                         });

TEST_F(RequestsTest, InvalidIdShowsTheMessageAndOpensNothing) {
    for (const char* id : {"", "abc", "0", "0.0"}) {
        text3()->setText(QString::fromLatin1(id));
        boxes.expect(Answer::Ok, 2);
        QTest::mouseClick(button("Command4"), Qt::LeftButton);
        QTest::mouseClick(button("Command1"), Qt::LeftButton);
    }
    EXPECT_TRUE(browser.opened.isEmpty());
    EXPECT_EQ(boxes.shown, QStringList(8, captions::InvalidId));
    EXPECT_EQ(text3()->text(), QStringLiteral("0.0"));
}

TEST_F(RequestsTest, ChangeUnsubscribesThenSubscribesTheRegistrationAddress) {
    text3()->setText(QStringLiteral("4242"));
    combo2()->setEditText(QString::fromStdU16String(Other));
    QTest::mouseClick(button("Command8"), Qt::LeftButton);
    EXPECT_EQ(browser.opened, QStringList({q(unsubscribeUrl(0, Address, u"4242")),
                                           q(subscribeUrl(0, Other, u"4242"))}));
}

TEST_F(RequestsTest, ChangeWithAnInvalidIdShowsTheMessageTwice) {
    text3()->setText(QStringLiteral("x1"));
    boxes.expect(Answer::Ok, 2);
    QTest::mouseClick(button("Command8"), Qt::LeftButton);
    EXPECT_EQ(boxes.shown, QStringList(2, captions::InvalidId));
    EXPECT_TRUE(browser.opened.isEmpty());
}

TEST_F(RequestsTest, ChangeWithAnUntouchedOrEmptyRegistrationBox) {
    text3()->setText(QStringLiteral("7"));
    QTest::mouseClick(button("Command8"), Qt::LeftButton);
    EXPECT_EQ(browser.opened.value(1),
              q(subscribeUrl(0, captions::Combo2Initial.toStdU16String(), u"7")));

    browser.opened.clear();
    combo2()->setEditText(QString());
    QTest::mouseClick(button("Command8"), Qt::LeftButton);
    EXPECT_EQ(browser.opened, QStringList({q(unsubscribeUrl(0, Address, u"7")),
                                           q(subscribeUrl(0, Address, u"7"))}));
}

TEST_F(RequestsTest, EnterInTheIdFieldUnsubscribes) {
    selectService(1);
    text3()->setFocus();
    text3()->setText(QStringLiteral("55"));
    QTest::keyClick(text3(), Qt::Key_Return);
    EXPECT_EQ(browser.opened, QStringList{q(unsubscribeUrl(1, Address, u"55"))});

    text3()->setText(QStringLiteral("none"));
    boxes.expect(Answer::Ok);
    QTest::keyClick(text3(), Qt::Key_Enter);
    EXPECT_EQ(boxes.shown, QStringList{captions::InvalidId});
    EXPECT_EQ(browser.opened.size(), 1);
}

TEST_F(RequestsTest, WorkTextHoldsTheLastUrl) {
    text3()->setText(QStringLiteral("1"));
    QTest::mouseClick(button("Command4"), Qt::LeftButton);
    QTest::mouseClick(button("Command1"), Qt::LeftButton);
    EXPECT_EQ(form->workText(), q(subscribeUrl(0, Address, u"1")));
}

TEST_F(RequestsTest, AFailedLaunchStopsATwoPageActionWithOneMessage) {
    selectService(1);
    browser.failing = true;
    boxes.expect(Answer::Ok);
    QTest::mouseClick(button("Command6"), Qt::LeftButton);
    ASSERT_EQ(browser.opened.size(), 1);
    EXPECT_EQ(boxes.shown, QStringList{captions::CannotStartBrowser.arg(form->browserCommand(),
                                                                        browser.opened.front())});

    text3()->setText(QStringLiteral("9"));
    boxes.expect(Answer::Ok);
    QTest::mouseClick(button("Command8"), Qt::LeftButton);
    EXPECT_EQ(browser.opened.size(), 2);
}

TEST_F(RequestsTest, TheFramePopUpSelectsAServiceWithOneCheckMark) {
    QGroupBox* frame = child<QGroupBox>("Frame2");
    EXPECT_EQ(frame->title(), QStringLiteral("まぐまぐ"));
    EXPECT_EQ(checkedServices(), QStringList{QStringLiteral("まぐまぐ")});

    text3()->setText(QStringLiteral("31"));
    whenMenuPopsUp([this](QMenu* menu) {
        EXPECT_EQ(menu, form->magazineMenu());
        QList<QString> shown;
        for (QAction* a : menu->actions()) {
            if (a->isVisible()) {
                shown.append(a->text());
            }
        }
        EXPECT_EQ(shown, QStringList({QStringLiteral("まぐまぐ"), QStringLiteral("melma"),
                                      QStringLiteral("カプライト")}));
        QAction* melma = action("MERU1(1)");
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(melma).center());
    });
    // Through the window, so Qt routes the press and release as it does for a user.
    QTest::mouseClick(form->windowHandle(), Qt::LeftButton, {},
                      frame->mapTo(form.get(), QPoint(frame->width() / 2, 4)));

    EXPECT_EQ(form->serviceIndex(), 1);
    EXPECT_EQ(frame->title(), QStringLiteral("melma"));
    EXPECT_EQ(checkedServices(), QStringList{QStringLiteral("melma")});
    EXPECT_EQ(text3()->text(), QStringLiteral("31"));

    selectService(2);
    selectService(2);
    EXPECT_EQ(checkedServices(), QStringList{QStringLiteral("カプライト")});
    EXPECT_EQ(frame->title(), QStringLiteral("カプライト"));
}

TEST_F(RequestsTest, AClickOnAControlInsideTheFrameOpensNoPopUp) {
    text3()->setText(QStringLiteral("1"));
    QTest::mouseClick(button("Command4"), Qt::LeftButton);
    QWidget* label = child<QWidget>("Label1");
    QTest::mouseClick(form->windowHandle(), Qt::LeftButton, {},
                      label->mapTo(form.get(), label->rect().center()));
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_EQ(browser.opened.size(), 1);
}

// Each entry of the menu bar's 自動配信解除 acts on its own service and
// leaves the selection alone.
struct CancelEntryCase {
    const char* entry;
    QString url;
    QString idAfter;
};

TEST_F(RequestsTest, AutoCancelEntriesKeepTheSelectedService) {
    const CancelEntryCase cases[] = {
        {"kaijo0", q(weeklyMag2Url(1, Address)), QStringLiteral("77")},
        {"kaijo1(0)", q(unsubscribeUrl(1, Address, u"1")), QStringLiteral("1")},
        {"kaijo1(1)", q(unsubscribeUrl(1, Address, u"12820")), QStringLiteral("12820")},
        {"kaijo2", q(kapuNewsUrl(0, Address)), QStringLiteral("77")},
    };
    selectService(2);
    for (const CancelEntryCase& c : cases) {
        text3()->setText(QStringLiteral("77"));
        browser.opened.clear();
        action(c.entry)->trigger();
        EXPECT_EQ(browser.opened, QStringList{c.url}) << c.entry;
        EXPECT_EQ(text3()->text(), c.idAfter) << c.entry;
        EXPECT_EQ(form->serviceIndex(), 2);
        EXPECT_EQ(checkedServices(), QStringList{QStringLiteral("カプライト")});
    }
}

TEST_F(RequestsTest, RightPressOnAutoRegistrationPopsUpTheServicesCancelMenu) {
    selectService(1);
    whenMenuPopsUp([this](QMenu* menu) {
        EXPECT_EQ(menu, form->autoCancelMenu(1));
        QAction* today = action("kaijo1(1)");
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(today).center());
    });
    QTest::mousePress(button("Command5"), Qt::RightButton);
    EXPECT_EQ(browser.opened, QStringList{q(unsubscribeUrl(1, Address, u"12820"))});
}

TEST_F(RequestsTest, AutoRegistrationIgnoresMiddlePressSpaceAndEnter) {
    QPushButton* command5 = button("Command5");
    QTest::mousePress(command5, Qt::MiddleButton);
    QTest::mouseRelease(command5, Qt::MiddleButton);
    command5->setFocus();
    QTest::keyClick(command5, Qt::Key_Space);
    QTest::keyClick(command5, Qt::Key_Return);
    EXPECT_TRUE(browser.opened.isEmpty());
}

TEST_F(RequestsTest, TabReachesTheShopFrameBelowTheVisibleArea) {
    EXPECT_EQ(QApplication::focusWidget(), button("Command3"));
    button("Command5")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), text2());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), button("Command2"));

    QWidget* client = form->centralWidget();
    EXPECT_GE(child<QWidget>("Frame3")->y(), client->height());
}

TEST_F(RequestsTest, ShopPages) {
    const QString sample = q(requests::shopSampleText());
    EXPECT_EQ(text2()->text(), sample);
    QTest::keyClick(text2(), Qt::Key_Return);

    text2()->setText(q(requests::shopPrefix()) + QStringLiteral("shop/NEWS.HTML"));
    QTest::keyClick(text2(), Qt::Key_Return);

    text2()->clear();
    QTest::keyClick(text2(), Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(text2()->text(), QStringLiteral("news.html"));

    QTest::mouseClick(button("Command2"), Qt::LeftButton);
    EXPECT_EQ(
        browser.opened,
        QStringList({sample, q(requests::shopPrefix()) + QStringLiteral("shop/NEWS.HTML"),
                     QStringLiteral("news.html"), q(requests::mallCancellationUrl(Address))}));
    EXPECT_EQ(form->workText(), browser.opened.back());
}

TEST_F(RequestsTest, GoOpensTheShopPageAndCopiesTheDeletionAddress) {
    text2()->setText(q(requests::shopPrefix()) + QStringLiteral("shop/"));
    QTest::mouseClick(button("Command7"), Qt::LeftButton);
    EXPECT_EQ(browser.opened,
              QStringList{q(requests::shopPrefix()) + QStringLiteral("shop/news.html")});
    EXPECT_EQ(QApplication::clipboard()->text(), QString::fromStdU16String(Address));
}

}  // namespace
}  // namespace nolvetta::ui::testing
