#include <algorithm>
#include <chrono>
#include <tuple>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "scratch.h"
#include "store/codepage.h"
#include "store/data_files.h"
#include "store/program_path.h"
#include "store/safe_save.h"

using namespace nolvetta::store;
using namespace std::literals;
using nolvetta::testsupport::readBytes;
using nolvetta::testsupport::ScratchDirectory;
using nolvetta::testsupport::writeBytes;
namespace fs = std::filesystem;

TEST(store_Cp932, DecodesUpToTheFirstFaultAndEncodesOnlyWhatReadsBack) {
    const struct {
        std::string bytes;
        std::u16string text;
        bool clean;
    } decoded[] = {
        // clang-format off
        {"a\\~\x82\xa0\x8a\xbf\xb1\r\n", u"a\\~あ漢ｱ\r\n", true}, {"\x81\x60\x81\x7c", u"～−", true},
        {"ab\0cd"s, u"ab", false}, {"ab\xff\x82\xa0", u"ab", false}, {"\x82\xa0\x82", u"あ", false},
        {"a\x82\x0d\x0a", u"a", false},
        // clang-format on
    };
    for (const auto& c : decoded) {
        const DecodedText d = decodeCp932(c.bytes);
        EXPECT_TRUE(d.text == c.text && d.clean == c.clean) << ::testing::PrintToString(c.bytes);
    }
    // Both readings of the minus sign are written as the one code.
    EXPECT_EQ(encodeCp932(u"a\\~あ漢ｱ～−\uFF0D"),
              "a\\~\x82\xa0\x8a\xbf\xb1\x81\x60\x81\x7c\x81\x7c");
    // These would read back as other characters, or not at all.
    for (const std::u16string& text :
         {u"\u00A5"s, u"\u301C"s, u"a\U0001F600"s, u"\xD800"s, u"a\0b"s}) {
        EXPECT_EQ(encodeCp932(text), std::nullopt) << ::testing::PrintToString(text);
    }
    Cp932Encoder cp932;  // a refused text leaves the buffer as it was, the converter usable
    std::string out;
    EXPECT_TRUE(!cp932.append(u"あ\u00A5", out) && cp932.append(u"あ", out) && out == "\x82\xa0");
}

// Written as the program has always written them; a damaged file kept whole.
TEST(store_DataFiles, AwkwardFilesReadAndWriteAsTheyAlwaysDid) {
    const struct {
        std::string before, after;
        bool damaged = false;
    } cases[] = {
        // clang-format off
        {"", ""}, {",\n,\r\n\r\nb", "\r\n\r\n\r\n\r\n\r\nb\r\n"}, {"a\rb\nc\r\n\r\r\nd", "a\r\nb\r\nc\r\n\r\n\r\nd\r\n"},
        // blanks kept; a quote inside an unquoted field is ordinary
        {"a,b\r\n\"c,d\"\r\n a , b \r\na\"b\"c,d", "a\r\nb\r\n\"c,d\"\r\n a \r\n b \r\na\"b\"c\r\nd\r\n"},
        // what follows a closing quote is dropped; an open quote ends at its line
        {"\"q\"x,\"\"\r\n\"open\r\na\"b\r\n\" a , b \"\r\n\"abc\r\nd\r\n\"e\"", "q\r\n\r\nopen\r\na\"b\r\n\" a , b \"\r\nabc\r\nd\r\ne\r\n"},
        {"\x8a\xbf\x8e\x9a@\x97\xe1\x82\xa6.jp\r\n\xb1\xb2\xb3\r\n", "\x8a\xbf\x8e\x9a@\x97\xe1\x82\xa6.jp\r\n\xb1\xb2\xb3\r\n"},
        {"\"\x8a\xbf,\x8e\x9a\"\r\n\x8a\xbf,\x8e\x9a\r\n", "\"\x8a\xbf,\x8e\x9a\"\r\n\x8a\xbf\r\n\x8e\x9a\r\n"},
        {"\x81\x7c" "1,x\x81\x7c\r\n", "\x81\x7c" "1\r\nx\x81\x7c\r\n"},  // the minus sign
        {"ab\r\ncd\0ef\r\n"s, "ab\r\ncd\r\n", true}, {"ok\r\n\x82\r\nlost\r\n", "ok\r\n", true},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.before));
        ScratchDirectory scratch;
        writeBytes(scratch / AddressFileName, c.before);
        DataFiles files(scratch.path());
        auto [list, alwaysOnTop, oneClick, address, settings, backup, writable] = files.load();
        EXPECT_EQ(address.state, c.damaged ? FileState::Damaged : FileState::Loaded);
        list.append(u"x");  // a change, so that the whole file is written
        EXPECT_TRUE(files.save(list, true).empty());
        EXPECT_EQ(readBytes(scratch / AddressFileName), c.after + "x\r\n");
        EXPECT_EQ(readBytes(scratch / "nolvetta.dat.bak"), c.damaged ? c.before : "");
        EXPECT_TRUE(std::ranges::equal(DataFiles(scratch.path()).load().entries, list));
    }
}

TEST(store_DataFiles, TheAddressFileIsLeftAloneOnlyWhileListAndFileAreAsLoaded) {
    const std::string before = "a\nb\n", saved = "a\r\nb\r\n";  // a save rewrites the line ends
    using Change = void (*)(const fs::path&, AddressList&);
    const std::tuple<const char*, Change, std::string> cases[] = {
        // clang-format off
        {"nothing", [](auto&, auto&) {}, before},
        {"an entry added and deleted", [](auto&, AddressList& list) { list.append(u""), list.erase(2); }, before},
        {"the same entries read anew", [](auto&, AddressList& list) { list = AddressList::fromText(u"a\r\nb"); }, before},
        {"an entry added", [](auto&, AddressList& list) { list.append(u""); }, saved + "\r\n"},
        {"an entry deleted", [](auto&, AddressList& list) { list.erase(1); }, "a\r\n"},
        {"the order changed", [](auto&, AddressList& list) { list = {u"b", u"a"}; }, "b\r\na\r\n"},
        {"an entry changed", [](auto&, AddressList& list) { list = {u"a", u"b "}; }, "a\r\nb \r\n"},
        {"the file replaced", [](const fs::path& f, auto&) { fs::rename(f, f.string() + "2"), fs::copy_file(f.string() + "2", f); }, saved},
        {"the file touched", [](const fs::path& f, auto&) { fs::last_write_time(f, fs::last_write_time(f) - 5s); }, saved},
        // clang-format on
    };
    for (const auto& [name, change, after] : cases) {
        SCOPED_TRACE(name);
        ScratchDirectory scratch;
        const fs::path file = scratch / AddressFileName;
        writeBytes(file, before);
        DataFiles files(scratch.path());
        AddressList list = files.load().entries;
        change(file, list);
        const std::optional<FileIdentity> identity = fileIdentity(file);
        EXPECT_TRUE(files.save(list, true).empty());
        EXPECT_EQ(std::pair(readBytes(file), fileIdentity(file) == identity),
                  std::pair(after, after == before));  // left alone: not even touched
    }
}

TEST(store_SafeSave, AFileHoldsBytesOnlyWhenEveryPieceIsEqual) {
    const std::string piece(ComparePieceSize, 'a'), bytes = piece + "b";
    const std::pair<std::string, bool> cases[] = {
        // clang-format off
        {bytes, true}, {piece, false}, {bytes + "b", false}, {piece + "c", false},
        {std::string(piece.size() - 1, 'a') + "cb", false},
        // clang-format on
    };
    ScratchDirectory scratch;
    for (const auto& [content, equal] : cases) {
        writeBytes(scratch / "f", content);
        EXPECT_EQ(holds(scratch / "f", bytes), equal) << content.size();
    }
    EXPECT_FALSE(holds(scratch / "none", ""));
}

TEST(store_AddressList, EntriesOfAnyNumberAreFoundAddedAndErasedAndACopyIsAValueOfItsOwn) {
    auto list = AddressList::fromText(std::u16string(40000, u'\n') + u"last\r\n\"La,st\" x");
    EXPECT_TRUE(list.size() == 40002u && list.find(u"La,st") == 40001u && list.find(u"") == 0u);
    const AddressList copy = list;
    list.erase(40000);
    list.append(u"s"), list.append(u"t"), list.erase(40001);
    EXPECT_EQ(list.find(u"last"), std::nullopt);
    EXPECT_TRUE(list.size() == 40002u && list[40000] == u"La,st" && list[40001] == u"t");
    EXPECT_EQ(list, AddressList::fromText(std::u16string(40000, u'\r') + u"\"La,st\"\nt"));
    EXPECT_TRUE(copy.size() == 40002u && copy[40000] == u"last" && copy[40001] == u"La,st");
    EXPECT_EQ(AddressList::fromText(u""), AddressList());
    EXPECT_NE(AddressList({u"ab"}), AddressList({u"a", u"b"}));
}

TEST(store_DataFiles, TheSettingsAreTheFirstFieldsAsWordsInAnyCaseOrNumbers) {
    const std::tuple<std::string, std::optional<bool>, std::optional<bool>> cases[] = {
        // clang-format off
        {"TRUE\r\n", true, {}}, {"false,True\r\n", false, true}, {" 0 ", false, {}}, {"-1\r\n0", true, false},
        {"", {}, {}}, {"1abc", {}, {}}, {"\r\nTrue", {}, true}, {"Tr\xff", {}, {}}, {"True\r\nFalse\r\n", true, false},
        // clang-format on
    };
    for (const auto& [bytes, alwaysOnTop, oneClick] : cases) {
        ScratchDirectory scratch;
        writeBytes(scratch / SettingsFileName, bytes);
        const Loaded loaded = DataFiles(scratch.path()).load();
        EXPECT_EQ(std::pair(loaded.alwaysOnTop, loaded.oneClick), std::pair(alwaysOnTop, oneClick))
            << bytes;
        EXPECT_EQ(saveFileSafely(scratch.path(), "x"), std::errc::is_a_directory);  // only files
    }
    EXPECT_EQ(formatSettingsFile(false), "False\r\n");  // as it always was
    EXPECT_EQ(formatSettingsFile(true, false), "True\r\nFalse\r\n");
}

// The scratch folder can be written: only what it holds sends the lists elsewhere.
TEST(store_ProgramPath, AnInstalledProgramKeepsItsListsWithTheUserUnlessSomeAreBesideIt) {
    const fs::path user = "user-data";
    const std::tuple<std::vector<std::string_view>, fs::path, bool> cases[] = {
        {{}, user, false},
        {{InstalledMarkerName}, user, true},
        {{InstalledMarkerName}, {}, false},  // nowhere else to go
        {{InstalledMarkerName, AddressFileName}, user, false},
        {{InstalledMarkerName, SettingsFileName}, user, false},
    };
    for (const auto& [files, userDirectory, withTheUser] : cases) {
        ScratchDirectory program;
        for (const std::string_view name : files) {
            writeBytes(program / name, "");
        }
        EXPECT_EQ(chooseDataDirectory(program.path(), userDirectory),
                  withTheUser ? userDirectory : program.path())
            << files.size();
    }
}
