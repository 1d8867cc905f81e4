// The window's behaviour, driven as each toolkit's window drives it, with a
// view that records what it is told to show, a launcher that records what it
// is asked to open, and real data files in a folder of their own.
#include "form/form1.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "form/captions.h"
#include "form/view.h"
#include "launcher/launcher.h"
#include "message/reader.h"
#include "requests/endpoints.h"
#include "scratch.h"

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
        lists[list] = &e;
        counts[list] = e.size();
    }
    // Each change is told, and only after it was made.
    void entryAdded(Control list) override { EXPECT_EQ(++counts[list], lists[list]->size()); }
    void entryRemoved(Control list, std::size_t i) override {
        EXPECT_LT(i, counts[list]);
        EXPECT_EQ(--counts[list], lists[list]->size());
    }
    Texts list(Control list) const {
        return Texts(lists.at(list)->begin(), lists.at(list)->end());
    }
    void setChecked(Menu m, bool on) override { checked[m] = on; }
    void setVisible(Menu m, bool on) override { visible[m] = on; }
    MOCK_METHOD(std::optional<Menu>, popUp, (Menu), (override));
    MOCK_METHOD(void, inform, (std::u16string_view), (override));
    MOCK_METHOD(bool, askYesNo, (std::u16string_view), (override));
    void dismissMessages() override {}
    void setClipboard(std::u16string_view t) override { clipboard = t; }
    bool setTopMost(bool onTop) override {
        topMost = onTop;
        return onTop ? canStayOnTop : true;
    }
    void showWindow() override { shown = true; }

    std::map<Control, std::u16string> texts;
    std::map<Control, const nolvetta::store::AddressList*> lists;
    std::map<Control, std::size_t> counts;
    std::map<Menu, bool> checked, visible;
    std::optional<Control> selected;
    std::u16string clipboard;
    bool topMost = false, canStayOnTop = true, shown = false;
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
        asked.push_back(std::string(origin == message::Origin::DroppedText ? "text:" : "data:") +
                        std::string(bytes));
        return readings[asked.back()];
    }
    message::Reading readFile(const std::filesystem::path& file) override {
        asked.push_back("file:" + file.filename().string());
        return readings[asked.back()];
    }
    std::map<std::string, message::Reading> readings;
    std::vector<std::string> asked;
};

class FormTest : public ::testing::Test {
public:
    FormTest() {
        reopen();
        view.texts[Control::Combo1] = u"a+b@x";
        view.texts[Control::Text3] = u"5";
    }
    ~FormTest() override { form->Form_QueryUnload(); }

    // A new window on the same data folder, after the old one closed.
    void reopen() {
        if (form) {
            form->Form_QueryUnload();
        }
        view.texts.clear();
        form = std::make_unique<Form1>(view, browser, reader, folder.path());
        form->Form_Load();
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
    const std::u16string kapuSub =
        url(KapuBase, u"/cgi-bin/mlmg_setma_np.cgi?mgid=5&e_mail=a%2Bb@x");
    const struct {
        std::int16_t service;
        Control control;  // Text3: Enter there; Command5: its left press; else a click
        Texts pages;
        std::u16string idAfter = u"5";
    } cases[] = {
        // clang-format off
        {0, Control::Text3, {Unsub5}}, {1, Control::Command4, {replaced(MelmaBye, u"00000005")}},
        {2, Control::Command1, {kapuSub}},
        {0, Control::Command5, {replaced(Weekly, u"add")}}, {2, Control::Command5, {replaced(KapuNews, u"set")}},
        {1, Control::Command5, {replaced(MelmaAdd, u"00000001"), replaced(MelmaAdd, u"00012820")}, u"12820"},
        {0, Control::Command6, {replaced(Weekly, u"del")}}, {2, Control::Command6, {replaced(KapuNews, u"del")}},
        {1, Control::Command6, {replaced(MelmaBye, u"00000001"), replaced(MelmaBye, u"00012820")}, u"12820"},
        // Services without newsletters of their own open no other service's pages.
        {3, Control::Command5, {}}, {4, Control::Command6, {}},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        form->MERU1_Click(c.service);
        view.texts[Control::Text3] = u"5";
        c.control == Control::Text3      ? form->keyDown(c.control, Key::Enter)
        : c.control == Control::Command5 ? form->Command5_MouseDown(MouseButton::Left)
                                         : form->clicked(c.control);
        EXPECT_EQ(opened(), c.pages);
        EXPECT_EQ(view.texts[Control::Text3], c.idAfter);
    }
    form->clicked(Control::Command5);  // 自動配信登録 acts on a left press, Enter and Space only
    form->Command5_MouseDown(MouseButton::Middle);
    form->keyDown(Control::Command5, Key::Other);
    EXPECT_EQ(opened(), Texts());
    form->MERU1_Click(1);
    for (Key key : {Key::Enter, Key::Space}) {
        form->keyDown(Control::Command5, key);
    }
    EXPECT_EQ(opened().size(), 4u);
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
        {0, u"12345678901", u"mail ID が不正です\nまぐまぐ の ID は 10 桁までです。"},
        {1, u"123456789", u"mail ID が不正です\nmelma の ID は 8 桁までです。"},
        {2, u"12345678901", url(KapuBase, u"/cgi-bin/mlmg_delma_np.cgi?mgid=12345678901&e_mail=a%2Bb@x")},
        {0, u"", zero + u"まぐまぐ の ID は 10 桁までです。"}, {0, u"0.0", zero + u"まぐまぐ の ID は 10 桁までです。"},
        {2, u"abc", zero}, {0, u"5", std::u16string(captions::NoDeletionAddress), u"5", u""},
        {0, u"5", std::u16string(captions::NoDeletionAddress), u"5", u" \u3000"},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        form->MERU1_Click(c.service);
        view.texts[Control::Text3] = c.id;
        view.texts[Control::Combo1] = c.address;
        const bool page = c.pageOrMessage.starts_with(u"https:");
        EXPECT_CALL(view, inform(Says(c.pageOrMessage))).Times(page ? 0 : 1);
        form->clicked(Control::Command4);
        EXPECT_EQ(opened(), page ? Texts{c.pageOrMessage} : Texts{});
        EXPECT_EQ(view.texts[Control::Text3], c.idShown);
    }
    view.texts[Control::Combo1] = u"";  // every page for the deletion address asks for it
    EXPECT_CALL(view, inform(Says(captions::NoDeletionAddress))).Times(5);
    for (Control button :
         {Control::Command1, Control::Command6, Control::Command2, Control::Command8}) {
        form->clicked(button);
    }
    form->Command5_MouseDown(MouseButton::Left);
    EXPECT_EQ(opened(), Texts());
}

TEST_F(FormTest, ChangeChecksBothAddressesFirstAndAFailedStartEndsIt) {
    const std::u16string sub =
        url(Mag2RegistrationBase,
            u"/reader/Magrdadd?MfcISAPICommand=MagRdAdd&rdemail=c@x&magid=0000000005");
    EXPECT_CALL(view, inform(Says(captions::NoRegistrationAddress)));
    form->clicked(Control::Command8);  // the registration box still shows only its hint
    view.texts[Control::Combo2] = u"c@x";
    form->clicked(Control::Command8);
    EXPECT_EQ(opened(), Texts({Unsub5, sub}));
    view.texts[Control::Text3] = u"0";  // the ID is looked at by both steps
    EXPECT_CALL(view, inform(Mentions(captions::InvalidId))).Times(2);
    form->clicked(Control::Command8);
    view.texts[Control::Text3] = u"5";
    browser.failing = true;
    EXPECT_CALL(view, inform(Says(u"ブラウザを起動できません\n/stand-in \n" + Unsub5)));
    form->clicked(Control::Command8);  // two pages: the second is not tried
    EXPECT_EQ(opened(), Texts({Unsub5}));
}

TEST_F(FormTest, ThePopUpsSelectAServiceOrCancelOneOfItsNewsletters) {
    EXPECT_CALL(view, popUp(Menu::mn0_1))
        .WillOnce(Return(Menu::MERU1_1))
        .WillOnce(Return(std::nullopt));
    form->clicked(Control::Frame2);
    form->keyDown(Control::Frame2, Key::Menu);  // dismissed: nothing changes
    form->keyDown(Control::Frame2, Key::Other);
    EXPECT_EQ(view.texts[Control::Frame2], u"melma");
    EXPECT_EQ(view.checked, (std::map<Menu, bool>{{Menu::mn2_0, true},
                                                  {Menu::MERU1_0, false},
                                                  {Menu::MERU1_1, true},
                                                  {Menu::MERU1_2, false},
                                                  {Menu::MERU1_3, false},
                                                  {Menu::MERU1_4, false}}));
    EXPECT_CALL(view, popUp(Menu::mn1_1)).WillOnce(Return(Menu::kaijo1_1));
    form->keyDown(Control::Command5, Key::Menu);
    form->keyDown(Control::Command5, Key::Menu, true);  // a key held down acts once
    form->menuChosen(Menu::kaijo0);  // another service's entries leave melma selected
    form->menuChosen(Menu::kaijo2);
    form->MERU1_Click(3);
    form->Command5_MouseDown(MouseButton::Right);  // no newsletters, no menu
    EXPECT_EQ(opened(), Texts({replaced(MelmaBye, u"00012820"), replaced(Weekly, u"del"),
                               replaced(KapuNews, u"del")}));
    EXPECT_EQ(view.texts[Control::Frame2], u"ティアオンライン");
    EXPECT_EQ(form->serviceIndex(), 3);
}

TEST_F(FormTest, TheShopFrameOpensItsPagesAndTakesDroppedAddresses) {
    const std::u16string prefix = url(ShopMallBase, u"/");
    view.texts[Control::Text2] = url(ShopMallBase, u"/***/news.html");
    form->keyDown(Control::Text2, Key::Enter);  // the sample ends in news.html already
    form->clicked(Control::Command2);
    const std::u16string dropped =
        u"ご注文\r\n商品: " + prefix + u"myshop/item/123/ です\r\n" + prefix + u"b/\r\n";
    for (std::u16string_view text :
         {std::u16string_view(dropped), std::u16string_view(u"no shop here")}) {
        form->dropped(Control::Text2, {{.text = true}, text, {}});
    }
    EXPECT_EQ(view.texts[Control::Text2], prefix + u"myshop/");
    form->clicked(Control::Command7);
    EXPECT_EQ(opened(), Texts({url(ShopMallBase, u"/***/news.html"),
                               url(ShopMallBase, u"/rakuten_news/n.cgi?a%2Bb@x"),
                               prefix + u"myshop/news.html"}));
    EXPECT_EQ(view.clipboard, u"a+b@x");
    browser.failing = true;  // no page, nothing on the clipboard
    view.clipboard.clear();
    EXPECT_CALL(view, inform(Mentions(u"ブラウザを起動できません")));
    form->clicked(Control::Command7);
    EXPECT_EQ(view.clipboard, u"");
}

TEST_F(FormTest, ANewsletterDropSelectsItsServiceAndUnsubscribesAtOnce) {
    form->MERU1_Click(2);
    const auto dropText = [&](std::u16string_view text) {
        form->dropped(Control::Text3, {{.text = true}, text, {}});
    };
    dropText(u"こんにちは\r\nmag2 ID:0000000009\r\n");  // not on the first line
    EXPECT_EQ(view.texts[Control::Frame2] + view.texts[Control::Text3], u"カプライト5");
    dropText(u"配信 mag2 ID:0001234567 発行\r\n本文 melma00012345\r\n");
    EXPECT_EQ(view.texts[Control::Frame2] + view.texts[Control::Text3], u"まぐまぐ0001234567");
    EXPECT_EQ(opened(), Texts({url(Mag2DeliveryBase, u"/reader/D?id=0001234567&e=a%2Bb@x")}));
    EXPECT_CALL(view, inform(Mentions(captions::InvalidId)));
    dropText(u"melma!ニュース\r\n");
    EXPECT_EQ(view.texts[Control::Frame2], u"melma");
    form->gotFocus(Control::Text3);  // the focus selects the whole ID
    EXPECT_EQ(view.selected, Control::Text3);
}

// Which drops each control takes, and what a whole message leads to.
TEST_F(FormTest, AWholeMessageOpensItsOneWayOutWhateverFormItCameIn) {
    const std::vector<std::filesystem::path> files = {"/a.png", "/b/news.EML"};
    const struct {
        Control control;
        DropOffer offer;
        bool taken;
    } offers[] = {
        {Control::Text3, {.text = true}, true},    {Control::Text3, {.message = true}, true},
        {Control::Text3, {.files = files}, true},  {Control::Text3, {.files = {"/a.png"}}, false},
        {Control::Text2, {.text = true}, true},    {Control::Text2, {.message = true}, false},
        {Control::Text2, {.files = files}, false}, {Control::Combo1, {.text = true}, false},
    };
    for (const auto& o : offers) {
        EXPECT_EQ(form->takesDrop(o.control, o.offer), o.taken) << &o - offers;
    }
    using message::Problem;
    using message::Scheme;
    const auto ways = [](std::vector<message::Address> addresses) {
        return message::Reading{.unsubscribe = std::move(addresses)};
    };
    const auto problem = [](Problem p) {
        return message::Reading{.problem = p,
                                .cause = make_error_code(std::errc::permission_denied)};
    };
    reader.readings = {
        // clang-format off
        {"data:m", {.magazine = {{Melma, u"00000042"}}}},
        {"file:news.EML", ways({{Scheme::Http, u"http://h/"}, {Scheme::Https, u"https://s/"}})},
        {"text:From: a\r\n\r\nbody", ways({{Scheme::Mailto, u"mailto:m@x"}})},
        {"file:http.eml", ways({{Scheme::Http, u"http://h/"}})}, {"file:none.eml", {}},
        {"file:big.eml", problem(Problem::TooLarge)}, {"file:x.txt", problem(Problem::NotAMessage)},
        {"file:gone.eml", problem(Problem::Unreadable)}, {"file:any.eml", problem(Problem::Unavailable)},
        // clang-format on
    };
    form->dropped(Control::Text3, {{.message = true}, {}, "m"});
    form->dropped(Control::Text3,
                  {{.text = true, .files = files}, u"mag2 ID:1\r\n", {}});  // the file comes first
    form->dropped(Control::Text3, {{.text = true}, u"From: a\r\n\r\nbody", {}});
    EXPECT_CALL(view, askYesNo(Mentions(u"http のアドレスです。\nhttp://h/\n")))
        .WillOnce(Return(true));
    EXPECT_CALL(view, inform(Says(u"none.eml には、配信を停止する方法が見つかりませんでした。")));
    EXPECT_CALL(view, inform(Says(u"big.eml は 32 MB を超えるため、メールとして読みません。")));
    EXPECT_CALL(view, inform(Says(u"x.txt はメールではありません。")));
    EXPECT_CALL(view,
                inform(Says(u"gone.eml を読み込めませんでした。\nアクセスが許可されていません。")));
    EXPECT_CALL(view, inform(Mentions(u"any.eml を読めません。")));
    for (const char* name : {"http.eml", "none.eml", "big.eml", "x.txt", "gone.eml", "any.eml"}) {
        form->openMessageFile(name);
    }
    EXPECT_EQ(opened(), Texts({replaced(MelmaBye, u"00000042"), u"https://s/", u"http://h/"}));
    EXPECT_EQ(browser.mailed, Texts({u"mailto:m@x"}));
}

TEST_F(FormTest, EnterAddsToBothListsAndDeleteAsksForTheFirstEqualEntry) {
    // Already there, or not to be read back from the file, it is not added.
    for (const char16_t* address : {u"a@x", u"b@x", u"a@x", u"x😀@x", u"x\"y,z@x", u"a,\"b"}) {
        view.texts[Control::Combo1] = address;
        if (address[3] != u'\0' && address[1] != u'@') {
            EXPECT_CALL(view, inform(Mentions(address)));
        }
        form->keyDown(Control::Combo1, Key::Enter);
        form->keyDown(Control::Combo1, Key::Other);
    }
    view.texts[Control::Combo1] = u"a@x";
    EXPECT_CALL(view, askYesNo(Says(u"a@x を削除します\r\nよろしいですか？")))
        .WillOnce(Return(false))
        .WillOnce(Return(true));
    form->clicked(Control::Command3);
    EXPECT_EQ(view.list(Control::Combo2), Texts({u"a@x", u"b@x"}));
    form->clicked(Control::Command3);
    view.texts[Control::Combo1] = u"nobody@x";
    form->clicked(Control::Command3);  // no equal entry: no question
    EXPECT_EQ(view.list(Control::Combo1), Texts({u"b@x"}));
    EXPECT_EQ(view.list(Control::Combo2), Texts({u"b@x"}));  // gone from both
    reopen();
    EXPECT_EQ(view.list(Control::Combo2), Texts({u"b@x"}));
    EXPECT_EQ(view.texts[Control::Combo1], u"b@x");
}

TEST_F(FormTest, TheFileFillsBothListsAndOnlyTheDeletionListIsSaved) {
    std::string file = "one@x\r\n";
    for (int i = 0; i < 40000; ++i) {  // more than a 16-bit index reaches
        file += "u" + std::to_string(i) + "@x\r\n";
    }
    form.reset();  // gone without a save
    nolvetta::testsupport::writeBytes(folder / "nolvetta.dat", file + "last@x\r\n");
    reopen();
    EXPECT_EQ(view.list(Control::Combo2).size(), 40002u);
    EXPECT_EQ(view.texts[Control::Combo1] + view.texts[Control::Combo2], u"one@x");
    view.texts[Control::Combo1] = u"last@x";
    EXPECT_CALL(view, askYesNo).WillOnce(Return(true));
    form->clicked(Control::Command3);
    form->Form_QueryUnload();
    EXPECT_EQ(readBytes(folder / "nolvetta.dat"), file);
}

TEST_F(FormTest, AlwaysOnTopFollowsItsEntryIsRememberedAndSaysWhenItCannot) {
    EXPECT_TRUE(view.checked[Menu::mn2_0] && view.topMost && view.shown);  // at a first start
    EXPECT_EQ(view.visible, (std::map<Menu, bool>{{Menu::MERU1_3, false}, {Menu::MERU1_4, false}}));
    form->menuChosen(Menu::mn2_0);
    EXPECT_FALSE(view.checked[Menu::mn2_0] || view.topMost);
    form->menuChosen(Menu::mn2_0);
    form->menuChosen(Menu::mn2_0);
    reopen();
    EXPECT_EQ(readBytes(folder / "nolvetta1.dat"), "False\r\n");
    EXPECT_FALSE(view.checked[Menu::mn2_0] || view.topMost);
    view.canStayOnTop = false;
    EXPECT_CALL(view, inform(Says(captions::CannotStayOnTop))).Times(2);
    form->menuChosen(Menu::mn2_0);  // the check mark says what was asked
    EXPECT_TRUE(view.checked[Menu::mn2_0]);
    reopen();  // at start it says what the window does
    EXPECT_FALSE(view.checked[Menu::mn2_0]);
}

TEST_F(FormTest, EveryMessageAndQuestionGoesToStandardErrorAndNoneWaitsAtTheEnd) {
    form->MERU1_Click(2);
    view.texts[Control::Text3] = u"0";
    view.texts[Control::Combo1] = u"";
    form->keyDown(Control::Combo1, Key::Enter);
    ::testing::internal::CaptureStderr();
    EXPECT_CALL(view, inform(Mentions(captions::InvalidId)));
    EXPECT_CALL(view, askYesNo(_)).WillOnce(Return(true));
    form->clicked(Control::Command4);
    form->clicked(Control::Command3);
    form->endAttendance();  // nobody answers now: a question is a no
    form->clicked(Control::Command4);
    form->keyDown(Control::Combo1, Key::Enter);
    form->clicked(Control::Command3);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "!Nolvetta: mail ID が不正です メルマガの ID を、0 ではない数字で入れてください。\n"
              "!Nolvetta:  を削除します よろしいですか？\n"
              "!Nolvetta: mail ID が不正です メルマガの ID を、0 ではない数字で入れてください。\n"
              "!Nolvetta:  を削除します よろしいですか？\n");
    EXPECT_EQ(view.list(Control::Combo1), Texts({u""}));
}
