#include <signal.h>
#include <sys/resource.h>

#include <gtest/gtest.h>

#include "child_process.h"
#include "scratch.h"
#include "store/data_files.h"
#include "store/program_path.h"
#include "store/safe_save.h"

using namespace nolvetta::store;
namespace testsupport = nolvetta::testsupport;

namespace fs = std::filesystem;
using testsupport::readBytes;
using testsupport::runInChild;

// As a user whom permission bits stop: whether the address file loaded, then
// the files the save left alone.
std::string loadAndSaveAsUser(const fs::path& directory) {
    return runInChild(
        [&] {
            DataFiles files(directory);
            std::string out = files.load().address.state == FileState::Loaded ? "loaded" : "not";
            for (const SaveProblem& problem : files.save({u"new"}, true)) {
                out += " " + problem.file.filename().string();
            }
            return out;
        },
        true);
}

TEST(store_Posix, WhatCannotBeReadOrWrittenStaysAsItWas) {
    testsupport::ScratchDirectory unreadable, unwritable;
    // The directory is the user's, so the save could replace the file it cannot read.
    ASSERT_TRUE(::geteuid() != 0 ||
                ::chown(unreadable.path().c_str(), testsupport::UnprivilegedId, 0) == 0);
    testsupport::writeBytes(unreadable / AddressFileName, "keep@me\r\n");
    fs::permissions(unreadable / AddressFileName, fs::perms::none);
    EXPECT_EQ(loadAndSaveAsUser(unreadable.path()), "not nolvetta.dat");

    EXPECT_EQ(chooseDataDirectory(unwritable.path(), "/u"), unwritable.path());  // writable
    EXPECT_EQ(testsupport::countEntries(unwritable.path()), 0u);  // and the check left nothing
    testsupport::writeBytes(unwritable / AddressFileName, "old@x\r\n");
    fs::create_directory(unwritable / "empty");
    fs::permissions(unwritable / "empty", fs::perms(0555));
    fs::permissions(unwritable.path(), fs::perms(0555));
    EXPECT_EQ(loadAndSaveAsUser(unwritable.path()), "loaded nolvetta.dat nolvetta1.dat");
    EXPECT_EQ(testsupport::countEntries(unwritable.path()), 2u);
    // Data already beside the program stays there; an empty such directory gets none.
    EXPECT_EQ(
        runInChild([&] { return chooseDataDirectory(unwritable / "empty", "/u").string(); }, true),
        "/u");
    EXPECT_EQ(
        runInChild([&] { return chooseDataDirectory(unwritable.path(), "/u").string(); }, true),
        unwritable.path().string());
    fs::permissions(unreadable / AddressFileName, fs::perms::owner_read);
    fs::permissions(unwritable.path(), fs::perms::owner_all);  // so that it can be removed
    EXPECT_EQ(readBytes(unreadable / AddressFileName) + readBytes(unwritable / AddressFileName),
              "keep@me\r\nold@x\r\n");
}

TEST(store_Posix, ASaveKeepsModeAndLinkAndAFailedOneLeavesTheOldFile) {
    testsupport::ScratchDirectory scratch;
    fs::create_directory(scratch / "real");
    testsupport::writeBytes(scratch / "real/data", "old");
    fs::permissions(scratch / "real/data", fs::perms(0600));
    fs::create_symlink("real/data", scratch / "link");
    EXPECT_FALSE(saveFileSafely(scratch / "link", "new"));
    EXPECT_TRUE(fs::is_symlink(scratch / "link"));
    EXPECT_EQ(fs::status(scratch / "real/data").permissions(), fs::perms(0600));
    // A file size limit makes the write itself fail part way, even for root.
    const std::string result = runInChild(
        [&] {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{100, 100};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            return saveFileSafely(scratch / "link", std::string(1000, 'n')).message();
        },
        false);
    EXPECT_EQ(result, std::make_error_code(std::errc::file_too_large).message());
    EXPECT_EQ(readBytes(scratch / "real/data"), "new");
    EXPECT_EQ(testsupport::countEntries(scratch / "real"), 1u);
}
