#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <fstream>
#include <iterator>

#include "ui/captions.h"
#include "ui/window_options.h"
#include "window_fixture.h"

namespace nolvetta::ui::testing {
namespace {

std::string fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

class ListsTest : public WindowTest {
protected:
    void typeAndEnter(const QString& text) {
        combo1()->setFocus();
        combo1()->setEditText(text);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    }
};

TEST_F(ListsTest, AFirstStartShowsEmptyListsAndIsOnTop) {
    EXPECT_EQ(combo1()->count(), 0);
    EXPECT_EQ(combo1()->currentText(), QString());
    EXPECT_EQ(combo2()->currentText(), captions::Combo2Initial);
    EXPECT_TRUE(action("mn2(0)")->isChecked());
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(action("MERU1(3)")->isVisible());
    EXPECT_FALSE(action("MERU1(4)")->isVisible());
    closeWindow();
    EXPECT_EQ(fileBytes(dataDirectory / "nolvetta.dat"), "");
    EXPECT_EQ(fileBytes(dataDirectory / "nolvetta1.dat"), "True\r\n");
}

TEST_F(ListsTest, EnterTwiceAddsTheTextTwiceToBothLists) {
    typeAndEnter(QStringLiteral("a@example.jp"));
    typeAndEnter(QStringLiteral("a@example.jp"));
    const QStringList twice(2, QStringLiteral("a@example.jp"));
    EXPECT_EQ(comboEntries(combo1()), twice);
    EXPECT_EQ(comboEntries(combo2()), twice);
    EXPECT_EQ(combo1()->currentText(), QStringLiteral("a@example.jp"));
    EXPECT_EQ(combo2()->currentText(), captions::Combo2Initial);
}

TEST_F(ListsTest, TextThatCannotBeStoredIsRefused) {
    boxes.expect(Answer::Ok);
    typeAndEnter(QStringLiteral("x😀@example.jp"));
    EXPECT_EQ(combo1()->count(), 0);
    EXPECT_EQ(combo2()->count(), 0);
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_TRUE(boxes.shown.front().contains(QStringLiteral("x😀@example.jp")));
}

TEST_F(ListsTest, DeleteAsksAndRemovesOnlyTheFirstEqualEntry) {
    for (const char* address : {"a@x.jp", "b@x.jp", "a@x.jp"}) {
        typeAndEnter(QString::fromLatin1(address));
    }
    combo1()->setEditText(QStringLiteral("a@x.jp"));

    boxes.expect(Answer::No);
    QTest::mouseClick(button("Command3"), Qt::LeftButton);
    EXPECT_EQ(boxes.shown, QStringList{QStringLiteral("a@x.jp を削除します\r\nよろしいですか？")});
    EXPECT_EQ(combo1()->count(), 3);

    boxes.expect(Answer::Yes);
    QTest::mouseClick(button("Command3"), Qt::LeftButton);
    EXPECT_EQ(comboEntries(combo1()),
              QStringList({QStringLiteral("b@x.jp"), QStringLiteral("a@x.jp")}));
    EXPECT_EQ(comboEntries(combo2()),
              QStringList(
                  {QStringLiteral("a@x.jp"), QStringLiteral("b@x.jp"), QStringLiteral("a@x.jp")}));
    EXPECT_EQ(combo1()->currentText(), QStringLiteral("a@x.jp"));

    combo1()->setEditText(QStringLiteral("nobody@x.jp"));
    QTest::mouseClick(button("Command3"), Qt::LeftButton);
    EXPECT_EQ(combo1()->count(), 2);
}

TEST_F(ListsTest, TheAddressFileFillsBothListsInOrder) {
    closeWindow();
    writeBytes(dataDirectory / "nolvetta.dat", "one@x.jp\r\ntwo@x.jp\r\nthree@x.jp\r\n");
    reopen();
    const QStringList entries{QStringLiteral("one@x.jp"), QStringLiteral("two@x.jp"),
                              QStringLiteral("three@x.jp")};
    EXPECT_EQ(comboEntries(combo1()), entries);
    EXPECT_EQ(comboEntries(combo2()), entries);
    EXPECT_EQ(combo1()->currentText(), entries.front());
    EXPECT_EQ(combo2()->currentText(), captions::Combo2Initial);

    // Only the deletion list is saved.
    combo1()->setEditText(QStringLiteral("two@x.jp"));
    boxes.expect(Answer::Yes);
    QTest::mouseClick(button("Command3"), Qt::LeftButton);
    closeWindow();
    EXPECT_EQ(fileBytes(dataDirectory / "nolvetta.dat"), "one@x.jp\r\nthree@x.jp\r\n");
}

TEST_F(ListsTest, AlwaysOnTopTogglesAndIsRemembered) {
    QAction* onTop = action("mn2(0)");
    onTop->trigger();
    EXPECT_FALSE(onTop->isChecked());
    EXPECT_FALSE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(form->isVisible());
    onTop->trigger();
    EXPECT_TRUE(onTop->isChecked());
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    onTop->trigger();
    closeWindow();
    EXPECT_EQ(fileBytes(dataDirectory / "nolvetta1.dat"), "False\r\n");
    reopen();
    EXPECT_FALSE(action("mn2(0)")->isChecked());
    EXPECT_FALSE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST_F(ListsTest, ListsLongerThanASixteenBitIndexLoadDeleteAndSave) {
    closeWindow();
    std::string file;
    for (int i = 0; i < 40000; ++i) {
        file += "user" + std::to_string(i) + "@x.jp\r\n";
    }
    writeBytes(dataDirectory / "nolvetta.dat", file);
    reopen();
    ASSERT_EQ(combo1()->count(), 40000);
    EXPECT_EQ(combo2()->count(), 40000);
    combo1()->setEditText(QStringLiteral("user39999@x.jp"));
    boxes.expect(Answer::Yes);
    QTest::mouseClick(button("Command3"), Qt::LeftButton);
    closeWindow();
    EXPECT_EQ(fileBytes(dataDirectory / "nolvetta.dat"),
              file.substr(0, file.size() - std::string("user39999@x.jp\r\n").size()));
}

TEST_F(ListsTest, AFailedSaveIsReportedAndTheCloseGoesOn) {
    closeWindow();
    // A directory where the address file belongs: it can be neither read nor replaced.
    std::filesystem::remove(dataDirectory / "nolvetta.dat");
    std::filesystem::create_directory(dataDirectory / "nolvetta.dat");
    reopen();
    boxes.expect(Answer::Ok);
    closeWindow();
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_TRUE(boxes.shown[0].contains(QStringLiteral("nolvetta.dat")));
    EXPECT_TRUE(std::filesystem::is_directory(dataDirectory / "nolvetta.dat"));
    EXPECT_EQ(fileBytes(dataDirectory / "nolvetta1.dat"), "True\r\n");
}

TEST_F(ListsTest, StackingModesOutsideTheTableChangeNothing) {
    EXPECT_EQ(SetTopMost(*form, 3), 0);
    EXPECT_EQ(SetTopMost(*form, -1), 0);
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_NE(SetTopMost(*form, 2), 0);
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(form->isVisible());
}

}  // namespace
}  // namespace nolvetta::ui::testing
