// The Qt window: built from the window's tables, and every Qt event reaching
// the behaviour's handler. What the handlers do is the behaviour's tests'.
#include "window_test.h"

#include <algorithm>

#include "requests/endpoints.h"

using namespace nolvetta::requests;
using nolvetta::form::Control;
using nolvetta::form::rowOf;

// An endpoint constant followed by the literal rest of a URL.
QString url(std::u16string_view base, std::u16string_view rest) {
    return QString::fromStdU16String(std::u16string(base).append(rest));
}

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
    EXPECT_EQ(shownAt.x(), frame->mapToGlobal(QPoint()).x());  // below its caption, at the top
    EXPECT_LT(shownAt.y(), frame->mapToGlobal(QPoint(0, text3()->y() + text3()->height())).y());
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
    key(text3(), Qt::Key_F10,
        Qt::ShiftModifier);  // Shift+F10 opens a text field's menu, in Japanese
    auto* edit = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_TRUE(edit && edit->actions().value(0)->text().startsWith("元に戻す"));
    edit->close();
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
