// The library folders as a start finds them after another start was cut short at each step of
// seeding, swap and repair, and what this start makes of them; plus the check of a library that an
// earlier launcher seeded in place, and the lock that keeps two launchers apart.
#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <windows.h>

#include <gtest/gtest.h>

#include "launcher/library/LibraryFolders.h"
#include "launcher/library/LibraryLock.h"
#include "support/IOException.h"
#include "support/LogfileWriter.h"
#include "support/UniqueResource.h"
#include "tests/driver/CaseTable.h"
#include "tests/driver/ScratchFolder.h"
#include "tests/driver/TextFiles.h"

namespace {

namespace fs = std::filesystem;
using Files = std::vector<std::pair<std::wstring, std::string>>;  // relative path, content

// "path=content" of every file below folder, sorted; empty when the folder is missing.
std::vector<std::string> contentsBelow(const std::wstring& folder) {
    std::vector<std::string> files;
    std::error_code error;
    for (fs::recursive_directory_iterator it(fs::path(folder), error), end; !error && it != end; it.increment(error)) {
        if (!it->is_regular_file()) continue;
        files.push_back(testdriver::utf8(fs::relative(it->path(), fs::path(folder)).wstring()) + "=" +
                        testdriver::readBytes(it->path().wstring()));
    }
    std::sort(files.begin(), files.end());
    return files;
}

const std::string kMarker = "library.complete=";
// The installation's library: a.jar and ext\b.jar, each with the text "install".
const std::vector<std::string> kSeeded = {"a.jar=install", "ext\\b.jar=install", kMarker};

TEST(LibraryStaging, NextStartFinishesWhatAnInterruptedStartLeft) {
    testdriver::forEachCase<Files, std::vector<std::string>, std::vector<std::string>>({
        {"first start", {}, kSeeded, {}},
        {"copy cut short", {{L"lib_tmp\\a.jar", ""}}, kSeeded, {}},
        {"copy complete, rename not done", {{L"lib_tmp\\a.jar", "install"}, {L"lib_tmp\\ext\\b.jar", "install"}},
         kSeeded, {}},
        {"repair cut short between its renames", {{L"lib_tmp\\a.jar", "install"}, {L"lib_discard\\x.txt", "old"}},
         kSeeded, {}},
        {"earlier launcher's seed cut short", {{L"lib\\a.jar", "install"}}, kSeeded, {}},
        {"earlier launcher's seed with an empty jar", {{L"lib\\a.jar", ""}, {L"lib\\ext\\b.jar", "install"}},
         kSeeded, {}},
        // Same sizes, other bytes: a copy again would show as "install".
        {"earlier launcher's complete seed is kept", {{L"lib\\a.jar", "INSTALL"}, {L"lib\\ext\\b.jar", "INSTALL"}},
         {"a.jar=INSTALL", "ext\\b.jar=INSTALL", kMarker}, {}},
        {"updated library without mark is kept", {{L"lib\\a.jar", "ins"}, {L"lib\\new.jar", "update"}},
         {"a.jar=ins", kMarker, "new.jar=update"}, {}},
        {"library beside a backup is kept", {{L"lib\\a.jar", "ins"}, {L"lib_old\\a.jar", "old"}},
         {"a.jar=ins"}, {"a.jar=old"}},
        {"swap", {{L"lib\\" + std::wstring(kLibraryCompleteMarker), ""}, {L"lib\\a.jar", "current"},
                  {L"lib_new\\a.jar", "new"}, {L"lib_old\\a.jar", "previous"}},
         {"a.jar=new", kMarker}, {"a.jar=current", kMarker}},
        {"swap cut short after the backup rename", {{L"lib_old\\a.jar", "current"}, {L"lib_new\\a.jar", "new"}},
         {"a.jar=new", kMarker}, kSeeded},
        {"file where the backup belongs", {{L"lib\\a.jar", "current"}, {L"lib_new\\a.jar", "new"}, {L"lib_old", "file"}},
         {"a.jar=new", kMarker}, {"a.jar=current"}},
        // Names a plain Win32 path cannot reach (a device, a trailing dot or blank), as a client or
        // a sync tool may leave them in the backup.
        {"backup holding names only the long form reaches",
         {{L"lib\\a.jar", "current"}, {L"lib_new\\a.jar", "new"}, {L"lib_old\\NUL.jar", "x"},
          {L"lib_old\\aux.log", "x"}, {L"lib_old\\b.jar.", "x"}, {L"lib_old\\c.jar ", "x"}},
         {"a.jar=new", kMarker}, {"a.jar=current"}},
    }, [](const Files& before, const std::vector<std::string>& lib, const std::vector<std::string>& libOld) {
        const testdriver::ScratchFolder appDir(L"staging");
        const testdriver::ScratchFolder install(L"install");
        testdriver::writeBytes(install / L"lib\\a.jar", "install");
        testdriver::writeBytes(install / L"lib\\ext\\b.jar", "install");
        for (const auto& [path, content] : before) testdriver::writeBytes(testdriver::longForm(appDir / path), content);
        LogfileWriter log(appDir / L"launch.log");

        maintainLibraryFolder(appDir.path() + L"\\", install / L"lib", appDir / L"lib", log);

        EXPECT_EQ(contentsBelow(appDir / L"lib"), lib);
        EXPECT_EQ(contentsBelow(appDir / L"lib_old"), libOld);
        for (const wchar_t* leftover : {L"lib_tmp", L"lib_discard", L"lib_new"}) {
            EXPECT_FALSE(testdriver::exists(appDir / leftover)) << testdriver::utf8(leftover);
        }
    });
}

TEST(LibraryStaging, FailedCopyLeavesNoLibrary) {
    const testdriver::ScratchFolder appDir(L"staging");
    LogfileWriter log(appDir / L"launch.log");
    try {
        maintainLibraryFolder(appDir.path() + L"\\", appDir / L"missing", appDir / L"lib", log);
        ADD_FAILURE() << "no exception";
    } catch (const IOException& e) {
        EXPECT_EQ(e.englishMessage, L"Invalid source folder: " + (appDir / L"missing"));
    }
    EXPECT_FALSE(testdriver::exists(appDir / L"lib"));
    EXPECT_FALSE(testdriver::exists(appDir / L"lib_tmp"));
}

// launch.ini chose the installation folder: its own library is never copied or staged, and a
// missing one is created empty for the class path step to report.
TEST(LibraryStaging, InstallationsOwnLibraryIsNeverCopied) {
    const testdriver::ScratchFolder install(L"install");
    LogfileWriter log(install / L"launch.log");
    maintainLibraryFolder(install.path() + L"\\", install / L"lib", install / L"lib", log);
    EXPECT_TRUE(testdriver::exists(install / L"lib"));
    EXPECT_TRUE(contentsBelow(install / L"lib").empty());
    EXPECT_FALSE(testdriver::exists(install / L"lib_tmp"));
}

TEST(LibraryStaging, CutShortMeansASubsetOfTheInstallationWithAtMostOneShortFile) {
    using Listing = std::map<std::wstring, std::uint64_t>;
    const Listing install = {{L"a.jar", 10}, {L"b.jar", 20}, {L"ext\\c.jar", 30}};
    testdriver::forEachCase<Listing, bool>({
        {"complete copy", install, false},
        {"files missing", {{L"a.jar", 10}}, true},
        {"nothing copied yet", {}, true},
        {"last file short", {{L"a.jar", 10}, {L"b.jar", 0}, {L"ext\\c.jar", 30}}, true},
        {"short and missing", {{L"a.jar", 10}, {L"b.jar", 7}}, true},
        {"two short files: another version", {{L"a.jar", 1}, {L"b.jar", 2}, {L"ext\\c.jar", 30}}, false},
        {"a larger file: another version", {{L"a.jar", 11}}, false},
        {"a file the installation lacks: an update", {{L"a.jar", 10}, {L"new.jar", 5}}, false},
    }, [&](const Listing& lib, bool cutShort) { EXPECT_EQ(looksCutShort(install, lib), cutShort); });
}

TEST(LibraryLock, SecondHolderWaitsBoundedAndLogsIt) {
    const testdriver::ScratchFolder scratch(L"lock");
    const std::wstring appDir = scratch.path() + L"\\";
    auto log = std::make_unique<LogfileWriter>(scratch / L"launch.log");
    EXPECT_EQ(libraryMutexName(L"C:\\Users\\Ä\\App\\"), libraryMutexName(L"c:\\users\\ä\\app\\"));
    EXPECT_NE(libraryMutexName(L"C:\\Users\\a\\App\\"), libraryMutexName(L"C:\\Users\\b\\App\\"));
    EXPECT_EQ(libraryMutexName(L"C:\\x\\").rfind(L"Local\\", 0), 0u);

    // The first holder on another thread: a mutex is owned by a thread, as by another launcher.
    const UniqueHandle released(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const UniqueHandle held(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::thread holder([&] {
        LogfileWriter holderLog(scratch / L"holder.log");
        LibraryLock first(appDir, holderLog);
        ::SetEvent(held.get());
        ::WaitForSingleObject(released.get(), INFINITE);
    });
    if (::WaitForSingleObject(held.get(), 5000) != WAIT_OBJECT_0) {
        ::SetEvent(released.get());
        holder.join();
        FAIL() << "the first holder did not start";
    }
    try {
        LibraryLock second(appDir, *log, 300);
        ADD_FAILURE() << "acquired while held";
    } catch (const IOException& e) {
        EXPECT_EQ(e.kind, IOException::InUse);
        EXPECT_EQ(e.englishMessage, L"The folder " + appDir + L" is being prepared by another start of the application.");
    }
    ::SetEvent(released.get());
    { LibraryLock third(appDir, *log, 5000); }
    holder.join();
    log.reset();  // the writer holds its file exclusively
    const std::string written = testdriver::readBytes(scratch / L"launch.log");
    EXPECT_NE(written.find("Waiting for another launcher to finish the library folders in "), std::string::npos);
    EXPECT_NE(written.find("Still busy after 300 ms"), std::string::npos);
}

}  // namespace
