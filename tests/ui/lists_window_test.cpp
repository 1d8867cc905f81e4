#include <csignal>

#include "scratch.h"
#include "ui/captions.h"
#include "ui/close_on_signal.h"
#include "ui/window_options.h"
#include "window_fixture.h"

using namespace nolvetta::ui::testing;
namespace captions = nolvetta::ui::captions;
using nolvetta::testsupport::readBytes;
using ::testing::_;
using ::testing::Return;

MATCHER_P(Mentions, part, "") {
    return arg.contains(part);
}

class ListsTest : public WindowTest {
protected:
    void add(const QString& text) {
        combo1()->setFocus();
        combo1()->setEditText(text);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    }
    static QStringList entries(QComboBox* list) {
        QStringList texts;
        for (int i = 0; i < list->count(); ++i) {
            texts.append(list->itemText(i));
        }
        return texts;
    }
    bool onTop() const { return form->windowFlags().testFlag(Qt::WindowStaysOnTopHint); }
};

TEST_F(ListsTest, AFirstStartHasEmptyListsIsOnTopAndLeavesBothFiles) {
    EXPECT_EQ(combo1()->count() + combo2()->count(), 0);
    EXPECT_EQ(combo1()->currentText() + combo2()->currentText(), captions::Combo2Initial);
    EXPECT_TRUE(child<QAction>("mn2(0)")->isChecked() && onTop());
    auto* label = child<QLabel>("Label1");  // whole, in its own small place
    EXPECT_EQ(label->geometry(), QRect(12, 20, 11, 12));
    EXPECT_LE(QFontMetrics(label->font()).horizontalAdvance("ID"), label->width());
    closeWindow();
    EXPECT_EQ(readBytes(dataFile("nolvetta.dat")) + readBytes(dataFile("nolvetta1.dat")),
              "True\r\n");
}

TEST_F(ListsTest, EnterAddsToBothListsAndDeleteAsksForTheFirstEqualEntry) {
    for (const char* address : {"a@x", "b@x", "a@x"}) {
        add(address);
    }
    EXPECT_CALL(boxes, inform(_, Mentions("x😀@x")));
    add("x😀@x");
    EXPECT_EQ(combo2()->currentText(), captions::Combo2Initial);
    combo1()->setEditText("a@x");
    EXPECT_CALL(boxes, askYesNo(_, QString("a@x を削除します\r\nよろしいですか？")))
        .WillOnce(Return(false))
        .WillOnce(Return(true));
    click("Command3");
    click("Command3");
    EXPECT_EQ(entries(combo1()), QStringList({"b@x", "a@x"}));
    EXPECT_EQ(entries(combo2()), QStringList({"a@x", "b@x", "a@x"}));
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

TEST_F(ListsTest, AFailedSaveIsReportedAndTheCloseGoesOn) {
    closeWindow();
    // A directory where the address file belongs: it can be neither read nor replaced.
    std::filesystem::remove(dataFile("nolvetta.dat"));
    std::filesystem::create_directory(dataFile("nolvetta.dat"));
    reopen();
    EXPECT_CALL(boxes, inform(_, Mentions("nolvetta.dat")));
    closeWindow();
    EXPECT_TRUE(std::filesystem::is_directory(dataFile("nolvetta.dat")));
    EXPECT_EQ(readBytes(dataFile("nolvetta1.dat")), "True\r\n");
    EXPECT_EQ(nolvetta::testsupport::countEntries(dataFile("")), 2u);  // no temporary file left
}

TEST_F(ListsTest, EveryTerminationSignalClosesTheWindowAndSaves) {
    for (int sig : {SIGTERM, SIGHUP, SIGINT}) {
        reopen();
        closeOnSessionEnd(*form);
        add(QString::number(sig));
        std::raise(sig);
        EXPECT_TRUE(QTest::qWaitFor([this] { return !form->isVisible(); })) << sig;
    }
    EXPECT_EQ(readBytes(dataFile("nolvetta.dat")), "15\r\n1\r\n2\r\n");
}
