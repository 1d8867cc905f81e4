// Runs the real program, copied into a fresh program directory, on the
// offscreen platform, and closes it the way a desktop session does.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

std::string fileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// True once the process has installed its handler for `sig`.
bool catchesSignal(pid_t pid, int sig) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("SigCgt:", 0) == 0) {
            const unsigned long long mask = std::stoull(line.substr(7), nullptr, 16);
            return (mask >> (sig - 1)) & 1U;
        }
    }
    return false;
}

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device random;
        root = fs::temp_directory_path() / ("nolvetta-program-" + std::to_string(random()));
        programDirectory = root / "program";
        fs::create_directories(programDirectory);
        for (const char* dir : {"home", "data", "config", "data-dirs", "config-dirs"}) {
            fs::create_directories(root / dir);
        }
        fs::copy_file(NOLVETTA_EXECUTABLE, programDirectory / "nolvetta");
    }

    void TearDown() override { fs::remove_all(root); }

    // Starts the program and returns once it is ready to be closed.
    pid_t start() {
        std::vector<std::string> env;
        for (char** e = environ; *e != nullptr; ++e) {
            env.emplace_back(*e);
        }
        // A private desktop: no browser is registered, nothing of the user's is touched.
        const std::pair<const char*, fs::path> dirs[] = {
            {"HOME", root / "home"},
            {"XDG_DATA_HOME", root / "data"},
            {"XDG_CONFIG_HOME", root / "config"},
            {"XDG_DATA_DIRS", root / "data-dirs"},
            {"XDG_CONFIG_DIRS", root / "config-dirs"},
        };
        for (const auto& [name, value] : dirs) {
            env.push_back(std::string(name) + "=" + value.string());
        }
        env.emplace_back("QT_QPA_PLATFORM=offscreen");
        std::vector<char*> envp;
        for (std::string& e : env) {
            envp.push_back(e.data());
        }
        envp.push_back(nullptr);
        const std::string program = (programDirectory / "nolvetta").string();
        std::vector<char*> argv{const_cast<char*>(program.c_str()), nullptr};

        pid_t pid = -1;
        EXPECT_EQ(posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), envp.data()),
                  0);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!catchesSignal(pid, SIGTERM) && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        EXPECT_TRUE(catchesSignal(pid, SIGTERM)) << "the program did not come up";
        return pid;
    }

    void closeWith(pid_t pid, int sig) {
        ASSERT_EQ(::kill(pid, sig), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }

    std::set<std::string> programDirectoryFiles() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(programDirectory)) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }

    fs::path root;
    fs::path programDirectory;
};

TEST_F(ProgramTest, AFirstStartAndCloseLeavesEmptyListAndOptionOn) {
    closeWith(start(), SIGTERM);
    EXPECT_EQ(programDirectoryFiles(),
              (std::set<std::string>{"nolvetta", "nolvetta.dat", "nolvetta1.dat"}));
    EXPECT_EQ(fileBytes(programDirectory / "nolvetta.dat"), "");
    EXPECT_EQ(fileBytes(programDirectory / "nolvetta1.dat"), "True\r\n");
}

TEST_F(ProgramTest, EveryTerminationSignalSavesTheLists) {
    // The same file in code page 932: "あ" is 0x82 0xA0 there.
    const std::string stored = "one@x.jp\r\n\x82\xa0\r\nthree@x.jp\r\n";
    for (int sig : {SIGTERM, SIGHUP, SIGINT}) {
        {
            std::ofstream(programDirectory / "nolvetta.dat", std::ios::binary) << stored;
            std::ofstream(programDirectory / "nolvetta1.dat", std::ios::binary) << "false\r\n";
        }
        closeWith(start(), sig);
        EXPECT_EQ(fileBytes(programDirectory / "nolvetta.dat"), stored) << sig;
        EXPECT_EQ(fileBytes(programDirectory / "nolvetta1.dat"), "False\r\n") << sig;
    }
}

}  // namespace
