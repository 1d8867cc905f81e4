// The Qt window: built from the window's tables, and every Qt event reaching
// the behaviour's handler. What the handlers do is the behaviour's tests'.
#include <gtest/gtest.h>

#include <QTest>
#include <QtWidgets>
#include <memory>

#include "launcher/launcher.h"
#include "mail_home.h"
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
        window->form().load();
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
        QApplication::setActiveWindow(target->window());  // after a pop-up had it
        target->setFocus();
        QTest::keyClick(target, key, modifiers);
    }
    // Whether the target took `data`, dragged in, moved over it and dropped.
    static bool drop(QWidget* target, QMimeData& data) {
        QDragEnterEvent enter({5, 5}, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(target, &enter);
        for (int x = 6; x < 9; ++x) {
            QDragMoveEvent move({x, 5}, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
            QApplication::sendEvent(target, &move);
        }
        QDropEvent drop({9, 5}, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
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
    // Answers the next message box, as soon as one shows, with the button
    // reading `answer`, keeping its title, text, buttons and, last, which of
    // them Enter presses.
    void answerNextBox(const QString& answer) {
        auto* poll = new QTimer(window.get());
        QObject::connect(poll, &QTimer::timeout, poll, [this, poll, answer] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) {
                return;
            }
            poll->deleteLater();
            poll->stop();
            shown = QStringList{box->windowTitle(), box->text()};
            // The whole text shows, wrapped where it must be, and the title too.
            const auto* label = box->findChild<QLabel*>("qt_msgbox_label");
            const QRect needed = label->fontMetrics().boundingRect(
                QRect(0, 0, label->width(), 10000), Qt::TextWordWrap, box->text());
            EXPECT_TRUE(needed.width() <= label->width() && needed.height() <= label->height())
                << qPrintable(box->text());
            EXPECT_GE(box->width(), box->fontMetrics().horizontalAdvance(box->windowTitle()) * 2);
            for (QAbstractButton* button : box->buttons()) {
                shown.append(button->text());
            }
            shown.append(box->defaultButton() ? box->defaultButton()->text() : QString());
            // The button asked for, else the only one there is.
            QAbstractButton* chosen = box->buttons().constFirst();
            for (QAbstractButton* button : box->buttons()) {
                chosen = button->text() == answer ? button : chosen;
            }
            chosen->click();
        });
        poll->start(5);
    }

    QTemporaryDir directory;
    StandInLauncher browser;
    std::unique_ptr<nolvetta::message::Reader> reader = nolvetta::message::makeSystemReader();
    std::unique_ptr<nolvetta::ui::MainWindow> window;
    QStringList shown;
};

const QString Unsub5 = url(Mag2DeliveryBase, u"/reader/D?id=0000000005&e=a%2Bb@x");

// Drawn from the tables, and larger with a larger font: no caption is cut,
// nothing overlaps.
TEST_F(WindowTest, TheWindowIsDrawnFromItsTablesAndGrowsWithTheUsersFont) {
    EXPECT_EQ(window->windowTitle(), "!Nolvetta");
    const struct {
        const char* name;
        QRect at;
        QString caption;
    } controls[] = {
        // clang-format off
        {"Frame1(0)", {4, 0, 273, 45}, "メールアドレス"}, {"Command3", {224, 16, 41, 21}, "削除"},
        {"Frame2", {4, 52, 273, 133}, "まぐまぐ"}, {"Label1", {12, 20, 11, 12}, "ID"},
        {"Command5", {148, 72, 117, 21}, "自動配信登録"}, {"Combo2", {8, 104, 209, 20}, "登録用アドレス"},
        {"Text2", {8, 32, 221, 22}, url(ShopMallBase, u"/***/news.html")},
        // clang-format on
    };
    for (const auto& c : controls) {
        QWidget* w = child(c.name);
        EXPECT_EQ(w->geometry(), c.at) << c.name;
        const auto* combo = qobject_cast<QComboBox*>(w);
        EXPECT_EQ(combo ? combo->lineEdit()->placeholderText()
                        : w->property(w->inherits("QGroupBox") ? "title" : "text").toString(),
                  c.caption);
    }
    EXPECT_GE(child("Frame3")->y(), child("client")->height());  // reached by Tab only
    QStringList bar, order{QApplication::focusWidget()->objectName()};
    for (QAction* menu : window->menuBar()->actions()) {
        bar.append(menu->text());
    }
    EXPECT_EQ(bar, QStringList({"メニュー(&M)", "自動配信解除(&A)"}));
    for (int i = 0; i < 13; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order.append(QApplication::focusWidget()->objectName());
    }
    EXPECT_EQ(order.join(' '),
              "Command3 Combo1 Frame2 Text3 Command4 Command5 Text2 Command2 "
              "Command6 Command1 Command7 Combo2 Command8 Command3");
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
    key(child("Command5"), Qt::Key_Space);  // and at Space and Enter
    key(child("Command5"), Qt::Key_Return);
    key(text2(), Qt::Key_Return, Qt::ShiftModifier);
    QTest::mouseClick(child("Command7"), Qt::LeftButton);
    const QString weekly = url(Mag2RegistrationBase,
                               u"/reader/Magrdadd?MfcISAPICommand=MagRdDel"
                               u"&magid=WEEKLYMAG2&rdemail=a%2Bb@x");
    const QString shop = url(ShopMallBase, u"/***/news.html");
    EXPECT_EQ(browser.opened,
              QStringList({Unsub5, Unsub5, Unsub5, weekly, weekly, weekly, shop, shop}));
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
    key(combo1(), Qt::Key_Tab);  // the frame takes the focus, and Space opens its choice
    chooseFromNextPopUp("MERU1(1)");
    QTest::keyClick(frame, Qt::Key_Space);
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
    // The lists, the focus, the menu bar's option.
    for (const char* address : {"b@x", "c@x"}) {
        combo1()->setEditText(address);
        key(combo1(), Qt::Key_Return);
    }
    EXPECT_EQ(combo2()->count(), 2);
    EXPECT_EQ(combo1()->currentText() + combo2()->currentText(), "c@x");
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
    answerNextBox("OK");
    QTest::mouseClick(child("Command4"), Qt::LeftButton);
    EXPECT_EQ(shown.front() + shown.mid(2).join(' '), "!NolvettaOK OK");
    key(combo1(), Qt::Key_Return);
    answerNextBox("いいえ");
    QTest::mouseClick(child("Command3"), Qt::LeftButton);
    // いいえ is the default: Enter pressed by mistake deletes nothing.
    EXPECT_EQ(shown, QStringList({"!Nolvetta", "a+b@x を削除します\r\nよろしいですか？", "はい",
                                  "いいえ", "いいえ"}));
    EXPECT_EQ(combo1()->count(), 1);
    std::unique_ptr<QMenu> edit(text3()->createStandardContextMenu());  // Qt's own texts too
    const QList<QAction*> entries = edit->actions();
    EXPECT_TRUE(std::any_of(entries.begin(), entries.end(),
                            [](QAction* a) { return a->text().startsWith("コピー"); }));
    const struct {
        const char* name;
        QAccessible::Role role;
        QString accessibleName, value;
    } controls[] = {
        // clang-format off
        {"Text3", QAccessible::EditableText, "ID", "0"}, {"Combo1", QAccessible::ComboBox, "削除用アドレス", "a+b@x"},
        {"Combo2", QAccessible::ComboBox, "登録用アドレス", ""}, {"Frame2", QAccessible::ComboBox, "配信サービス", "まぐまぐ"},
        {"Text2", QAccessible::EditableText, "ショップのアドレス", url(ShopMallBase, u"/***/news.html")},
        {"Command4", QAccessible::Button, "メルマガ解除", ""},
        // clang-format on
    };
    for (const auto& c : controls) {
        QAccessibleInterface* control = QAccessible::queryAccessibleInterface(child(c.name));
        EXPECT_EQ(control->role(), c.role) << c.name;
        EXPECT_EQ(control->text(QAccessible::Name) + "|" + control->text(QAccessible::Value),
                  c.accessibleName + "|" + c.value);
    }
    EXPECT_EQ(child<QLabel>("Label1")->buddy(), text3());
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

// What each mail program and file manager offers when a message is dragged
// out of it, and what the window makes of it, asking each form of the data
// at most once.
TEST_F(WindowTest, AMessageDraggedOutOfEachMailProgramIsTakenFromItsData) {
    const QString folder = directory.path() + "/drag/";
    QDir().mkpath(folder);
    const auto copy = [&](const char* from, const QString& to) {
        QFile::copy(QStringLiteral(NOLVETTA_MESSAGE_DATA "/") + from, folder + to);
        return QUrl::fromLocalFile(folder + to).toEncoded();  // as Sylpheed, with no line end
    };
    // Evolution's rows: an mbox with no extension.
    QFile::copy(QStringLiteral(NOLVETTA_MESSAGE_DATA "/three_newsletters_mbox"), folder + "Inbox");
    QFile(folder + "melma-2024.png").open(QIODevice::WriteOnly);
    const QByteArray sylpheed = copy("folded_comment.eml", "件名.eml");
    const QByteArray picture = QUrl::fromLocalFile(folder + "melma-2024.png").toEncoded();
    const QByteArray thunderbird = "mailbox-message://a@b/Inbox#1";
    const struct {
        const char* program;
        std::vector<std::pair<QString, QByteArray>> offered;
        QString outcome;  // a page opened, or what a message box said
    } drags[] = {
        // clang-format off
        {"Sylpheed", {{"message/rfc822", sylpheed}, {"text/uri-list", sylpheed}, {"text/plain", "drag-from-summary"}}, "https://news.example.jp/leave?id=42"},
        {"Claws Mail", {{"text/uri-list", copy("iso2022jp_service.eml", "件名.1.txt") + "\r\n"}},
         url(Mag2DeliveryBase, u"/reader/D?id=0001234567&e=a%2Bb@x")},
        {"Thunderbird", {{"text/uri-list", sylpheed}, {"text/plain", thunderbird}, {"text/x-moz-url", thunderbird}},
         "https://news.example.jp/leave?id=42"},
        {"Evolution", {{"text/uri-list", QUrl::fromLocalFile(folder + "Inbox").toEncoded()}}, "3 通のメールの配信を停止します。"},
        {"PCManFM", {{"text/uri-list", picture}, {"text/plain", picture}}, "はメールではありません。"},
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
        shown.clear();
        answerNextBox("いいえ");
        EXPECT_TRUE(drop(text3(), data));
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return !browser.opened.isEmpty() || !shown.isEmpty(); }, 5000));
        EXPECT_TRUE(browser.opened.contains(d.outcome) || shown.value(1).contains(d.outcome))
            << qPrintable(browser.opened.join(' ') + shown.join(' '));
        for (auto asked = data.asked.cbegin(); asked != data.asked.cend(); ++asked) {
            EXPECT_LE(asked.value(), 1) << qPrintable(asked.key());
        }
    }
    QMimeData shop;  // the shop field takes text only, and no other field takes any
    shop.setText("商品: " + url(ShopMallBase, u"/myshop/item/1/"));
    EXPECT_TRUE(drop(text2(), shop));
    EXPECT_EQ(text2()->text(), url(ShopMallBase, u"/myshop/"));
    QMimeData picture2;
    picture2.setUrls({QUrl::fromLocalFile("/tmp/picture.png")});
    EXPECT_FALSE(drop(text2(), picture2) || drop(combo1()->lineEdit(), shop) ||
                 drop(combo2()->lineEdit(), shop));
    EXPECT_TRUE(text3()->dragEnabled() && !text2()->dragEnabled());
}

// The newsletter list over a home of made-up mail: found, read, sorted,
// filtered, two rows left, and read again once one of them kept coming.
TEST_F(WindowTest, TheListShowsTheNewslettersInTheUsersMailAndWhoKeepsSending) {
    const QString home = directory.path() + "/home";
    nolvetta::testsupport::copyMailHome(home.toStdString());
    const QByteArray oldHome = qgetenv("HOME"), oldData = qgetenv("XDG_DATA_HOME");
    qputenv("HOME", home.toUtf8());
    qputenv("XDG_DATA_HOME", (home + "/.local/share").toUtf8());
    combo1()->setEditText("me@example.net");
    key(combo1(), Qt::Key_Return);
    child<QAction>("mnList")->trigger();
    auto* list = child("NewsletterList");
    qputenv("HOME", oldHome);
    qputenv("XDG_DATA_HOME", oldData);
    ASSERT_TRUE(list && QTest::qWaitForWindowExposed(list));
    auto* table = list->findChild<QTableView*>("Rows");
    auto* status = list->findChild<QLabel*>("Status");
    const auto scan = [&] {
        status->clear();
        QTest::mouseClick(list->findChild<QPushButton*>("Scan"), Qt::LeftButton);
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return status->text().contains("件のメルマガ"); }, 10000));
    };
    const auto rows = [&](int column) {
        QStringList texts;
        for (int r = 0; r < table->model()->rowCount(); ++r) {
            texts.append(table->model()->index(r, column).data().toString());
        }
        return texts.join('|');
    };
    EXPECT_EQ(list->findChild<QComboBox*>("Sources")->currentText(), "見つかったすべての場所");
    scan();
    EXPECT_EQ(status->text(), "4 件のメルマガ（9 通のメールから）");
    EXPECT_EQ(rows(0), "Shop News|メルマガ配信|melma|letters@example.org");  // the latest first
    auto* header = table->horizontalHeader();
    for (const char* order : {"1|1|2|2", "2|2|1|1"}) {  // by count, one way and the other
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          {header->sectionViewportPosition(2) + 5, header->height() / 2});
        EXPECT_EQ(rows(2), order);
    }
    QTest::keyClicks(list->findChild<QLineEdit*>("Filter"), "SHOP");
    EXPECT_EQ(rows(0), "Shop News");
    list->findChild<QLineEdit*>("Filter")->clear();
    const QStringList senders = rows(0).split('|');
    for (const char* sender : {"Shop News", "メルマガ配信"}) {
        const QRect at = table->visualRect(table->model()->index(int(senders.indexOf(sender)), 0));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::ControlModifier, at.center());
    }
    answerNextBox("はい");
    QTest::mouseClick(list->findChild<QPushButton*>("Leave"), Qt::LeftButton);
    EXPECT_TRUE(
        shown.value(1).startsWith("2 件のメルマガの配信を停止します。\nブラウザで 2 ページ"));
    EXPECT_EQ(
        browser.opened,
        QStringList({"https://shop.example/unsub?u=s2",
                     url(Mag2DeliveryBase, u"/reader/D?id=0001234567&e=reader@example.com")}));
    // The next issue comes four days after the page was opened.
    const QString later = QDateTime::currentDateTime().addDays(4).toString(Qt::RFC2822Date);
    QFile issue(home + "/Mail/inbox/1");
    issue.open(QIODevice::ReadOnly);
    const QByteArray next = issue.readAll()
                                .replace("Sun, 8 Nov 2026 09:00:00 +0900", later.toUtf8())
                                .replace("<m2@test>", "<m3@test>");
    nolvetta::testsupport::writeBytes((home + "/Mail/inbox/3").toStdString(), next.toStdString());
    scan();
    EXPECT_TRUE(rows(6).startsWith("届き続けています（解除 ")) << qPrintable(rows(6));
    EXPECT_TRUE(rows(6).contains("|解除 ")) << qPrintable(rows(6));
}
