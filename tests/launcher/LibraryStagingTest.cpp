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
#include <sddl.h>
#include <aclapi.h>

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
const std::wstring kMarkerName = kLibraryCompleteMarker;
// The installation's library: a.jar and ext\b.jar, each with the text "install", and its options.
const std::vector<std::string> kSeeded = {"a.jar=install", "ext\\b.jar=install", kMarker, "win.vmoptions=-Xmx256m"};
// What a start finds below the application folder and what it leaves. Paths are relative to the
// application folder, or to the installation with the prefix "<install>\".
struct StartCase {
    const char* name;
    Files before;
    std::vector<std::string> lib;
    std::vector<std::string> libOld;
    // Held open without any sharing while the start runs, as a scanner or a client holds them.
    std::vector<std::wstring> held = {};
    // Temporary folders that stay (every other one is gone).
    std::vector<std::wstring> remaining = {};
    // The English text of the failure the start ends in ("{install}" for the installation).
    std::wstring failure = {};
};

std::wstring replaced(std::wstring text, const std::wstring& token, const std::wstring& value) {
    for (std::size_t at = text.find(token); at != std::wstring::npos; at = text.find(token, at + value.size())) {
        text.replace(at, token.size(), value);
    }
    return text;
}

// Opens a file or a folder without sharing, so that nobody can delete or list it meanwhile (Wine
// honours share modes; its folders can be renamed with open files inside, so a held file is the
// way to make a delete fail there).
UniqueFileHandle holdWithoutSharing(const std::wstring& path) {
    return UniqueFileHandle(::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                          FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

TEST(LibraryStaging, NextStartFinishesWhatAnInterruptedStartLeft) {
    const std::wstring marker = L"\\" + kMarkerName;
    const StartCase kCases[] = {
        {"first start", {}, kSeeded, {}},
        {"copy cut short", {{L"lib_tmp\\a.jar", ""}}, kSeeded, {}},
        {"copy complete, rename not done", {{L"lib_tmp\\a.jar", "install"}, {L"lib_tmp\\ext\\b.jar", "install"}},
         kSeeded, {}},
        {"repair cut short between its renames", {{L"lib_tmp\\a.jar", "install"}, {L"lib_discard\\x.txt", "old"}},
         kSeeded, {}},
        // The user's own edits and removals are no cut copy: only a jar holding the start of the
        // installation's is.
        {"a jar removed on purpose is not brought back", {{L"lib\\a.jar", "install"}}, {"a.jar=install", kMarker}, {}},
        {"a shorter win.vmoptions of the site is kept",
         {{L"lib\\a.jar", "install"}, {L"lib\\ext\\b.jar", "install"}, {L"lib\\win.vmoptions", "-Xmx1g"}},
         {"a.jar=install", "ext\\b.jar=install", kMarker, "win.vmoptions=-Xmx1g"}, {}},
        {"an update's shorter jar is kept", {{L"lib\\a.jar", "upd"}, {L"lib\\ext\\b.jar", "install"}},
         {"a.jar=upd", "ext\\b.jar=install", kMarker}, {}},
        {"earlier launcher's seed with an empty jar", {{L"lib\\a.jar", ""}, {L"lib\\ext\\b.jar", "install"}},
         kSeeded, {}},
        {"earlier launcher's seed cut in a jar whose size was set",
         {{L"lib\\a.jar", std::string("ins\0\0\0\0", 7)}}, kSeeded, {}},
        // Same sizes, other bytes: a copy again would show as "install".
        {"earlier launcher's complete seed is kept", {{L"lib\\a.jar", "INSTALL"}, {L"lib\\ext\\b.jar", "INSTALL"}},
         {"a.jar=INSTALL", "ext\\b.jar=INSTALL", kMarker}, {}},
        {"updated library without mark is kept", {{L"lib\\a.jar", "ins"}, {L"lib\\new.jar", "update"}},
         {"a.jar=ins", kMarker, "new.jar=update"}, {}},
        {"library beside a backup is kept", {{L"lib\\a.jar", "ins"}, {L"lib_old\\a.jar", "old"}},
         {"a.jar=ins"}, {"a.jar=old"}},
        {"swap", {{L"lib" + marker, ""}, {L"lib\\a.jar", "current"},
                  {L"lib_new\\a.jar", "new"}, {L"lib_old\\a.jar", "previous"}},
         {"a.jar=new", kMarker}, {"a.jar=current", kMarker}},
        {"swap of a lib_new never marked, with no lib", {{L"lib_old\\a.jar", "current"}, {L"lib_new\\a.jar", "new"}},
         {"a.jar=new", kMarker}, kSeeded},
        // The swap marks lib_new before its renames: cut short after the first, the marked lib_new
        // goes straight in and lib_old keeps the previous libraries.
        {"swap cut short after the backup rename",
         {{L"lib_old\\a.jar", "current"}, {L"lib_new\\a.jar", "new"}, {L"lib_new" + marker, ""}},
         {"a.jar=new", kMarker}, {"a.jar=current"}},
        {"file where the backup belongs", {{L"lib\\a.jar", "current"}, {L"lib_new\\a.jar", "new"}, {L"lib_old", "file"}},
         {"a.jar=new", kMarker}, {"a.jar=current"}},
        // Names a plain Win32 path cannot reach (a device, a trailing dot or blank), as a client or
        // a sync tool may leave them in the backup.
        {"backup holding names only the long form reaches",
         {{L"lib\\a.jar", "current"}, {L"lib_new\\a.jar", "new"}, {L"lib_old\\NUL.jar", "x"},
          {L"lib_old\\aux.log", "x"}, {L"lib_old\\b.jar.", "x"}, {L"lib_old\\c.jar ", "x"}},
         {"a.jar=new", kMarker}, {"a.jar=current"}},
        {"leftover another program keeps open", {{L"lib_tmp\\held.jar", "x"}}, kSeeded, {},
         {L"lib_tmp\\held.jar"}, {L"lib_tmp"}},
        // Cut short between the renames of the first repair: the user's library set aside, the
        // complete and marked merge beside it.
        {"first repair cut short between its renames",
         {{L"lib_discard\\own.cfg", "own"}, {L"lib_discard" + marker, ""}, {L"lib_tmp\\own.cfg", "own"},
          {L"lib_tmp\\a.jar", "install"}, {L"lib_tmp\\ext\\b.jar", "install"}, {L"lib_tmp\\win.vmoptions", "-Xmx256m"},
          {L"lib_tmp" + marker, ""}},
         {"a.jar=install", "ext\\b.jar=install", kMarker, "own.cfg=own", "win.vmoptions=-Xmx256m"}, {}},
        // A library without jars that shares a subfolder with the installation: the first repair
        // merges into it and keeps the library's own files.
        {"first repair of a library with a subfolder",
         {{L"lib\\ext\\own.txt", "own"}, {L"lib\\own.cfg", "own"}, {L"lib" + marker, ""}},
         {"a.jar=install", "ext\\b.jar=install", "ext\\own.txt=own", kMarker, "own.cfg=own", "win.vmoptions=-Xmx256m"},
         {}},
        {"installation library that cannot be listed", {{L"lib\\own.cfg", "own"}, {L"lib" + marker, ""}},
         {kMarker, "own.cfg=own"}, {}, {L"<install>\\lib"}, {}, L"Invalid source folder: {install}\\lib"},
    };
    for (const StartCase& c : kCases) {
        SCOPED_TRACE(c.name);
        const testdriver::ScratchFolder appDir(L"staging");
        const testdriver::ScratchFolder install(L"install");
        testdriver::writeBytes(install / L"lib\\a.jar", "install");
        testdriver::writeBytes(install / L"lib\\ext\\b.jar", "install");
        testdriver::writeBytes(install / L"lib\\win.vmoptions", "-Xmx256m");
        for (const auto& [path, content] : c.before) testdriver::writeBytes(testdriver::longForm(appDir / path), content);
        std::vector<UniqueFileHandle> holds;
        for (const std::wstring& path : c.held) {
            const bool inInstallation = path.rfind(L"<install>\\", 0) == 0;
            holds.push_back(holdWithoutSharing(inInstallation ? install.path() + path.substr(9) : appDir / path));
            ASSERT_TRUE(holds.back()) << testdriver::utf8(path);
        }
        std::wstring failure;
        {
            LogfileWriter log(appDir / L"launch.log");
            try {
                maintainLibraryFolder(appDir.path() + L"\\", install / L"lib", appDir / L"lib", log);
                EXPECT_FALSE(createClasspathWithRecovery(install / L"lib", appDir / L"lib", log).empty());
            } catch (const IOException& e) {
                failure = e.englishMessage;
            }
        }
        holds.clear();

        EXPECT_EQ(failure, replaced(c.failure, L"{install}", install.path()));
        EXPECT_EQ(contentsBelow(appDir / L"lib"), c.lib);
        EXPECT_EQ(contentsBelow(appDir / L"lib_old"), c.libOld);
        for (const wchar_t* leftover : {L"lib_tmp", L"lib_tmp2", L"lib_discard", L"lib_new"}) {
            const bool stays = std::find(c.remaining.begin(), c.remaining.end(), leftover) != c.remaining.end();
            EXPECT_EQ(testdriver::exists(appDir / leftover), stays) << testdriver::utf8(leftover);
        }
    }
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

TEST(LibraryStaging, CutShortMeansTheInstallationsFilesWithOneJarHoldingTheStartOfItsOwn) {
    using Listing = std::map<std::wstring, std::uint64_t>;
    using Paths = std::vector<std::wstring>;
    const Listing install = {{L"a.jar", 10}, {L"b.jar", 20}, {L"ext\\c.jar", 30}, {L"win.vmoptions", 9}};
    // lib, the jars whose bytes hold the start of the installation's
    testdriver::forEachCase<Listing, Paths, bool>({
        {"complete copy", install, {}, false},
        {"files missing: removed on purpose", {{L"a.jar", 10}}, {}, false},
        {"nothing copied yet", {}, {}, false},
        {"last jar short, holding the start", {{L"a.jar", 10}, {L"b.jar", 0}, {L"ext\\c.jar", 30}}, {L"b.jar"}, true},
        {"shorter jar of an update", {{L"a.jar", 10}, {L"b.jar", 7}}, {}, false},
        {"short and missing", {{L"a.jar", 10}, {L"b.jar", 7}}, {L"b.jar"}, true},
        {"two short jars: another version", {{L"a.jar", 1}, {L"b.jar", 2}, {L"ext\\c.jar", 30}}, {L"a.jar", L"b.jar"},
         false},
        {"a larger jar: another version", {{L"a.jar", 11}}, {}, false},
        {"a file the installation lacks: an update", {{L"a.jar", 10}, {L"b.jar", 7}, {L"new.jar", 5}}, {L"b.jar"},
         false},
        {"a shorter win.vmoptions: edited", {{L"a.jar", 10}, {L"win.vmoptions", 6}}, {}, false},
        {"a full-size jar holding the start and zeros", {{L"a.jar", 10}, {L"b.jar", 20}}, {L"b.jar"}, true},
        {"two full-size jars holding zeros", {{L"a.jar", 10}, {L"b.jar", 20}}, {L"a.jar", L"b.jar"}, false},
    }, [&](const Listing& lib, const Paths& holdingStart, bool cutShort) {
        const auto holdsStart = [&](const std::wstring& path) {
            return std::find(holdingStart.begin(), holdingStart.end(), path) != holdingStart.end();
        };
        EXPECT_EQ(looksCutShort(install, lib, holdsStart), cutShort);
    });
}

TEST(LibraryStaging, ACutCopyHoldsTheStartOfTheInstalledFileAndZerosBeyond) {
    const testdriver::ScratchFolder scratch(L"cut copy");
    std::string large(100000, '\0');
    for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<char>('a' + i % 26);
    // Beyond the first read chunk and the compared tail: stopped after 70000 bytes of a preset size.
    const std::string largeCut = large.substr(0, 70000) + std::string(30000, '\0');
    std::string largeOther = large;
    largeOther[99990] = 'X';
    testdriver::forEachCase<std::string, std::string, bool>({
        {"start only", "abcdef", "abc", true},
        {"start and zeros", "abcdef", std::string("abc\0\0\0", 6), true},
        {"nothing written", "abcdef", "", true},
        {"equal", "abcdef", "abcdef", false},
        {"other bytes of the same size", "abcdef", "abcxyz", false},
        {"other bytes, shorter", "abcdef", "xy", false},
        {"longer", "abcdef", "abcdefg", false},
        {"zeros, then bytes again", "abcdef", std::string("abc\0\0f", 6), false},
        {"large, cut with the size set", large, largeCut, true},
        {"large, one byte other near the end", large, largeOther, false},
    }, [&](const std::string& installed, const std::string& copied, bool cut) {
        testdriver::writeBytes(scratch / L"installed.jar", installed);
        testdriver::writeBytes(scratch / L"copied.jar", copied);
        EXPECT_EQ(holdsStartOf(scratch / L"installed.jar", scratch / L"copied.jar"), cut);
    });
    EXPECT_FALSE(holdsStartOf(scratch / L"installed.jar", scratch / L"missing.jar"));
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

TEST(LibraryLock, OneNamePerFolderHoweverItIsSpelled) {
    const testdriver::ScratchFolder scratch(L"lock name");
    const std::wstring folder = scratch / L"Application Folder";
    testdriver::makeFolders(folder);
    testdriver::makeFolders(scratch / L"Other Folder");
    wchar_t shortForm[MAX_PATH] = {};
    ASSERT_GT(::GetShortPathNameW(folder.c_str(), shortForm, MAX_PATH), 0u);
    ASSERT_NE(std::wstring(shortForm), folder) << "no 8.3 name to compare";
    std::wstring upper = folder;
    ::CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
    wchar_t previous[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(::SetCurrentDirectoryW(scratch.path().c_str()));
    const std::wstring name = libraryMutexName(folder + L"\\");
    testdriver::forEachCase<std::wstring>({
        {"without the trailing backslash", folder},
        {"trailing backslash doubled (launch.ini value ending in one)", folder + L"\\\\"},
        {"backslash doubled inside", scratch.path() + L"\\\\Application Folder\\"},
        {"dot segments", scratch.path() + L"\\.\\Other Folder\\..\\Application Folder\\"},
        {"other case", upper + L"\\"},
        {"8.3 name", std::wstring(shortForm) + L"\\"},
        {"relative to the current folder", L"Application Folder\\"},
        {"forward slashes", scratch.path() + L"/Application Folder/"},
    }, [&](const std::wstring& spelling) { EXPECT_EQ(libraryMutexName(spelling), name) << testdriver::utf8(spelling); });
    ::SetCurrentDirectoryW(previous);
    EXPECT_NE(libraryMutexName(scratch / L"Other Folder\\"), name);
    EXPECT_EQ(name.rfind(L"Local\\", 0), 0u);
    EXPECT_EQ(name.find(L'\\', 6), std::wstring::npos) << "no backslash after the namespace";

    // A folder not there yet: named by its canonical path.
    const std::wstring missing = scratch / L"Not Yet";
    const std::wstring missingName = libraryMutexName(missing + L"\\");
    for (const std::wstring& spelling : {missing + L"\\\\", scratch.path() + L"\\.\\not yet", missing}) {
        EXPECT_EQ(libraryMutexName(spelling), missingName) << testdriver::utf8(spelling);
    }
    EXPECT_NE(missingName, name);
    EXPECT_NE(libraryMutexName(scratch / L"Not Yet Either\\"), missingName);
}

TEST(LibraryLock, WaitResultsDecideBetweenOwningWaitingAndFailing) {
    // WAIT_FAILED cannot be provoked on a valid mutex; the decision is a unit.
    testdriver::forEachCase<unsigned long, LockWaitResult>({
        {"signalled", WAIT_OBJECT_0, LockWaitResult::Owned},
        {"holder ended without releasing", WAIT_ABANDONED_0, LockWaitResult::TakenOver},
        {"still held", WAIT_TIMEOUT, LockWaitResult::Busy},
        {"wait failed", WAIT_FAILED, LockWaitResult::Failed},
    }, [](unsigned long result, LockWaitResult expected) { EXPECT_EQ(lockWaitResultOf(result), expected); });
}

TEST(LibraryLock, HolderThatEndedHandsOverAndARestrictedMutexIsWaitedFor) {
    const testdriver::ScratchFolder scratch(L"lock holders");
    const std::wstring appDir = scratch.path() + L"\\";
    const std::wstring name = libraryMutexName(appDir);
    auto log = std::make_unique<LogfileWriter>(scratch / L"launch.log");

    // A holder that ends without releasing (a killed launcher): its thread's end abandons the mutex.
    UniqueHandle abandoned;
    std::thread([&] { abandoned.reset(::CreateMutexW(nullptr, TRUE, name.c_str())); }).join();
    ASSERT_TRUE(abandoned);
    { LibraryLock takenOver(appDir, *log, 1000); }
    {
        const testdriver::ScratchFolder fresh(L"lock security");
        LibraryLock first(fresh.path() + L"\\", *log, 1000);
        // A mutex the launcher made carries the security that lets every process of this user wait on it, elevated
        // or not: a DACL naming the user (elevated launchers' defaults name only administrators).
        const UniqueHandle readable(
            ::OpenMutexW(READ_CONTROL, FALSE, libraryMutexName(fresh.path() + L"\\").c_str()));
        ASSERT_TRUE(readable);
        PSECURITY_DESCRIPTOR found = nullptr;
        ASSERT_EQ(::GetSecurityInfo(readable.get(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                    nullptr, nullptr, &found),
                  static_cast<DWORD>(ERROR_SUCCESS));
        const UniqueLocalMemory foundOwner(found);
        LPWSTR text = nullptr;
        ASSERT_TRUE(::ConvertSecurityDescriptorToStringSecurityDescriptorW(found, SDDL_REVISION_1,
                                                                           DACL_SECURITY_INFORMATION, &text, nullptr));
        const UniqueLocalMemory textOwner(text);
        HANDLE token = nullptr;
        ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token));
        const UniqueHandle tokenOwner(token);
        unsigned char user[256] = {};
        DWORD size = 0;
        ASSERT_TRUE(::GetTokenInformation(token, TokenUser, user, sizeof user, &size));
        LPWSTR sid = nullptr;
        ASSERT_TRUE(::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user)->User.Sid, &sid));
        const UniqueLocalMemory sidOwner(sid);
        EXPECT_NE(std::wstring(text).find(std::wstring(L";;;") + sid + L")"), std::wstring::npos)
            << testdriver::utf8(text);
    }

    // A mutex that grants this user only waiting and releasing, as an elevated launcher's grants a
    // normal one (elevation itself cannot be shown under Wine): the second launcher waits for it
    // instead of failing at once.
    const testdriver::ScratchFolder otherScratch(L"lock restricted");
    const std::wstring otherAppDir = otherScratch.path() + L"\\";
    PSECURITY_DESCRIPTOR security = nullptr;
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;;0x100001;;;WD)", SDDL_REVISION_1,
                                                                       &security, nullptr));
    const UniqueLocalMemory securityOwner(security);
    SECURITY_ATTRIBUTES attributes{sizeof attributes, security, FALSE};
    const UniqueHandle released(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const UniqueHandle held(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::thread holder([&] {
        const UniqueHandle mutex(::CreateMutexW(&attributes, TRUE, libraryMutexName(otherAppDir).c_str()));
        ::SetEvent(held.get());
        ::WaitForSingleObject(released.get(), INFINITE);
        if (mutex) ::ReleaseMutex(mutex.get());
    });
    ASSERT_EQ(::WaitForSingleObject(held.get(), 5000), static_cast<DWORD>(WAIT_OBJECT_0));
    try {
        LibraryLock second(otherAppDir, *log, 300);
        ADD_FAILURE() << "acquired while held";
    } catch (const IOException& e) {
        EXPECT_EQ(e.kind, IOException::InUse) << testdriver::utf8(e.englishMessage);
    }
    ::SetEvent(released.get());
    holder.join();
    { LibraryLock third(otherAppDir, *log, 5000); }
    log.reset();  // the writer holds its file exclusively
    const std::string written = testdriver::readBytes(scratch / L"launch.log");
    EXPECT_NE(written.find("Library folders taken over from a launcher that ended without releasing them"),
              std::string::npos);
    EXPECT_NE(written.find("Waiting for another launcher to finish the library folders in " +
                           testdriver::utf8(otherAppDir)), std::string::npos);
}

}  // namespace
