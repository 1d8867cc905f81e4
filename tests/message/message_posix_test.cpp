// What only a POSIX system lets a test see: a file's access time, and a
// reading's peak memory in a process of its own.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "child_memory.h"
#include "message_files.h"
#include "scratch.h"

using namespace nolvetta::testsupport;

namespace nolvetta::testsupport {

std::vector<std::filesystem::path> makeSpecialFiles(const std::filesystem::path& folder) {
    mkfifo((folder / "pipe").c_str(), 0600);
    sockaddr_un address{AF_UNIX, {}};
    (folder / "socket").string().copy(address.sun_path, sizeof address.sun_path - 1);
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    close(listener);  // the socket's name stays
    return {folder / "pipe", folder / "socket", "/dev/zero"};
}

}  // namespace nolvetta::testsupport

TEST(MessageFile, TheAccessTimeOfTheUsersMailIsLeftAsItWas) {
    const ScratchDirectory scratch;
    writeBytes(scratch / "mbox", fromLine + "From: a\n\nmag2 ID 0001234567\n");
    const timespec longAgo[2] = {{1000000000, 0}, {1000000000, 0}};
    utimensat(AT_FDCWD, (scratch / "mbox").c_str(), longAgo, 0);
    EXPECT_EQ(outcome(readMailFile(scratch / "mbox")), "mbox:mag2 0001234567");
    struct stat status {};
    stat((scratch / "mbox").c_str(), &status);
    EXPECT_EQ(status.st_atim.tv_sec, 1000000000);
}

TEST(MessageFile, AHeaderLineOfAnySizeIsPassedInBoundedMemory) {
    const ScratchDirectory scratch;
    const std::string mag2 = "From: a\n\nmag2 ID 0001234567\n";
    writeSparse(scratch / "mbox", {{fromLine + "From: a\nSubject: ", 200u << 20},
                                   {"\n\nbody\n" + fromLine + mag2, 0}});
    const nolvetta::testsupport::ChildRun run = nolvetta::testsupport::runInChild([&] {
        return outcome(readMailFile(scratch / "mbox")) == "mbox:problem 2 | mag2 0001234567";
    });
    EXPECT_TRUE(run.held);
    EXPECT_LT(run.peakGrowthKiB, 32 << 10);  // KiB; GMime alone would hold the line 5 times
}
