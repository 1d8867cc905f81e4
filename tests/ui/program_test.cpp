// The real program on what a disk may hold: what lies in its folder, what it
// says, what the files hold afterwards. Each run ends with a termination
// signal, as a logout ends it: nobody answers its messages.
#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <thread>

#include "scratch.h"

// GCC 12 warns of members that a designated initializer leaves to their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace fs = std::filesystem;
using nolvetta::testsupport::readBytes;

// A file's bytes, or what stands there instead: "<dir>", "<none>", or "<link>"
// and where it leads. Bytes after "<NNN>" are those of a file with that mode
// (0644 otherwise).
void put(const fs::path& path, const std::string& what) {
    fs::create_directories(path.parent_path());
    if (what == "<dir>") {
        fs::create_directory(path);
    } else if (what.rfind("<link>", 0) == 0) {
        fs::create_symlink(what.substr(6), path);
    } else {
        const bool mode = what.size() >= 5 && what[0] == '<' && what[4] == '>';
        nolvetta::testsupport::writeBytes(path, what.substr(mode ? 5 : 0));
        fs::permissions(path, fs::perms(mode ? std::stoi(what.substr(1, 3), nullptr, 8) : 0644));
    }
}

std::string what(const fs::path& path) {
    const fs::file_status status = fs::symlink_status(path);
    if (fs::is_symlink(status) || fs::is_directory(status) || !fs::exists(status)) {
        return fs::is_symlink(status) ? "<link>" + fs::read_symlink(path).string()
               : fs::exists(status)   ? "<dir>"
                                      : "<none>";
    }
    const auto mode = static_cast<unsigned>(status.permissions() & fs::perms::mask);
    char shown[8];
    std::snprintf(shown, sizeof shown, "<%03o>", mode);
    return (mode == 0644 ? "" : shown) + readBytes(path);
}

// How often `part` stands in `text`.
std::ptrdiff_t occurrences(const std::string& text, const std::string& part) {
    std::ptrdiff_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// What Qt's offscreen platform says as the window, its lists read, is shown.
const std::string Shown = "propagateSizeHints";

struct Options {
    int signal = SIGTERM;
    bool asUser = false;  // as user 65534, whom permission bits stop
    rlim_t fileSizeLimit = RLIM_INFINITY;
    std::string waitFor;      // a message to wait for before the signal
    std::string file;         // a message file to open
    std::string replaceWith;  // what the address file holds anew before the signal
    std::string who;          // another start in the same folder: its own log
    std::string runtime;      // the session's runtime folder
    std::string home;         // another way to the same home
};

std::string logOf(const fs::path& folder, const Options& options) {
    return folder.string() + options.who + ".log";
}

// Starts the program copied into `folder` on a private desktop; what it
// writes to standard error goes to the folder's name and ".log".
pid_t start(const fs::path& folder, const Options& options = {}) {
    const std::string program = (folder / "nolvetta").string(), log = logOf(folder, options);
    const std::string home =
        "HOME=" + (options.home.empty() ? folder.string() + ".home" : options.home);
    const std::string runtime = "XDG_RUNTIME_DIR=" + options.runtime;
    fs::create_directories(home.substr(5));
    ::chown(home.c_str() + 5, 65534, 65534);  // so that any user may keep data there
    if (!fs::exists(program)) {
        fs::copy_file(NOLVETTA_EXECUTABLE, program);
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{options.fileSizeLimit, options.fileSizeLimit};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        if (options.asUser && (::setgroups(0, nullptr) || ::setgid(65534) || ::setuid(65534))) {
            ::_exit(126);
        }
        const char* env[] = {"QT_QPA_PLATFORM=offscreen",
                             home.c_str(),
                             "XDG_DATA_DIRS=/none",
                             "XDG_CONFIG_DIRS=/none",
                             options.runtime.empty() ? nullptr : runtime.c_str(),
                             nullptr};
        char* argv[] = {const_cast<char*>("nolvetta"), const_cast<char*>(options.file.c_str()),
                        nullptr};
        argv[1] = options.file.empty() ? nullptr : argv[1];
        ::execve(program.c_str(), argv, const_cast<char* const*>(env));
        ::_exit(127);
    }
    return pid;
}

// Waits until the program has taken the termination signals in hand and
// has said `message`.
void waitUntilReady(pid_t pid, const fs::path& folder, const std::string& message = "",
                    const Options& options = {}) {
    for (int i = 0; i < 1500; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(20))) {
        std::ifstream status("/proc/" + std::to_string(pid) + "/status");
        for (std::string line; std::getline(status, line);) {
            if (line.rfind("SigCgt:", 0) == 0 &&
                (std::stoull(line.substr(7), nullptr, 16) >> (SIGTERM - 1) & 1) &&
                readBytes(logOf(folder, options)).find(message) != std::string::npos) {
                return;
            }
        }
    }
}

// Once it is ready, sends the signal; the exit status.
int stop(pid_t pid, const fs::path& folder, const Options& options = {}) {
    waitUntilReady(pid, folder, options.waitFor, options);
    if (!options.replaceWith.empty()) {  // no longer the file that was read
        nolvetta::testsupport::writeBytes(folder / "nolvetta.dat", options.replaceWith);
    }
    ::kill(pid, options.signal);
    int status = -1;
    ::waitpid(pid, &status, 0);
    return status;
}

// The exit statuses of starts that end by themselves, as a hand-over does;
// -1 for one still running after a minute, which waits on a message that
// nobody answers and is killed.
std::vector<int> endsOf(const std::vector<pid_t>& pids) {
    std::vector<int> statuses(pids.size(), -1);
    std::vector<bool> ended(pids.size());
    for (int i = 0; i < 3000 && std::ranges::count(ended, false) > 0;
         ++i, std::this_thread::sleep_for(std::chrono::milliseconds(20))) {
        for (std::size_t at = 0; at < pids.size(); ++at) {
            ended[at] = ended[at] || ::waitpid(pids[at], &statuses[at], WNOHANG) == pids[at];
        }
    }
    for (std::size_t at = 0; at < pids.size(); ++at) {
        if (!ended[at]) {
            ::kill(pids[at], SIGKILL);
            ::waitpid(pids[at], nullptr, 0);
        }
    }
    return statuses;
}

TEST(Program, NoByteOfTheUsersDataIsLostWhateverTheFolderHolds) {
    const std::string big(5000, 'x');  // more than the limit on a file's size below
    using Files = std::vector<std::pair<std::string, std::string>>;
    const struct {
        const char* name;
        Files before, after;
        std::vector<std::string> messages;  // the first at start when waitFor is set
        Options options;
        bool readOnly = false;
        std::string folder = "program";
    } cases[] = {
        // clang-format off
        {"an empty folder but for what a killed save left", {{".nolvetta.dat.42.tmp", "x"}},
         {{".nolvetta.dat.42.tmp", "<none>"}, {"nolvetta.dat", ""}, {"nolvetta1.dat", "True\r\n"}}, {}, {SIGINT}},
        {"an empty lock that a crash left", {{".nolvetta.lock", ""}}, {{".nolvetta.lock", "<none>"}, {"nolvetta1.dat", "True\r\n"}}, {}, {SIGHUP}},
        {"a damaged address file", {{"nolvetta.dat", "a\r\n\xff b"}},
         {{"nolvetta.dat", "a\r\n"}, {"nolvetta.dat.bak", "a\r\n\xff b"}}, {"nolvetta.dat.bak」として残します"}, {.waitFor = "として残します"}},
        {"a directory", {{"nolvetta.dat", "<dir>"}}, {{"nolvetta.dat", "<dir>"}, {"nolvetta1.dat", "True\r\n"}},
         {"nolvetta.dat」はファイルではありません", "nolvetta.dat」はファイルではないため"}, {.waitFor = "ではありません"}},
        {"a broken link", {{"nolvetta.dat", "<link>gone"}}, {{"nolvetta.dat", "<link>gone"}, {"gone", "<none>"}},
         {"nolvetta.dat」はファイルではありません", "nolvetta.dat」はファイルではないため"}, {.waitFor = "ではありません"}},
        {"a link to a file elsewhere, with its own mode", {{"kept", "<dir>"}, {"kept/list", "<600>a\r\n"},
         {"nolvetta.dat", "<link>kept/list"}}, {{"nolvetta.dat", "<link>kept/list"}, {"kept/list", "<600>a\r\n"}}, {}, {}},
        {"an unreadable file", {{"nolvetta.dat", "<000>keep\r\n"}}, {{"nolvetta.dat", "<000>keep\r\n"}},
         {"nolvetta.dat」を読み込めませんでした", "nolvetta.dat」は起動時に読み込めなかった"}, {.asUser = true, .waitFor = "読み込めません"}},
        {"a folder that refuses writes, with a file changed meanwhile", {{"nolvetta.dat", "old"}, {"nolvetta1.dat", "True\r\n"}},
         {{"nolvetta.dat", "new"}, {"nolvetta1.dat", "True\r\n"}}, {"program」には書き込めません", "nolvetta.dat」を保存できませんでした"},
         {.asUser = true, .waitFor = "書き込めません", .replaceWith = "new"}, true},
        {"a file marked read-only, changed meanwhile", {{"nolvetta.dat", "<444>a\r\n"}, {"nolvetta1.dat", "<400>False\r\n"}},
         {{"nolvetta.dat", "<444>b"}, {"nolvetta1.dat", "<400>False\r\n"}}, {"nolvetta.dat」は読み取り専用のため"},
         {.waitFor = Shown, .replaceWith = "b"}},
        {"a file replaced while the program ran", {{"nolvetta.dat", "a\r\n"}}, {{"nolvetta.dat", "a\r\n"}}, {}, {.waitFor = Shown, .replaceWith = "b"}},
        {"an empty folder that refuses writes", {}, {{"nolvetta.dat", "<none>"},
         {"../program.home/.local/share/nolvetta/nolvetta1.dat", "True\r\n"}}, {}, {.asUser = true}, true},
        {"a write that fails part way", {{"nolvetta.dat", big}}, {{"nolvetta.dat", big}},
         {"nolvetta.dat」を保存できませんでした。 ファイルが大きすぎます。"}, {.fileSizeLimit = 2000, .waitFor = Shown, .replaceWith = big}},
        {"a folder named in Shift_JIS", {}, {{"nolvetta1.dat", "True\r\n"}}, {}, {}, false, "\x83\x81\x83\x8b"},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        nolvetta::testsupport::ScratchDirectory root;
        const fs::path folder = root / c.folder;
        fs::create_directory(folder);
        for (const auto& [file, content] : c.before) {
            put(folder / file, content);
        }
        ::chown(folder.c_str(), c.options.asUser && !c.readOnly ? 65534 : 0, 0);
        fs::permissions(folder, c.readOnly ? fs::perms(0555) : fs::perms(0755));
        EXPECT_EQ(stop(start(folder, c.options), folder, c.options), 0);
        const std::string log = readBytes(folder.string() + ".log");
        for (const std::string& message : c.messages) {
            EXPECT_NE(log.find(message), std::string::npos) << message << " in " << log;
        }
        EXPECT_EQ(occurrences(log, "!Nolvetta: "), std::ssize(c.messages));  // and nothing else
        for (const auto& [file, content] : c.after) {
            EXPECT_EQ(what(folder / file), content) << file;
        }
    }
}

TEST(Program, AKillDuringASaveLeavesTheOldFileOrTheNewOneWhole) {
    nolvetta::testsupport::ScratchDirectory root;
    const fs::path folder = root / "program";
    fs::create_directory(folder);
    // Written anew while the program runs, with line feeds alone: the close
    // must write it again, with CR LF.
    const std::string before = "a@x\n" + std::string(2'000'000, 'x') + "\n";
    const std::string after = "a@x\r\n" + std::string(2'000'000, 'x') + "\r\n";
    std::mt19937 random(std::random_device{}());
    int saved = 0;
    for (int i = 0; i < 30; ++i) {
        put(folder / "nolvetta.dat", before);
        const pid_t pid = start(folder);
        waitUntilReady(pid, folder, Shown);
        put(folder / "nolvetta.dat", before);
        ::kill(pid, SIGTERM);
        // Long enough for some saves to end even under a sanitizer on a busy machine.
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 150000));
        stop(pid, folder, {.signal = SIGKILL});
        const std::string now = readBytes(folder / "nolvetta.dat");
        EXPECT_TRUE(now == before || now == after) << now.size();
        saved += now == after;
    }
    EXPECT_GT(saved, 0);
    EXPECT_EQ(stop(start(folder), folder), 0);
    std::set<std::string> left;  // no temporary file, no lock
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        left.insert(entry.path().filename().string());
    }
    EXPECT_EQ(left, (std::set<std::string>{"nolvetta", "nolvetta.dat", "nolvetta1.dat"}));
    EXPECT_TRUE(
        fs::is_empty(folder.string() + ".home/.cache/nolvetta"));  // nor the hand-over's socket
}

// A message given to the program, or handed to the copy already running,
// opens nothing unasked: the program asks, and nobody answers before the
// session ends. The desktop's browser would log each start.
TEST(Program, AMessageFileIsAskedAboutAlsoThroughTheCopyAlreadyRunning) {
    nolvetta::testsupport::ScratchDirectory root;
    const fs::path folder = root / "program", home = root / "program.home", log = root / "opened";
    put(root / "browser", "<755>#!/bin/sh\necho \"$1\" >> " + log.string() + "\n");
    put(home / ".local/share/applications/b.desktop",
        "[Desktop Entry]\nType=Application\nName=B\nExec=" + (root / "browser").string() + " %u\n");
    put(home / ".config/mimeapps.list",
        "[Default Applications]\nx-scheme-handler/https=b.desktop\n");
    put(folder, "<dir>");
    const std::string samples = NOLVETTA_MESSAGE_DATA "/";
    EXPECT_EQ(stop(start(folder, {.file = samples + "folded_comment.eml"}), folder,
                   {.waitFor = "https://news.example.jp よろしいですか？"}),
              0);
    const pid_t first = start(folder);
    waitUntilReady(first, folder, Shown);
    EXPECT_EQ(stop(start(folder, {.file = samples + "header_only.eml"}), folder, {.signal = 0}), 0);
    EXPECT_EQ(stop(first, folder, {.waitFor = " https://example.jp よろしいですか？"}), 0);
    // A mailbox of 4 GiB, still being read when the session ends.
    put(root / "mbox", "From a@x Mon Dec  7 10:00:00 2026\nFrom: a@x\n\n");
    fs::resize_file(root / "mbox", 4ull << 30);
    EXPECT_EQ(stop(start(folder, {.file = (root / "mbox").string()}), folder, {.waitFor = Shown}),
              0);
    EXPECT_EQ(what(log), "<none>");
}

// Fifty starts at once, each with a file for the copy already running: it
// takes every one in turn, and none of them says that it does not answer.
TEST(Program, EveryOneOfACrowdOfStartsIsHandedOver) {
    nolvetta::testsupport::ScratchDirectory root;
    const fs::path folder = root / "program";
    put(folder, "<dir>");
    const pid_t first = start(folder);
    waitUntilReady(first, folder, Shown);
    std::vector<pid_t> crowd;
    for (int i = 0; i < 50; ++i) {
        const std::string who = std::to_string(i);
        crowd.push_back(start(folder, {.file = (root / (who + ".eml")).string(), .who = who}));
    }
    EXPECT_EQ(endsOf(crowd), std::vector<int>(50, 0));
    std::ptrdiff_t toldItDoesNotAnswer = 0;
    for (int who = 0; who < 50; ++who) {
        toldItDoesNotAnswer +=
            occurrences(readBytes(logOf(folder, {.who = std::to_string(who)})), "応答しません");
    }
    EXPECT_EQ(toldItDoesNotAnswer, 0);
    // Each brought the running copy to the front.
    const auto raised = [&] { return occurrences(readBytes(logOf(folder, {})), "raise()"); };
    for (int i = 0; i < 250 && raised() < 50; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(raised(), 50);
    EXPECT_EQ(stop(first, folder), 0);
}

// A file handed to the copy already running reaches only this user's copy,
// and a start that cannot hand it over says why.
TEST(Program, TheHandOverReachesOnlyTheUsersOwnCopyAndNeverEndsSilently) {
    nolvetta::testsupport::ScratchDirectory root;
    const fs::path folder = root / "program", sample = NOLVETTA_MESSAGE_DATA "/header_only.eml";
    const std::string question = " https://example.jp よろしいですか？",
                      log = folder.string() + ".log";
    const auto asked = [&] { return occurrences(readBytes(log), question); };
    put(folder, "<dir>");
    fs::permissions(folder, fs::perms(0777));  // shared with another user
    // Another user sits on the name a shared runtime folder would give: it is not used.
    put(root / "shared", "<dir>");
    fs::permissions(root / "shared", fs::perms(01777));
    const pid_t first = start(folder, {.runtime = (root / "shared").string()});
    waitUntilReady(first, folder, Shown);
    EXPECT_TRUE(fs::is_empty(root / "shared"));
    EXPECT_EQ(stop(start(folder, {.file = sample, .who = "b"}), folder, {.signal = 0, .who = "b"}),
              0);
    waitUntilReady(first, folder, question);
    // Through a home reached by a link, and to a copy slow to answer.
    fs::create_directory_symlink(folder.string() + ".home", root / "link");
    ::kill(first, SIGSTOP);
    const pid_t slow =
        start(folder, {.file = sample, .who = "b", .home = (root / "link").string()});
    std::this_thread::sleep_for(std::chrono::seconds(4));
    ::kill(first, SIGCONT);
    EXPECT_EQ(stop(slow, folder, {.signal = 0}), 0);
    // Too much, or nothing at all, from whoever connects and stays: a start is still heard.
    fs::path endpoint;
    for (const auto& entry : fs::directory_iterator(folder.string() + ".home/.cache/nolvetta")) {
        endpoint = entry.path();
    }
    const auto connected = [&endpoint] {
        sockaddr_un address{AF_UNIX, {}};
        endpoint.native().copy(address.sun_path, sizeof address.sun_path - 1);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        return fd;
    };
    const int flooding = connected();
    const std::string flood(1 << 20, 'x');
    EXPECT_LT(::send(flooding, flood.data(), flood.size(), MSG_NOSIGNAL), std::ssize(flood));
    ::close(flooding);
    std::vector<int> idle;
    for (int i = 0; i < 40; ++i) {
        idle.push_back(connected());
    }
    EXPECT_EQ(endsOf({start(folder, {.file = sample, .who = "b"})}), std::vector<int>{0});
    for (int fd : idle) {
        ::close(fd);
    }
    // Another user, were the folder opened to them, is not heard.
    fs::permissions(endpoint.parent_path(), fs::perms(0711));
    fs::permissions(endpoint, fs::perms(0777));
    if (const pid_t other = ::fork(); other == 0) {
        sockaddr_un address{AF_UNIX, {}};
        endpoint.native().copy(address.sun_path, sizeof address.sun_path - 1);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        const bool reached =
            ::setgid(65534) == 0 && ::setuid(65534) == 0 &&
            ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        ::send(fd, "/x.eml", 6, MSG_NOSIGNAL);
        ::shutdown(fd, SHUT_WR);
        char answer = 0;
        ::_exit(!reached ? 2 : ::recv(fd, &answer, 1, 0) == 1 ? 1 : 0);
    } else {
        int status = -1;
        ::waitpid(other, &status, 0);
        EXPECT_EQ(status, 0) << "2: never reached, 1: heard";
    }
    fs::permissions(endpoint.parent_path(), fs::perms(0700));
    // Heard, each waits for the first question's answer, which nobody gives.
    EXPECT_EQ(asked(), 1);
    // Another user's copy holds the folder, alive, then killed: each start says why it ends.
    const Options user{.asUser = true, .who = "user"};
    Options inUse = user, leftBehind = user;
    inUse.waitFor = "ほかのユーザーかほかのコンピューター";
    leftBehind.waitFor = ".nolvetta.lock」を消せないため";
    EXPECT_EQ(stop(start(folder, user), folder, inUse), 256);
    EXPECT_EQ(stop(first, folder, {.signal = SIGKILL}), SIGKILL);
    fs::permissions(folder, fs::perms(01777));  // whose files only their owner removes
    EXPECT_EQ(stop(start(folder, user), folder, leftBehind), 256);
    fs::permissions(folder, fs::perms(0777));
    EXPECT_EQ(stop(start(folder, {.asUser = true, .who = "user"}), folder,
                   {.waitFor = Shown, .who = "user"}),
              0);
}

// A script's list: no window and so no display, no lock, nothing written;
// the rows on standard output, and status 2 with the reason when nothing
// could be read.
TEST(Program, TheListIsPrintedForAScriptWithoutADisplay) {
    nolvetta::testsupport::ScratchDirectory folder;
    fs::copy_file(NOLVETTA_EXECUTABLE, folder / "nolvetta");
    const auto run = [&](const std::string& paths) {
        const std::string command = "env -i HOME=" + folder.path().string() + " " +
                                    (folder / "nolvetta").string() + " --list --tsv " + paths +
                                    " 2>" + (folder / "log").string();
        FILE* out = ::popen(command.c_str(), "r");
        std::string text;
        for (char piece[4096]; const std::size_t n = std::fread(piece, 1, sizeof piece, out);) {
            text.append(piece, n);
        }
        return std::pair(WEXITSTATUS(::pclose(out)), text);
    };
    // Left on the first of the month, still coming a week later.
    const std::string record = "2026-12-01T00:00:00Z\thttps\tfrom:news@example.jp\t\thttps://x/\n";
    nolvetta::testsupport::writeBytes(folder / "nolvetta-record.txt", record);
    const std::string data = NOLVETTA_MESSAGE_DATA;
    EXPECT_EQ(run(data + "/header_only.eml " + data + "/folded_comment.eml"),
              std::pair(0, std::string("sender\tsubject\tcount\tlatest\tway out\treached\trecord\n"
                                       "メルマガ配信\tfolded\t2\t2026-12-07T00:00:00Z\t"
                                       "https://news.example.jp/leave?id=42\treader@example.com\t"
                                       "still-coming 2026-12-01T00:00:00Z\n")));
    EXPECT_EQ(run((folder / "gone").string()), std::pair(2, std::string()));
    EXPECT_NE(readBytes(folder / "log").find("読み込めるメールがありませんでした。"),
              std::string::npos);
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(folder.path())) {
        left.push_back(entry.path().filename().string());
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"log", "nolvetta", "nolvetta-record.txt"}));
    EXPECT_EQ(readBytes(folder / "nolvetta-record.txt"), record);
}
