// The window with the real launcher and a real browser process: a script
// registered as the desktop's text/html handler that logs its arguments.
#include <gtest/gtest.h>

#include <QTest>
#include <chrono>
#include <optional>

#include "fake_browser.h"
#include "launcher/launcher.h"
#include "requests/urls.h"
#include "ui/captions.h"
#include "window_fixture.h"

namespace nolvetta::ui::testing {
namespace {

using testsupport::FakeBrowser;
using Invocations = std::vector<std::vector<std::string>>;

std::string utf8(const std::u16string& text) {
    return QString::fromStdU16String(text).toStdString();
}

class BrowserWindowTest : public ::testing::Test {
protected:
    void start(FakeBrowser::Options options = {}) {
        browser.emplace(options);
        programDirectory = browser->root() / "program";
        std::filesystem::create_directories(programDirectory);
        launcher = launcher::makeSystemLauncher(programDirectory);
        form = std::make_unique<Form1>(*launcher, boxes, programDirectory);
        form->Form_Load();
    }

    void TearDown() override {
        if (form) {
            form->close();
            form.reset();
        }
        EXPECT_TRUE(boxes.answers.empty());
    }

    template <typename T>
    T* child(const char* name) const {
        return form->findChild<T*>(QString::fromLatin1(name));
    }
    void setId(const QString& id) { child<QLineEdit>("Text3")->setText(id); }
    void setAddress(const QString& address) { child<QComboBox>("Combo1")->setEditText(address); }
    void click(const char* name) { QTest::mouseClick(child<QPushButton>(name), Qt::LeftButton); }
    Invocations nothingStarted() const {
        return browser->waitForInvocations(1, std::chrono::milliseconds(300));
    }

    std::optional<FakeBrowser> browser;
    std::filesystem::path programDirectory;
    std::unique_ptr<launcher::Launcher> launcher;
    QueuedMessageBoxes boxes;
    std::unique_ptr<Form1> form;
};

TEST_F(BrowserWindowTest, UnsubscribeStartsTheBrowserWithTheUrlAsItsOneArgument) {
    start();
    EXPECT_EQ(form->browserCommand().toStdString(), browser->executable().string() + " ");
    setAddress(QStringLiteral("reader@example.jp"));
    setId(QStringLiteral("123"));
    click("Command4");
    EXPECT_EQ(browser->waitForInvocations(1),
              Invocations{{utf8(requests::unsubscribeUrl(0, u"reader@example.jp", u"123"))}});
}

TEST_F(BrowserWindowTest, AnAddressWithABlankAndALeadingDashStaysOneArgument) {
    start({.blankInPath = true});
    EXPECT_EQ(form->browserCommand().toStdString(), browser->executable().string() + " ");
    setAddress(QStringLiteral("-x y@example.jp"));
    setId(QStringLiteral("7"));
    click("Command4");
    const Invocations started = browser->waitForInvocations(1);
    ASSERT_EQ(started.size(), 1U);
    ASSERT_EQ(started[0].size(), 1U);
    EXPECT_EQ(started[0][0], utf8(requests::unsubscribeUrl(0, u"-x y@example.jp", u"7")));
}

TEST_F(BrowserWindowTest, TwoRequestsStartTheBrowserTwiceInOrder) {
    start();
    setAddress(QStringLiteral("a@example.jp"));
    setId(QStringLiteral("5"));
    click("Command4");
    ASSERT_EQ(browser->waitForInvocations(1).size(), 1U);
    click("Command1");
    EXPECT_EQ(browser->waitForInvocations(2),
              (Invocations{{utf8(requests::unsubscribeUrl(0, u"a@example.jp", u"5"))},
                           {utf8(requests::subscribeUrl(0, u"a@example.jp", u"5"))}}));
}

TEST_F(BrowserWindowTest, WithoutABrowserEveryRequestSaysSoOnce) {
    start({.handler = FakeBrowser::Handler::None});
    EXPECT_TRUE(form->browserCommand().isEmpty());
    form->findChild<QAction*>(QStringLiteral("MERU1(1)"))->trigger();
    boxes.expect(Answer::Ok);
    click("Command6");  // two pages: the second is not tried
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_TRUE(boxes.shown[0].startsWith(captions::CannotStartBrowser.section('\n', 0, 0)));
    EXPECT_TRUE(boxes.shown[0].endsWith(QString::fromStdU16String(requests::unsubscribeUrl(
        1, child<QComboBox>("Combo1")->currentText().toStdU16String(), u"1"))));
    EXPECT_TRUE(nothingStarted().empty());
}

TEST_F(BrowserWindowTest, AShopPageBeginningWithADashIsRefused) {
    start();
    child<QLineEdit>("Text2")->setText(QStringLiteral("--kiosk "));
    boxes.expect(Answer::Ok);
    QTest::keyClick(child<QLineEdit>("Text2"), Qt::Key_Return);
    EXPECT_EQ(boxes.shown, QStringList{captions::CannotStartBrowser.arg(
                               form->browserCommand(), QStringLiteral("--kiosk news.html"))});
    EXPECT_TRUE(nothingStarted().empty());
}

TEST_F(BrowserWindowTest, StartUpWritesNothingIntoTheProgramDirectory) {
    start();
    EXPECT_TRUE(std::filesystem::is_empty(programDirectory));
}

}  // namespace
}  // namespace nolvetta::ui::testing
