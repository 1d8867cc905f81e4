#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include "requests/urls.h"
#include "ui/captions.h"
#include "window_fixture.h"

namespace nolvetta::ui::testing {
namespace {

QString q(const std::u16string& text) {
    return QString::fromStdU16String(text);
}

class DropTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        combo1()->setEditText(QStringLiteral("me@example.jp"));
    }
};

struct NewsletterCase {
    QString text;
    int service;
    QString id;
};

TEST_F(DropTest, ANewsletterOpensItsUnsubscribePage) {
    const NewsletterCase cases[] = {
        {QStringLiteral("配信 mag2 ID:0001234567 発行\r\n本文\r\n"), 0,
         QStringLiteral("0001234567")},
        {QStringLiteral("配信 mag2 ID 0001234567\n本文 melma00012345\n"), 0,
         QStringLiteral("0001234567")},
        {QStringLiteral("melma00012345 のお知らせ\r\n"), 1, QStringLiteral("00012345")},
        {QStringLiteral("xx melma00012345\nmag2 ID:0000000009\n"), 1, QStringLiteral("00012345")},
    };
    for (const NewsletterCase& c : cases) {
        selectService(2);
        browser.opened.clear();
        dropText(text3(), c.text);
        EXPECT_EQ(text3()->text(), c.id);
        EXPECT_EQ(form->serviceIndex(), c.service);
        EXPECT_EQ(checkedServices().size(), 1);
        EXPECT_EQ(
            child<QGroupBox>("Frame2")->title(),
            action(QStringLiteral("MERU1(%1)").arg(c.service).toLatin1().constData())->text());
        EXPECT_EQ(
            browser.opened,
            QStringList{q(requests::unsubscribeUrl(static_cast<std::int16_t>(c.service),
                                                   u"me@example.jp", c.id.toStdU16String()))});
    }
}

TEST_F(DropTest, AnUnrecognisedIdAsksForAValidOne) {
    boxes.expect(Answer::Ok);
    dropText(text3(), QStringLiteral("melma!ニュース\r\n"));
    EXPECT_EQ(form->serviceIndex(), 1);
    EXPECT_EQ(boxes.shown, QStringList{captions::InvalidId});
    EXPECT_TRUE(browser.opened.isEmpty());
}

TEST_F(DropTest, TextWithoutAMarkerChangesNothing) {
    selectService(2);
    text3()->setText(QStringLiteral("42"));
    dropText(text3(), QStringLiteral("こんにちは\r\nmag2 ID:0001234567\r\n"));
    EXPECT_EQ(text3()->text(), QStringLiteral("42"));
    EXPECT_EQ(form->serviceIndex(), 2);
    EXPECT_TRUE(browser.opened.isEmpty());
    EXPECT_EQ(form->workText(), QStringLiteral("こんにちは"));
}

TEST_F(DropTest, DropsWithoutTextAreRefused) {
    for (QWidget* target : {static_cast<QWidget*>(text3()), static_cast<QWidget*>(text2())}) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/mail.eml"))});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        EXPECT_FALSE(enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
    }
    EXPECT_TRUE(text3()->text().isEmpty());
    EXPECT_EQ(text2()->text(), q(requests::shopSampleText()));
    EXPECT_TRUE(browser.opened.isEmpty());
}

TEST_F(DropTest, AShopPageDropLeavesTheShopsTopAddress) {
    const QString prefix = q(requests::shopPrefix());
    dropText(text2(), QStringLiteral("ご注文ありがとう\r\n商品: ") + prefix +
                          QStringLiteral("myshop/item/123/ です\r\n") + prefix +
                          QStringLiteral("other/\r\n"));
    EXPECT_EQ(text2()->text(), prefix + QStringLiteral("myshop/"));
    EXPECT_TRUE(browser.opened.isEmpty());

    dropText(text2(), QStringLiteral("no shop here"));
    EXPECT_EQ(text2()->text(), prefix + QStringLiteral("myshop/"));

    QTest::keyClick(text2(), Qt::Key_Return);
    EXPECT_EQ(browser.opened, QStringList{prefix + QStringLiteral("myshop/news.html")});
}

TEST_F(DropTest, FocusSelectsTheWholeId) {
    text3()->setText(QStringLiteral("12345"));
    button("Command3")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);  // to Combo1
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);  // to Text3
    ASSERT_EQ(QApplication::focusWidget(), text3());
    EXPECT_EQ(text3()->selectedText(), QStringLiteral("12345"));
    QTest::keyClick(text3(), Qt::Key_9);
    EXPECT_EQ(text3()->text(), QStringLiteral("9"));
}

}  // namespace
}  // namespace nolvetta::ui::testing
