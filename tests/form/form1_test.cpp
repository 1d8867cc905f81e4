// The window's behaviour, driven as each toolkit's window drives it, with a
// view that records what it is told to show, a launcher that records what it
// is asked to open, and real data files in a folder of their own.
#include "form/form1.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>

#include "form/captions.h"
#include "form/command_line.h"
#include "form/newsletter_list.h"
#include "form/view.h"
#include "launcher/launcher.h"
#include "message/reader.h"
#include "requests/endpoints.h"
#include "scratch.h"
#include "store/leave_record.h"
#include "text/utf8.h"

using namespace nolvetta::form;
using namespace nolvetta::requests;
namespace message = nolvetta::message;
using nolvetta::testsupport::readBytes;
using ::testing::_;
using ::testing::Return;
using Texts = std::vector<std::u16string>;

// GCC 12 warns of members that a designated initializer leaves to their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

MATCHER_P(Says, text, "") {
    return arg == std::u16string_view(text);
}
MATCHER_P(Mentions, part, "") {
    return arg.find(part) != std::u16string_view::npos;
}

// An endpoint constant followed by the literal rest of a URL.
std::u16string url(std::u16string_view base, std::u16string_view rest) {
    return std::u16string(base).append(rest);
}

std::u16string replaced(std::u16string text, std::u16string_view with) {
    return text.replace(text.find(u"%1"), 2, with);
}

struct TestView : View {
    std::u16string text(Control c) const override { return texts.count(c) ? texts.at(c) : u""; }
    void setText(Control c, std::u16string_view t) override { texts[c] = t; }
    void selectAll(Control c) override { selected = c; }
    void setEntries(Control list, const nolvetta::store::AddressList& e) override {
        lists[list] = e;
    }
    void entryAdded(Control list, std::u16string_view e) override { lists[list].append(e); }
    void entryRemoved(Control list, std::size_t i) override {
        ASSERT_LT(i, lists[list].size());
        lists[list].erase(i);
    }
    Texts list(Control list) const { return Texts(lists.at(list).begin(), lists.at(list).end()); }
    void setChecked(Menu m, bool on) override { checked[m] = on; }
    MOCK_METHOD(std::optional<Menu>, popUp, (Menu, std::optional<Control>, std::optional<Menu>),
                (override));
    MOCK_METHOD(void, inform, (std::u16string_view), (override));
    MOCK_METHOD(bool, askYesNo, (std::u16string_view), (override));
    void dismissMessages() override {}
    void closeWindow() override { ++closes; }
    void setClipboard(std::u16string_view t) override { clipboard = t; }
    bool setTopMost(bool onTop) override {
        topMost = onTop;
        return onTop ? canStayOnTop : true;
    }
    void showWindow() override { shown = true; }
    // Tasks come from the reading thread, and run when the test says so.
    void post(std::function<void()> task) override {
        const std::lock_guard lock(mutex);
        tasks.push_back(std::move(task));
        posted.notify_one();
    }
    // Waits a while for a task, or not at all, and runs it; false when none came.
    bool runPosted(std::chrono::seconds wait = std::chrono::seconds(10)) {
        std::unique_lock lock(mutex);
        if (!posted.wait_for(lock, wait, [this] { return !tasks.empty(); })) {
            return false;
        }
        const std::function<void()> task = std::move(tasks.front());
        tasks.pop_front();
        lock.unlock();
        task();
        return true;
    }

    std::mutex mutex;
    std::condition_variable posted;
    std::deque<std::function<void()>> tasks;
    std::map<Control, std::u16string> texts;
    std::map<Control, nolvetta::store::AddressList> lists;
    std::map<Menu, bool> checked;
    std::optional<Control> selected;
    std::u16string clipboard;
    bool topMost = false, canStayOnTop = true, shown = false;
    int closes = 0;
};

struct StandInLauncher : nolvetta::launcher::Launcher {
    std::u16string browserCommand() const override { return u"/stand-in "; }
    bool open(std::u16string_view u) override { return record(opened, u); }
    bool openMail(std::u16string_view u) override { return record(mailed, u); }
    bool record(Texts& list, std::u16string_view u) const {
        list.emplace_back(u);
        return !failing;
    }
    Texts opened, mailed;
    bool failing = false;
};

// Answers with the reading set for a file's name, or for dropped bytes.
struct StandInReader : message::Reader {
    message::Reading read(std::string_view bytes, message::Origin origin) override {
        const std::string key =
            (origin == message::Origin::DroppedText ? "text:" : "data:") + std::string(bytes);
        asked.push_back(key);
        return data[key];
    }
    message::FileReading readFile(const std::filesystem::path& file,
                                  std::stop_token stop) override {
        if (file.filename() == "slow") {  // read until stopped
            std::mutex never;
            std::unique_lock wait(never);
            std::condition_variable_any().wait(wait, stop, [] { return false; });
        }
        const std::lock_guard lock(mutex);
        asked.push_back("file:" + file.filename().string());
        return files[file.filename().string()];
    }
    std::mutex mutex;
    std::map<std::string, message::Reading> data;
    std::map<std::string, message::FileReading> files;
    std::vector<std::string> asked;
};

struct DropContents {
    DropOffer offered;
    std::vector<std::filesystem::path> paths;
    std::string bytes;
    std::u16string chars;
};

// A drop's data, which the window may ask for each form of only once.
struct TestDrop : DroppedData, DropContents {
    TestDrop(DropContents contents) : DropContents(std::move(contents)) {}
    DropOffer offer() const override { return offered; }
    std::vector<std::filesystem::path> files() override { return ask("files"), paths; }
    std::string message() override { return ask("message"), bytes; }
    std::u16string_view text() override { return ask("text"), chars; }
    void ask(const char* form) { EXPECT_EQ(++asked[form], 1) << form; }

    std::map<std::string, int> asked;
};

DropContents textDrop(std::u16string text) {
    return {.offered = {.text = true}, .chars = std::move(text)};
}

class FormTest : public ::testing::Test {
public:
    FormTest() {
        reopen();
        view.texts[Control::DeletionAddress] = u"a+b@x";
        view.texts[Control::MagazineId] = u"5";
    }
    ~FormTest() override {
        form->close();
        EXPECT_TRUE(view.tasks.empty());
    }

    // A new window on the same data folder, after the old one closed.
    void reopen() {
        if (form) {
            form->close();
        }
        form = std::make_unique<Form1>(view, browser, reader, folder.path());
        form->load();
    }
    Texts opened() { return std::exchange(browser.opened, {}); }

    nolvetta::testsupport::ScratchDirectory folder;
    ::testing::StrictMock<TestView> view;
    StandInLauncher browser;
    StandInReader reader;
    std::unique_ptr<Form1> form;
};

const std::u16string Unsub5 = url(Mag2DeliveryBase, u"/reader/D?id=0000000005&e=a%2Bb@x");
const std::u16string Weekly =
    url(Mag2RegistrationBase,
        u"/reader/Magrd%1?MfcISAPICommand=MagRdDel&magid=WEEKLYMAG2&rdemail=a%2Bb@x");
const std::u16string MelmaBye = url(MelmaBase, u"/cgi-bin/host/bye.pl?e=a%2Bb@x&m=m%1");
const std::u16string MelmaAdd =
    url(MelmaBase, u"/cgi-bin/host/mailmag.pl?email=a%2Bb@x&mailmag=add&magid=m%1");
const std::u16string KapuNews = url(KapuBase, u"/cgi-bin/mlmg_%1_kapunews.cgi?e_mail=a%2Bb@x");

TEST_F(FormTest, EachRequestOpensThePagesOfTheSelectedService) {
    const struct {
        std::int16_t service;
        Control
            control;  // MagazineId: Enter there; RegisterServiceNews: its left press; else a click
        Texts pages;
        std::u16string idAfter = u"5";
    } cases[] = {
        // clang-format off
        {0, Control::MagazineId, {Unsub5}}, {1, Control::Unsubscribe, {replaced(MelmaBye, u"00000005")}},
        {2, Control::Subscribe, {url(KapuBase, u"/cgi-bin/mlmg_setma_np.cgi?mgid=5&e_mail=a%2Bb@x")}},
        {0, Control::RegisterServiceNews, {replaced(Weekly, u"add")}}, {2, Control::RegisterServiceNews, {replaced(KapuNews, u"set")}},
        {1, Control::RegisterServiceNews, {replaced(MelmaAdd, u"00000001"), replaced(MelmaAdd, u"00012820")}, u"12820"},
        {0, Control::CancelServiceNews, {replaced(Weekly, u"del")}}, {2, Control::CancelServiceNews, {replaced(KapuNews, u"del")}},
        {1, Control::CancelServiceNews, {replaced(MelmaBye, u"00000001"), replaced(MelmaBye, u"00012820")}, u"12820"},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        form->menuChosen(serviceEntry(c.service));
        view.texts[Control::MagazineId] = u"5";
        c.control == Control::MagazineId ? form->keyDown(c.control, Key::Enter)
        : c.control == Control::RegisterServiceNews
            ? form->pressed(Control::RegisterServiceNews, MouseButton::Left)
            : form->clicked(c.control);
        EXPECT_EQ(opened(), c.pages);
        EXPECT_EQ(view.texts[Control::MagazineId], c.idAfter);
    }
}

// What is typed, where it would open a wrong page, is caught first.
TEST_F(FormTest, EachIdAndAddressGivesItsPageOrSaysWhatIsWrong) {
    const std::u16string mag2 = url(Mag2DeliveryBase, u"/reader/D?id=%1&e=a%2Bb@x");
    const std::u16string zero =
        u"mail ID が不正です\nメルマガの ID を、0 ではない数字で入れてください。";
    const struct {
        std::int16_t service;
        std::u16string id, pageOrMessage, idShown = id, address = u"a+b@x";
    } cases[] = {
        // clang-format off
        {0, u" 123456\u3000", replaced(mag2, u"0000123456"), u"123456"},  // pasted with blanks
        {0, u"１２３４５", replaced(mag2, u"0000012345"), u"12345"},         // typed with the input method
        {0, u"007", replaced(mag2, u"0000000007")}, {0, u"12abc", replaced(mag2, u"0000012abc")},
        {0, u"-5", replaced(mag2, u"00000000-5")},
        {0, u"12345678901", u"mail ID が不正です\nまぐまぐの ID は 10 桁までです。"},
        {1, u"123456789", u"mail ID が不正です\nmelmaの ID は 8 桁までです。"},
        {2, u"12345678901", url(KapuBase, u"/cgi-bin/mlmg_delma_np.cgi?mgid=12345678901&e_mail=a%2Bb@x")},
        {0, u"", zero + u"まぐまぐの ID は 10 桁までです。"}, {0, u"0.0", zero + u"まぐまぐの ID は 10 桁までです。"},
        {2, u"abc", zero}, {0, u"5", std::u16string(captions::NoDeletionAddress), u"5", u""},
        {0, u"5", std::u16string(captions::NoDeletionAddress), u"5", u" \u3000"},
        {0, u"5", replaced(mag2, u"0000000005"), u"5", u"\u3000a+b@x "},  // blanks are not sent
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        form->menuChosen(serviceEntry(c.service));
        view.texts[Control::MagazineId] = c.id;
        view.texts[Control::DeletionAddress] = c.address;
        const bool page = c.pageOrMessage.starts_with(u"https:");
        EXPECT_CALL(view, inform(Says(c.pageOrMessage))).Times(page ? 0 : 1);
        form->clicked(Control::Unsubscribe);
        EXPECT_EQ(opened(), page ? Texts{c.pageOrMessage} : Texts{});
        EXPECT_EQ(view.texts[Control::MagazineId], c.idShown);
    }
    view.texts[Control::DeletionAddress] = u"";  // every page for the deletion address asks for it
    EXPECT_CALL(view, inform(Says(captions::NoDeletionAddress))).Times(5);
    for (Control button :
         {Control::Subscribe, Control::CancelServiceNews, Control::ShopNewsCancel, Control::Move}) {
        form->clicked(button);
    }
    form->pressed(Control::RegisterServiceNews, MouseButton::Left);
    EXPECT_EQ(opened(), Texts());
}

TEST_F(FormTest, ChangeChecksBothAddressesFirstAndAFailedStartEndsIt) {
    const std::u16string sub =
        url(Mag2RegistrationBase,
            u"/reader/Magrdadd?MfcISAPICommand=MagRdAdd&rdemail=c@x&magid=0000000005");
    EXPECT_CALL(view, inform(Says(captions::NoRegistrationAddress)));
    form->clicked(Control::Move);  // the registration box still shows only its hint
    view.texts[Control::RegistrationAddress] = u"c@x";
    form->clicked(Control::Move);
    EXPECT_EQ(opened(), Texts({Unsub5, sub}));
    view.texts[Control::MagazineId] = u"0";  // the ID is looked at by both steps
    EXPECT_CALL(view, inform(Mentions(captions::InvalidId))).Times(2);
    form->clicked(Control::Move);
    view.texts[Control::MagazineId] = u"5";
    browser.failing = true;
    EXPECT_CALL(view, inform(Says(u"ブラウザを起動できません\n/stand-in \n" + Unsub5)));
    form->clicked(Control::Move);  // two pages: the second is not tried
    EXPECT_EQ(opened(), Texts({Unsub5}));
    EXPECT_CALL(view, inform(Mentions(u"ブラウザを起動できません")));
    form->clicked(Control::ShopGo);  // Go: no page, nothing on the clipboard
    EXPECT_EQ(view.clipboard, u"");
}

// A pop-up the keyboard opens shows at its control, the list of services
// with the one chosen current; the arrows choose as in a combo box.
TEST_F(FormTest, ThePopUpsSelectAServiceOrCancelOneOfItsNewsletters) {
    const std::optional<Control> atPointer, atFrame = Control::ServiceFrame;
    EXPECT_CALL(view, popUp(Menu::ServiceMenu, atPointer, std::optional(Menu::Mag2Service)))
        .WillOnce(Return(Menu::MelmaService));
    EXPECT_CALL(view, popUp(Menu::ServiceMenu, atFrame, std::optional(Menu::MelmaService)))
        .WillOnce(Return(std::nullopt));
    form->clicked(Control::ServiceFrame);
    form->keyDown(Control::ServiceFrame, Key::Menu);  // dismissed: nothing changes
    form->keyDown(Control::ServiceFrame, Key::Other);
    EXPECT_EQ(view.texts[Control::ServiceFrame], u"melma");
    EXPECT_TRUE(view.checked[Menu::MelmaService] && !view.checked[Menu::Mag2Service]);
    std::u16string shown;
    for (Key key : {Key::Down, Key::Down, Key::Up, Key::Up, Key::Up, Key::Down}) {
        form->keyDown(Control::ServiceFrame, key);
        shown += view.texts[Control::ServiceFrame] + u" ";
    }
    EXPECT_EQ(shown, u"カプライト カプライト melma まぐまぐ まぐまぐ melma ");

    EXPECT_CALL(view, popUp(Menu::MelmaNewsMenu, std::optional(Control::RegisterServiceNews),
                            std::optional<Menu>()))
        .WillOnce(Return(Menu::CancelTodaysMelma));
    form->keyDown(Control::RegisterServiceNews, Key::Menu);
    form->keyDown(Control::RegisterServiceNews, Key::Menu, true);  // a key held down acts once
    form->menuChosen(Menu::CancelMelmaNews);
    form->menuChosen(Menu::CancelWeeklyMag2);  // another service's entries leave melma selected
    form->menuChosen(Menu::CancelKapuNews);
    EXPECT_EQ(opened(), Texts({replaced(MelmaBye, u"00012820"), replaced(MelmaBye, u"00000001"),
                               replaced(Weekly, u"del"), replaced(KapuNews, u"del")}));
    EXPECT_EQ(form->serviceIndex(), 1);
}

// Which drops each control takes, from the formats alone, and which form of
// the data a whole message is read from.
TEST_F(FormTest, ADropIsDecidedFromItsDataFilesFirst) {
    const struct {
        Control control;
        DropOffer offer;
        bool taken;
    } offers[] = {
        // clang-format off
        {Control::MagazineId, {.text = true}, true}, {Control::MagazineId, {.message = true}, true}, {Control::MagazineId, {.files = true}, true},
        {Control::ShopAddress, {.text = true}, true}, {Control::ShopAddress, {.message = true}, false}, {Control::ShopAddress, {.files = true}, false},
        {Control::DeletionAddress, {.text = true}, false},
        // clang-format on
    };
    for (const auto& o : offers) {
        EXPECT_EQ(form->takesDrop(o.control, o.offer), o.taken) << &o - offers;
    }
    using message::Scheme;
    reader.data = {{"data:From: a\r\n", {.magazine = {{Melma, u"00000042"}}}},
                   {"text:From: a\r\n\r\nbody", {.unsubscribe = {{Scheme::Mailto, u"MailTo:m@x"}}}},
                   {"data:msg", {.problem = message::Problem::OutlookMessage}}};
    reader.files["news"].messages = {{.unsubscribe = {{Scheme::Https, u"https://s/"}}}};
    const DropOffer all{.text = true, .message = true, .files = true};
    TestDrop drops[] = {
        // a file manager's file and its address as text; a mail program's message file
        DropContents{.offered = all, .paths = {"/mail/news"}, .chars = u"file:///mail/news"},
        // a message file's address where its data belongs
        DropContents{.offered = {.message = true}, .bytes = "file:///tmp/a%20b/news\r\n"},
        DropContents{.offered = {.text = true, .message = true}, .bytes = "From: a\r\n"},
        textDrop(u"From: a\r\n\r\nbody"),
        // Outlook's own format, named and explained
        DropContents{.offered = {.message = true}, .bytes = "msg"},
    };
    EXPECT_CALL(view, inform(Mentions(u"は Outlook 独自の形式 (.msg) のメールのため")));
    for (TestDrop& drop : drops) {
        form->dropped(Control::MagazineId, drop);
        if (!drop.paths.empty() || drop.bytes.starts_with("file:")) {
            EXPECT_TRUE(view.runPosted());
        }
    }
    EXPECT_EQ(reader.asked, (std::vector<std::string>{"file:news", "file:news", "data:From: a\r\n",
                                                      "text:From: a\r\n\r\nbody", "data:msg"}));
    EXPECT_EQ(drops[0].asked, (std::map<std::string, int>{{"files", 1}}));
    EXPECT_EQ(opened(), Texts({u"https://s/", u"https://s/", replaced(MelmaBye, u"00000042")}));
    EXPECT_EQ(browser.mailed, Texts({u"MailTo:m@x"}));  // the scheme in any case
}

// A file is read off the window's thread; each problem is said in the
// user's language, and a file given from outside is asked about first.
TEST_F(FormTest, AMessageFileSaysWhatStopsItAndOpensNothingUnasked) {
    using message::FileProblem;
    using message::Scheme;
    const auto with = [](std::vector<message::Address> ways) {
        return message::FileReading{.messages = {{.unsubscribe = std::move(ways)}}};
    };
    reader.files = {
        // clang-format off
        {"gone", {.problem = FileProblem::Missing}}, {"dir", {.problem = FileProblem::NotAFile}},
        {"x.txt", {.problem = FileProblem::NotAMessage}}, {"big", {.problem = FileProblem::TooLarge}},
        {"m.msg", {.problem = FileProblem::OutlookMessage}},
        {"locked", {.problem = FileProblem::Unreadable, .cause = make_error_code(std::errc::permission_denied)}},
        {"any", {.problem = FileProblem::Unavailable}}, {"stopped", {.problem = FileProblem::Cancelled}},
        {"none", with({})}, {"long", {.messages = {{.overlongAddresses = 1}}}},
        {"https", with({{Scheme::Https, u"https://s/"}})}, {"http", with({{Scheme::Http, u"http://h/"}})},
        {"magazine", {.messages = {{.magazine = {{Mag2, u"0001234567"}}}}}},
        // clang-format on
    };
    const Texts said = {
        u"「gone」が見つかりません。", u"「dir」はファイルではないため、メールとして読めません。",
        u"「x.txt」はメールではありません。",
        u"「m.msg」は Outlook 独自の形式 (.msg) のメールのため、読めません。\nOutlook "
        u"でメールを開き、「ファイル」→「名前を付けて保存」で .eml 形式を選んで保存したファイルなら"
        u"読めます。メルマガの本文を選んで ID の欄にドロップしても解除できます。",
        u"「big」は 32 MB を超えるか、ヘッダーか 1 行が長すぎるため、メールとして読みません。",
        u"「locked」を読み込めませんでした。\nアクセスが許可されていません。",
        // Where GMime is not installed.
        u"「any」を読めません。\nこのシステムにはメールを読む部品 (GMime 3) がありません。",
        u"「none」には、配信を停止する方法が見つかりませんでした。",
        u"「long」には、配信を停止する方法が見つかりませんでした。\n配信停止のアドレスが 2048 "
        u"文字を超えるため、ブラウザに渡しません。"};
    for (const std::u16string& text : said) {
        EXPECT_CALL(view, inform(Says(text)));
    }
    EXPECT_CALL(view, askYesNo(Says(u"「https」の配信を停止します。\nhttps://s\nよろしいですか？")))
        .WillOnce(Return(true));
    EXPECT_CALL(view, askYesNo(Mentions(u"http のアドレスです。\nhttp://h/\n")))
        .WillOnce(Return(false));
    EXPECT_CALL(view, askYesNo(Says(u"「magazine」の配信を停止します。\nまぐまぐの ID 0001234567 "
                                    u"の解除ページ\nよろしいですか？")))
        .WillOnce(Return(false));
    for (const char* name : {"gone", "dir", "x.txt", "big", "m.msg", "locked", "any", "stopped",
                             "none", "long", "https", "http", "magazine"}) {
        form->openMessageFile(std::filesystem::path(name));
        EXPECT_TRUE(view.runPosted()) << name;
    }
    EXPECT_EQ(opened(), Texts({u"https://s/"}));
    EXPECT_EQ(view.texts[Control::MagazineId], u"0001234567");  // shown, not opened
}

TEST_F(FormTest, SeveralMessagesAreAskedAboutOnceAndNothingOpensInAQuestionOrAfterTheClose) {
    using message::Scheme;
    message::FileReading mailbox{.mailbox = true};
    for (int i = 0; i < 12; ++i) {
        mailbox.messages.push_back(
            {.unsubscribe = {{Scheme::Https, std::u16string(u"https://s/") + char16_t(u'a' + i)}}});
    }
    mailbox.messages[1] = {.magazine = {{Melma, u"00000042"}}};
    mailbox.messages[2] = {.unsubscribe = {{Scheme::Http, u"http://h/"}}};
    mailbox.messages[3] = {};
    mailbox.messages.push_back({.problem = message::Problem::NotAMessage});
    reader.files["mbox"] = mailbox;
    EXPECT_CALL(view, inform(Says(u"「/m/mbox」の 1 通のメールは読めませんでした。")));
    EXPECT_CALL(view,
                askYesNo(Says(u"12 通のメールの配信を停止します。\nhttps://s\n"
                              u"melmaの ID 00000042 の解除ページ\nhttp://h\n（停止する方法なし）\n"
                              u"https://s\nhttps://s\nhttps://s\nhttps://s\nhttps://s\n"
                              u"https://s\nほか 2 通\nよろしいですか？")))
        .WillOnce(Return(true));
    EXPECT_CALL(view, askYesNo(Mentions(u"暗号化されていない"))).WillOnce(Return(false));
    TestDrop drop(DropContents{.offered = {.files = true}, .paths = {"/m/mbox"}});
    form->dropped(Control::MagazineId, drop);
    EXPECT_TRUE(view.runPosted());
    EXPECT_EQ(opened().size(), 10u);  // the magazine's page, and nine https pages
    // A read that a newer one or the close overtook opens nothing.
    std::size_t waiting = 0;
    for (const char* name : {"one", "two"}) {
        reader.files[name].messages = {
            {.unsubscribe = {{Scheme::Https, u"https://s/" + nolvetta::text::fromUtf8(name)}}}};
        TestDrop later(DropContents{.offered = {.files = true}, .paths = {name}});
        form->dropped(Control::MagazineId, later);
        std::unique_lock lock(view.mutex);  // read, and waiting to act
        view.posted.wait(lock, [&] { return view.tasks.size() > waiting; });
        ++waiting;
    }
    while (view.runPosted(std::chrono::seconds(0))) {
    }
    EXPECT_EQ(opened(), Texts({u"https://s/two"}));
    // A pop-up that fails is told, and closes all the same; a reading that
    // comes while a question is open waits for its answer.
    EXPECT_CALL(view, popUp(Menu::ServiceMenu, _, _))
        .WillOnce(::testing::Throw(std::runtime_error("broken")));
    EXPECT_CALL(view,
                inform(Says(u"思わぬエラーのため、操作を最後まで行えませんでした。\nbroken")));
    form->clicked(Control::ServiceFrame);
    TestDrop one(DropContents{.offered = {.files = true}, .paths = {"one"}});
    form->dropped(Control::MagazineId, one);
    {
        std::unique_lock lock(view.mutex);
        view.posted.wait(lock, [&] { return !view.tasks.empty(); });
    }
    form->keyDown(Control::DeletionAddress, Key::Enter);
    EXPECT_CALL(view, askYesNo(Mentions(u"を削除します"))).WillOnce([&](std::u16string_view) {
        while (view.runPosted(std::chrono::seconds(0))) {  // the box's own loop
        }
        EXPECT_EQ(opened(), Texts());
        // Nor is anything dropped, and a close comes after the answer.
        EXPECT_FALSE(form->takesDrop(Control::MagazineId, {.text = true}) || form->mayClose());
        return false;
    });
    form->clicked(Control::DeleteAddress);
    while (view.runPosted(std::chrono::seconds(0))) {
    }
    EXPECT_EQ(opened(), Texts({u"https://s/one"}));
    EXPECT_EQ(view.closes, 1);
    drop.paths = {"/m/one"};
    drop.asked.clear();
    form->dropped(Control::MagazineId, drop);
    form->close();
    view.runPosted(std::chrono::seconds(0));
    EXPECT_EQ(opened(), Texts());
}

TEST_F(FormTest, EnterAddsToBothListsAndDeleteAsksForTheFirstEqualEntry) {
    // Already there, blank, or not to be read back from the file, it is not
    // added; blanks around it are no part of it.
    const struct {
        std::u16string typed;
        bool refused = false;
    } typed[] = {
        {u"a@x"},         {u"b@x"},          {u"a@x"},     {u"x😀@x", true}, {u"x\"y,z@x", true},
        {u"a,\"b", true}, {u" \u3000c@x\t"}, {u" \u3000 "}};
    for (const auto& [address, refused] : typed) {
        view.texts[Control::DeletionAddress] = address;
        EXPECT_CALL(view, inform(Mentions(address))).Times(refused ? 1 : 0);
        form->keyDown(Control::DeletionAddress, Key::Enter);
        form->keyDown(Control::DeletionAddress, Key::Other);
    }
    EXPECT_EQ(view.list(Control::RegistrationAddress), Texts({u"a@x", u"b@x", u"c@x"}));
    view.texts[Control::DeletionAddress] = u"\tc@x ";
    view.selected.reset();
    form->keyDown(Control::DeletionAddress, Key::Enter);
    EXPECT_EQ(view.texts[Control::DeletionAddress], u"c@x");  // as kept, and typing replaces it
    EXPECT_EQ(view.selected, Control::DeletionAddress);

    // After a deletion the field shows the entry in its place, or the one before.
    view.texts[Control::DeletionAddress] = u"b@x";
    EXPECT_CALL(view, askYesNo(Says(u"b@x を削除します\r\nよろしいですか？")))
        .WillOnce(Return(false))
        .WillOnce(Return(true));
    form->clicked(Control::DeleteAddress);
    EXPECT_EQ(view.list(Control::RegistrationAddress), Texts({u"a@x", u"b@x", u"c@x"}));
    form->clicked(Control::DeleteAddress);
    EXPECT_EQ(view.texts[Control::DeletionAddress], u"c@x");
    view.texts[Control::DeletionAddress] = u" c@x";
    EXPECT_CALL(view, askYesNo(Says(u"c@x を削除します\r\nよろしいですか？")))
        .WillOnce(Return(true));
    form->clicked(Control::DeleteAddress);
    EXPECT_EQ(view.texts[Control::DeletionAddress], u"a@x");
    view.texts[Control::DeletionAddress] = u"nobody@x";
    form->clicked(Control::DeleteAddress);  // no equal entry: no question
    EXPECT_EQ(view.list(Control::DeletionAddress), Texts({u"a@x"}));
    EXPECT_EQ(view.list(Control::RegistrationAddress), Texts({u"a@x"}));  // gone from both
    reopen();
    EXPECT_EQ(view.list(Control::RegistrationAddress), Texts({u"a@x"}));
    EXPECT_CALL(view, askYesNo(_)).WillOnce(Return(true));
    form->clicked(Control::DeleteAddress);
    EXPECT_EQ(view.texts[Control::DeletionAddress], u"");
}

TEST_F(FormTest, AlwaysOnTopFollowsItsEntryIsRememberedAndSaysWhenItCannot) {
    EXPECT_TRUE(view.checked[Menu::AlwaysOnTop] && view.topMost && view.shown);  // at a first start
    form->menuChosen(Menu::AlwaysOnTop);
    EXPECT_FALSE(view.checked[Menu::AlwaysOnTop] || view.topMost);
    form->menuChosen(Menu::AlwaysOnTop);
    form->menuChosen(Menu::AlwaysOnTop);
    reopen();
    EXPECT_EQ(readBytes(folder / "nolvetta1.dat"), "False\r\n");
    EXPECT_FALSE(view.checked[Menu::AlwaysOnTop] || view.topMost);
    view.canStayOnTop = false;
    EXPECT_CALL(view, inform(Says(captions::CannotStayOnTop))).Times(2);
    form->menuChosen(Menu::AlwaysOnTop);  // the check mark says what was asked
    EXPECT_TRUE(view.checked[Menu::AlwaysOnTop]);
    reopen();  // at start it says what the window does
    EXPECT_FALSE(view.checked[Menu::AlwaysOnTop]);
}

// Each page and mail that leaves a newsletter goes into the record with what
// it leaves and for which address; nothing else does.
TEST_F(FormTest, EveryWayOutIsRecordedForTheAddressItWasFor) {
    using message::Scheme;
    reader.data["data:From: a\r\n"] = {
        .unsubscribe = {{Scheme::Https, u"https://s/"}},
        .envelope = {.listId = u"news.example", .recipients = {u"x@y", u"a+b@x"}}};
    form->keyDown(Control::DeletionAddress, Key::Enter);  // the address is the user's
    form->clicked(Control::Unsubscribe);
    form->clicked(Control::Subscribe);  // subscribing leaves nothing
    form->menuChosen(Menu::MelmaService);
    form->clicked(Control::CancelServiceNews);
    form->menuChosen(Menu::CancelWeeklyMag2);
    form->clicked(Control::ShopNewsCancel);
    TestDrop drop(DropContents{.offered = {.message = true}, .bytes = "From: a\r\n"});
    form->dropped(Control::MagazineId, drop);
    const struct {
        nolvetta::store::LeaveWay way;
        std::u16string newsletter, address;
    } expected[] = {
        {nolvetta::store::LeaveWay::Page, u"mag2:0000000005", u"a+b@x"},
        {nolvetta::store::LeaveWay::Page, u"melma:00000001", u"a+b@x"},
        {nolvetta::store::LeaveWay::Page, u"melma:00012820", u"a+b@x"},
        {nolvetta::store::LeaveWay::Page, u"mag2:weekly", u"a+b@x"},
        {nolvetta::store::LeaveWay::Page, u"mall:news", u"a+b@x"},
        {nolvetta::store::LeaveWay::Https, u"list:news.example", u"a+b@x"},  // the user's
    };
    const Texts pages = opened();
    std::vector<nolvetta::store::LeaveEntry> record;
    nolvetta::store::readRecord(folder / nolvetta::store::RecordFileName,
                                [&](auto&& entry) { record.push_back(std::move(entry)); });
    ASSERT_EQ(record.size(), std::size(expected));
    const auto now = std::chrono::system_clock::now().time_since_epoch() / std::chrono::seconds(1);
    for (std::size_t i = 0; i < record.size(); ++i) {
        EXPECT_TRUE(record[i].way == expected[i].way &&
                    record[i].newsletter == expected[i].newsletter &&
                    record[i].address == expected[i].address)
            << i;
        EXPECT_NEAR(double(record[i].at), double(now), 60);
        EXPECT_EQ(record[i].opened, pages[i + 1 - (i == 0)]) << i;  // the subscription's page aside
    }
}

// A box shows a long line's two ends; the log keeps it whole.
TEST(Form1, ABoxShortensEachLongLineInItsMiddle) {
    const std::u16string a(100, u'a'), b(100, u'b');
    const std::pair<std::u16string, std::u16string> cases[] = {
        {a + u"x" + b, a + u"…" + b},
        {u"1\n" + a + u"xyz" + b + u"\n\n" + a + b + u"\n",  // 200 characters stay whole
         u"1\n" + a + u"…" + b + u"\n\n" + a + b + u"\n"},
    };
    for (const auto& [text, shown] : cases) {
        EXPECT_EQ(Form1::shortened(text), shown);
    }
}

struct TestListView : nolvetta::form::ListView {
    void setScanning(bool on) override { scanning = on; }
    void setProgress(std::uint64_t, std::uint64_t) override {}
    void setStatus(std::u16string_view text) override { status = text; }
    void rowsChanged() override {}
    MOCK_METHOD(void, inform, (std::u16string_view), (override));
    MOCK_METHOD(bool, askYesNo, (std::u16string_view), (override));
    MOCK_METHOD(std::optional<Password>, askPassword, (std::u16string_view), (override));
    void post(std::function<void()> task) override { view->post(std::move(task)); }
    TestView* view;
    bool scanning = false;
    std::u16string status;
};

// The rows' way out, each for the address its latest message reached, after
// one question; what cannot open is said, http is asked about.
TEST_F(FormTest, TheListLeavesEachChosenNewsletterItsOwnWay) {
    using message::Scheme;
    using nolvetta::form::NewsletterList;
    const auto news = [](std::u16string sender, std::int64_t date, message::Reading r) {
        r.envelope.senderAddress = sender;
        r.envelope.date = date;
        r.envelope.recipients = {u"r@x", u"me@x"};
        return r;
    };
    auto& box = reader.files["box"].messages;
    box = {news(u"a@x", 5, {.magazine = {{Mag2, u"0001234567"}}}),
           news(u"b@x", 4, {.unsubscribe = {{Scheme::Https, u"https://b/"}}}),
           news(u"c@x", 3, {.unsubscribe = {{Scheme::Http, u"http://c/"}}}),
           news(u"d@x", 2, {.unsubscribe = {{Scheme::Mailto, u"mailto:d@x"}}}),
           news(u"e@x", 1, {.magazine = {{Melma, u"!abc"}}}),
           {.problem = message::Problem::NotAMessage}};
    box.push_back(box[1]);
    // A later message on the same list leads elsewhere: the row is asked about on its own.
    for (const auto& [sender, way] :
         {std::pair(u"f@news.example", u"https://news.example/u?1"),
          std::pair(u"x@evil.example", u"https://evil.example/steal")}) {
        box.push_back(
            news(sender, 6 + (sender[0] == u'x'), {.unsubscribe = {{Scheme::Https, way}}}));
        box.back().envelope.listId = u"l";
    }
    box[3].envelope.recipients = {u"r@x"};
    nolvetta::testsupport::writeBytes(folder / "box", "");
    view.texts[Control::DeletionAddress] = u"me@x";
    form->keyDown(Control::DeletionAddress, Key::Enter);
    ::testing::StrictMock<TestListView> listView;
    listView.view = &view;
    NewsletterList list(listView, *form, reader, folder / "home", folder / "home", folder / "home");
    list.scan({folder / "box", folder / "gone"});
    EXPECT_TRUE(listView.scanning);
    ASSERT_TRUE(view.runPosted());
    EXPECT_EQ(listView.status, u"6 件のメルマガ（9 通のメールから）　「" +
                                   nolvetta::text::pathText(folder / "gone") +
                                   u"」が見つかりません");
    list.sortBy(NewsletterList::Column::Latest, true);
    EXPECT_CALL(listView,
                askYesNo(Says(u"5 件のメルマガの配信を停止します。\nブラウザで 4 ページ、"
                              u"メールソフトで 1 通を開きます。\ne@x: melma ID !abc\nd@x: "
                              u"メール d@x\nc@x: http://c\nb@x: https://b\na@x: まぐまぐ ID "
                              u"0001234567\nよろしいですか？")))
        .WillOnce(Return(true));
    EXPECT_CALL(
        listView,
        askYesNo(Says(u"x@evil.example のメルマガのメールは、配信停止の先か差出人のドメイン"
                      u"がメールによって異なります。ほかの差出人のメールが混じっているかも"
                      u"しれません。\nnews.example から: https://news.example\nevil.example "
                      u"から: https://evil.example\n最新のメールの先を開きますか？\n"
                      u"https://evil.example")))
        .WillOnce(Return(false));
    EXPECT_CALL(listView,
                inform(Says(u"e@x のメルマガの ID !abc が不正なため、解除ページを開けません。")));
    EXPECT_CALL(listView, askYesNo(Mentions(u"http://c/"))).WillOnce(Return(false));
    ::testing::internal::CaptureStderr();
    list.leave({0, 1, 2, 3, 4, 5, 9});
    const std::string log = ::testing::internal::GetCapturedStderr();
    for (const char* said :
         {"を開きます。 e@x: melma", "が不正なため", "http://c/", "evil.example"}) {
        EXPECT_NE(log.find(said), std::string::npos) << said;
    }
    EXPECT_EQ(list.cell(5, NewsletterList::Column::Way), u"https（メールによって異なる）");
    EXPECT_EQ(browser.mailed, Texts({u"mailto:d@x"}));
    EXPECT_EQ(opened(),
              Texts({u"https://b/", url(Mag2DeliveryBase, u"/reader/D?id=0001234567&e=me@x")}));
    EXPECT_EQ(list.cell(4, NewsletterList::Column::Left).substr(0, 3), u"解除 ");
    // The status counts the rows the filter shows; the way out is looked in
    // too, letter case aside.
    for (const auto& [filter, status] :
         {std::pair(u"zz", u"6 件のメルマガのうち 0 件を表示（9"),
          {u"", u"6 件のメルマガ（9"},
          {u"MAIL", u"6 件のメルマガのうち 1 件を表示（9 通のメールから）　「"}}) {
        list.setFilter(filter);
        EXPECT_EQ(listView.status.substr(0, std::u16string_view(status).size()), status);
    }
    EXPECT_EQ(list.rowCount(), 1u);
    EXPECT_EQ(list.row(0).reaches, u"r@x");  // the first it reached, none being the user's
    nolvetta::testsupport::writeBytes(folder / "slow", "");
    list.scan({folder / "slow"});
    list.cancel();
    while (view.runPosted() && listView.scanning) {
    }
    EXPECT_EQ(listView.status,
              u"0 件のメルマガのうち 0 件を表示（0 通のメールから）（中止しました）");
}

// Centred on the screen's free part, and smaller where it must be, its frame
// on the screen too.
TEST(ListWindow, OpensWhollyOnItsScreen) {
    using nolvetta::form::Box, nolvetta::form::fitOnScreen;
    const nolvetta::form::Margins frame{4, 24, 4, 4};
    EXPECT_EQ(fitOnScreen(1080, 540, {0, 0, 1280, 800}, frame), (Box{100, 140, 1080, 540}));
    // At twice the scale, under a panel; on a second screen.
    EXPECT_EQ(fitOnScreen(1080, 540, {0, 30, 640, 370}, frame), (Box{4, 54, 632, 342}));
    EXPECT_EQ(fitOnScreen(1080, 540, {1280, 0, 400, 300}, {}), (Box{1280, 0, 400, 300}));
}

// Both systems' programs start from the same reading of their arguments.
TEST(CommandLine, OptionsAndPathsAreReadAlikeEverywhere) {
    const std::pair<std::vector<std::filesystem::path>, std::string> cases[] = {
        {{}, "|"},
        {{"a.eml", "b.eml"}, "/w/a.eml /w/b.eml |/w/a.eml"},
        {{"--list", "--tsv", "/m/Mail", "Local"}, "--list --tsv /m/Mail /w/Local |"},
        {{"--tsv", "x.eml"}, "--tsv /w/x.eml |/w/x.eml"},
        {{"--", "--list", "-x"}, "/w/--list /w/-x |/w/--list"},
        {{"--list", "-v", "--help", "-", "--", "--tsv"}, "--list /w/--tsv | -v --help"},
    };
    for (const auto& [arguments, expected] : cases) {
        const CommandLine line = commandLineOf(arguments, "/w");
        std::string read = std::string(line.list ? "--list " : "") + (line.tsv ? "--tsv " : "");
        for (const std::filesystem::path& path : line.paths) {
            read += path.generic_string() + " ";
        }
        read += "|" + line.messageFile().generic_string();
        for (const std::filesystem::path& option : line.others) {
            read += " " + option.generic_string();
        }
        EXPECT_EQ(read, expected);
    }
}

// ---- Leaving by one request, against an HTTPS server of the test's own
// (Linux: the Windows build sends none yet)
#ifndef _WIN32
#include "dkim_signer.h"
#include "https_server.h"

namespace {

// The server every request trusts, through SSL_CERT_FILE for the whole run.
nolvetta::testsupport::HttpsServer& oneClickServer() {
    static nolvetta::testsupport::HttpsServer server;
    static const bool trusting = setenv("SSL_CERT_FILE", server.caFile().c_str(), 1) == 0;
    EXPECT_TRUE(trusting);
    server.forget();
    return server;
}

const std::vector<const char*> BothFields = {"From", "List-Unsubscribe", "List-Unsubscribe-Post"};

// A newsletter from `sender` that asks to be left by one request to `address`.
std::string signedNewsletter(const std::string& sender, const std::string& address,
                             const std::vector<const char*>& fields = BothFields) {
    return nolvetta::testsupport::dkimSigned(
        "From: " + sender + " <" + sender + "@news.example.jp>\nTo: me@x\nSubject: s\nMessage-ID: <" + sender +
            "@x>\nList-Unsubscribe: <" + address +
            ">\nList-Unsubscribe-Post: List-Unsubscribe=One-Click\n\nBody\n",
        NOLVETTA_DKIM_DATA "/signer.pem", fields);
}

}  // namespace

// Dropped, it is asked about once its signature is known; given from
// outside, that question is the only one.
TEST_F(FormTest, ASignedNewsletterLeavesByOneRequestOnlyOnceAskedElseByItsPage) {
    auto& server = oneClickServer();
    const struct {
        const char* path;
        std::vector<const char*> signedFields;
        bool on = true, outside = false;
        std::optional<bool> sendIt;       // the one-click question, when it comes
        std::optional<bool> pageInstead;  // the question after a failed request
        const char16_t* reason = u"";
        std::size_t posts = 0;
        bool pageOpened = false;
    } cases[] = {
        {"/ok", BothFields, true, false, true, {}, u"", 1, false},
        {"/ok", BothFields, true, true, true, {}, u"", 1, false},
        {"/ok", BothFields, true, false, false, {}, u"", 0, false},
        {"/ok", {"From", "List-Unsubscribe"}, true, false, {}, {}, u"", 0, true},
        {"/ok", {"From", "List-Unsubscribe"}, true, true, {}, true, u"配信を停止します", 0, true},
        {"/ok", BothFields, false, false, {}, {}, u"", 0, true},
        {"/fail", BothFields, true, false, true, true, u"500", 1, true},
        {"/moved", BothFields, true, false, true, false, u"302", 1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path + std::to_string(&c - cases));
        server.forget();
        const std::string address = server.url(c.path);
        const std::string bytes =
            signedNewsletter("N" + std::to_string(&c - cases), address, c.signedFields);
        form->leaving().oneClick = {c.on, {NOLVETTA_DKIM_DATA "/keys.txt"}};
        if (c.sendIt) {
            EXPECT_CALL(view, askYesNo(Mentions(u"解除のリクエストを送ります")))
                .WillOnce(Return(*c.sendIt));
        }
        if (c.pageInstead) {
            EXPECT_CALL(view, askYesNo(Mentions(c.reason))).WillOnce(Return(*c.pageInstead));
        } else if (c.posts > 0) {
            EXPECT_CALL(view, inform(Mentions(u"受け付けられました")));
        }
        if (c.outside) {
            nolvetta::testsupport::writeBytes(folder / "n.eml", bytes);
            reader.files["n.eml"] = message::readMailFile(folder / "n.eml");
            form->openMessageFile(folder / "n.eml");
        } else {
            reader.data["data:" + bytes] = message::readMessage(bytes);
            TestDrop drop(DropContents{.offered = {.message = true}, .bytes = bytes});
            form->dropped(Control::MagazineId, drop);
        }
        // The file read, the signature checked, then the request answered.
        for (int task = 0; task < c.outside + c.on + (c.sendIt == true); ++task) {
            EXPECT_TRUE(view.runPosted());
        }
        while (view.runPosted(std::chrono::seconds(0))) {
        }
        ASSERT_EQ(server.requests().size(), c.posts);
        EXPECT_EQ(opened(), c.pageOpened ? Texts{nolvetta::text::fromUtf8(address)} : Texts{});
        const std::string record = readBytes(folder / nolvetta::store::RecordFileName);
        EXPECT_EQ(record.find("\tone-click\t") != std::string::npos,
                  c.posts == 1 && !c.pageInstead && c.path == std::string("/ok"));
        std::filesystem::remove(folder / nolvetta::store::RecordFileName);
        ::testing::Mock::VerifyAndClearExpectations(&view);
    }
}

// One question names which rows leave by one request and where to; what
// was not answered 2xx is offered its page, with the reason.
TEST_F(FormTest, TheListSendsOneRequestForEachSignedNewsletterAndOffersThePageOfAFailure) {
    using nolvetta::form::NewsletterList;
    auto& server = oneClickServer();
    nolvetta::testsupport::writeBytes(
        folder / "box",
        "From n Tue Dec  1 00:00:00 2026\n" + signedNewsletter("a", server.url("/ok")) +
            "\nFrom n Tue Dec  1 00:00:00 2026\n" + signedNewsletter("b", server.url("/fail")) +
            "\nFrom n Tue Dec  1 00:00:00 2026\n" +
            signedNewsletter("c", server.url("/ok"), {"From", "List-Unsubscribe"}));
    reader.files["box"] = message::readMailFile(folder / "box");
    form->leaving().oneClick.keys = {NOLVETTA_DKIM_DATA "/keys.txt"};
    ::testing::StrictMock<TestListView> listView;
    listView.view = &view;
    NewsletterList list(listView, *form, reader, folder / "home", folder / "home", folder / "home");
    list.scan({folder / "box"});
    ASSERT_TRUE(view.runPosted());
    list.sortBy(NewsletterList::Column::Sender, true);
    const std::u16string host = nolvetta::text::fromUtf8(server.url(""));
    EXPECT_CALL(
        listView,
        askYesNo(Says(u"3 件のメルマガの配信を停止します。\n2 件は Nolvetta が解除のリクエスト"
                      u"を送ります（ページは開きません）。ブラウザで 1 ページ、メールソフト"
                      u"で 0 通を開きます。\na: 解除のリクエスト → " +
                      host +
                      u"\nb: "
                      u"解除のリクエスト → " +
                      host + u"\nc: " + host + u"\nよろしいですか？")))
        .WillOnce(Return(true));
    EXPECT_CALL(listView,
                askYesNo(Says(u"1 件のメルマガは解除のリクエストが届きませんでした。\nb: " + host +
                              u" サーバーがエラー 500 を返しました。\nそれぞれの"
                              u"配信停止のページをブラウザで開きますか？")))
        .WillOnce(Return(true));
    list.leave({0, 1, 2});
    EXPECT_TRUE(view.runPosted());  // the signatures checked
    while (view.runPosted() && listView.scanning) {  // the requests answered
    }
    EXPECT_EQ(server.requests().size(), 2u);
    EXPECT_EQ(opened(), Texts({nolvetta::text::fromUtf8(server.url("/ok")),
                               nolvetta::text::fromUtf8(server.url("/fail"))}));
    const std::string record = readBytes(folder / nolvetta::store::RecordFileName);
    EXPECT_NE(record.find("\tone-click\tfrom:a@"), std::string::npos) << record;
    EXPECT_EQ(list.cell(0, NewsletterList::Column::Left).substr(0, 3), u"解除 ");
    EXPECT_EQ(listView.status, u"1 件のメルマガに解除のリクエストを送りました。");
}
#endif
