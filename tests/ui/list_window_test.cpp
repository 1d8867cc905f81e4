// The newsletter list's Qt window, as a keyboard and a screen reader use it.
// What its acts do is the behaviour's tests'.
#include "window_test.h"

#include "mail_home.h"

// The newsletter list over a home of made-up mail, by the keyboard alone:
// read, sorted, filtered, and two rows left. A screen reader hears every part
// by its purpose, and the window, on top with the main window, fits a screen
// smaller than it would like.
TEST_F(WindowTest, TheListIsUsedByKeyboardAndScreenReaderAndFitsItsScreen) {
    const QString home = directory.path() + "/home";
    nolvetta::testsupport::copyMailHome(home.toStdString());
    const QByteArray oldHome = qgetenv("HOME"), oldData = qgetenv("XDG_DATA_HOME");
    qputenv("HOME", home.toUtf8());
    qputenv("XDG_DATA_HOME", (home + "/.local/share").toUtf8());
    child<QAction>("mnList")->trigger();
    auto* list = child<QMainWindow>("NewsletterList");
    qputenv("HOME", oldHome);
    qputenv("XDG_DATA_HOME", oldData);
    ASSERT_TRUE(list && QTest::qWaitForWindowExposed(list));
    EXPECT_TRUE(list->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    const QRect screen = list->screen()->availableGeometry();
    EXPECT_TRUE(screen.contains(list->frameGeometry())) << list->frameGeometry().width();
    for (auto* b : list->findChildren<QPushButton*>()) {
        EXPECT_TRUE(b->isVisible() && screen.contains(QRect(b->mapToGlobal(QPoint()), b->size())))
            << qPrintable(b->text());
    }
    const struct {
        QWidget* part;
        QAccessible::Role role;
        QString name;
    } parts[] = {
        // clang-format off
        {list, QAccessible::Window, "メルマガ一覧 - !Nolvetta"}, {list->findChild<QWidget*>("Sources"), QAccessible::ComboBox, "読み込む場所"},
        {list->findChild<QWidget*>("Rows"), QAccessible::Table, "見つかったメルマガ"}, {list->findChild<QWidget*>("Progress"), QAccessible::ProgressBar, "読み込みの進み具合"},
        {list->findChild<QWidget*>("Filter"), QAccessible::EditableText, "絞り込み"}, {list->findChild<QWidget*>("Sort"), QAccessible::ButtonMenu, "並べ替え"},
        {list->findChild<QWidget*>("Leave"), QAccessible::Button, "解除"},
        // clang-format on
    };
    for (const auto& p : parts) {
        QAccessibleInterface* part = QAccessible::queryAccessibleInterface(p.part);
        EXPECT_EQ(part->role(), p.role) << qPrintable(p.name);
        EXPECT_EQ(part->text(QAccessible::Name), p.name);
    }
    auto* table = list->findChild<QTableView*>("Rows");
    auto* status = list->findChild<QLabel*>("Status");
    const auto rows = [&](int column) {
        QStringList texts;
        for (int r = 0; r < table->model()->rowCount(); ++r) {
            texts.append(table->model()->index(r, column).data().toString());
        }
        return texts.join('|');
    };
    const auto press = [list](Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QApplication::setActiveWindow(list);  // after a pop-up had it
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    };
    const auto focused = [] { return QApplication::focusWidget()->objectName(); };
    EXPECT_EQ(list->findChild<QComboBox*>("Sources")->currentText(), "見つかったすべての場所");
    press(Qt::Key_R, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return status->text().contains("件のメルマガ"); }, 10000));
    EXPECT_EQ(status->text(), "4 件のメルマガ（9 通のメールから）");
    EXPECT_EQ(rows(0), "Shop News|メルマガ配信|melma|letters@example.org");  // the latest first
    press(Qt::Key_F, Qt::AltModifier);
    QTest::keyClicks(QApplication::focusWidget(), "SHOP");
    EXPECT_EQ(rows(0) + " " + status->text(),
              "Shop News 4 件のメルマガのうち 1 件を表示（9 通のメールから）");
    press(Qt::Key_A, Qt::ControlModifier);
    press(Qt::Key_Delete);
    // By sender from the sort menu, from the start, then the other way round.
    press(Qt::Key_Tab);
    for (const char* order : {"Shop News|letters@example.org|melma|メルマガ配信",
                              "メルマガ配信|melma|letters@example.org|Shop News"}) {
        QTimer::singleShot(0, [] {
            ASSERT_NE(QApplication::activePopupWidget(), nullptr);
            QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_1);
        });
        press(Qt::Key_Space);
        EXPECT_EQ(rows(0), order);
    }
    EXPECT_EQ(std::pair(table->horizontalHeader()->sortIndicatorSection(),
                        table->horizontalHeader()->sortIndicatorOrder()),
              std::pair(0, Qt::DescendingOrder));
    // Into the table and out of it by Tab, F6 and Ctrl+Tab, either way; the
    // arrows choose the rows.
    QStringList stops;
    for (const char* keys : {"Tab", "Shift+Down", "Tab", "Shift+Tab", "F6", "Shift+Tab", "Ctrl+Tab",
                             "Shift+Tab", "Shift+F6", "Tab", "Ctrl+Shift+Tab", "Tab", "Tab"}) {
        const QKeyCombination pressed = QKeySequence(QString::fromLatin1(keys))[0];
        press(pressed.key(), pressed.keyboardModifiers());
        stops.append(focused());
    }
    EXPECT_EQ(stops.join(' '),
              "Rows Rows Leave Rows Leave Rows Leave Rows Sort Rows Sort Rows Leave");
    answers = {"はい"};
    press(Qt::Key_Return);
    EXPECT_TRUE(
        shown.value(1).startsWith("2 件のメルマガの配信を停止します。\nブラウザで 2 ページ"));
    EXPECT_EQ(shown.last(), "いいえ");
    EXPECT_EQ(browser.opened.size(), 2);
    EXPECT_EQ(rows(6).count("解除 "), 2) << qPrintable(rows(6));  // and their record shows
    child<QAction>("mn2(0)")->trigger();  // not on top any more, for either window
    EXPECT_TRUE(!list->windowFlags().testFlag(Qt::WindowStaysOnTopHint) && list->isVisible());
}
