// The retries of deleteFolder and renameFolder. Each give-up costs about 3 seconds, so the slow
// cases are kept to the two give-ups and one delete that succeeds after its file is released.
#include <string>

#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include "support/FolderOperations.h"
#include "support/IOException.h"
#include "support/UniqueResource.h"
#include "tests/driver/CaseTable.h"
#include "tests/driver/Links.h"
#include "tests/driver/Process.h"
#include "tests/driver/ScratchFolder.h"
#include "tests/driver/TextFiles.h"
#include "tests/driver/ThrownBy.h"
#include "tests/support_fs/ImportHook.h"

using testdriver::exists;
using supportfs::ImportHook;
using testdriver::makeTree;
using testdriver::ScratchFolder;

namespace {

// Every attempt is one MoveFileW or SHFileOperationW call; the hooks count them.
int moveCalls = 0;
int shellCalls = 0;
void* originalMove = nullptr;
void* originalShell = nullptr;

BOOL WINAPI countingMoveFileW(LPCWSTR source, LPCWSTR target) {
    ++moveCalls;
    return reinterpret_cast<decltype(&::MoveFileW)>(originalMove)(source, target);
}

int WINAPI countingSHFileOperationW(LPSHFILEOPSTRUCTW operation) {
    ++shellCalls;
    return reinterpret_cast<decltype(&::SHFileOperationW)>(originalShell)(operation);
}

// Adds the read-only mark through a handle opened with the given flag (FILE_FLAG_OPEN_REPARSE_POINT
// for the link itself).
bool markReadOnly(const std::wstring& path, DWORD openFlag) {
    const UniqueFileHandle entry(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | openFlag, nullptr));
    FILE_BASIC_INFO basic{};
    if (!entry || !::GetFileInformationByHandleEx(entry.get(), FileBasicInfo, &basic, sizeof basic)) return false;
    basic.FileAttributes |= FILE_ATTRIBUTE_READONLY;
    return ::SetFileInformationByHandle(entry.get(), FileBasicInfo, &basic, sizeof basic) != FALSE;
}

class FolderRetries : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(moveHook_.installed());
        ASSERT_TRUE(shellHook_.installed());
        originalMove = moveHook_.original();
        originalShell = shellHook_.original();
        moveCalls = 0;
        shellCalls = 0;
    }

    ImportHook moveHook_{"MoveFileW", reinterpret_cast<void*>(&countingMoveFileW)};
    ImportHook shellHook_{"SHFileOperationW", reinterpret_cast<void*>(&countingSHFileOperationW)};
    ScratchFolder scratch_{L"brivane_fs"};
};

TEST_F(FolderRetries, GiveUpAfterTenAttemptsAndAboutThreeSeconds) {
    const std::wstring source = scratch_ / L"lib_new";
    const std::wstring target = scratch_ / L"lib";
    makeTree(scratch_.path(), {L"lib_new\\a.jar", L"lib\\b.jar"});
    const std::wstring missing = scratch_ / L"never there";

    using Action = void (*)(const std::wstring&, const std::wstring&, const std::wstring&);
    testdriver::forEachCase<Action, const int*, std::wstring, std::wstring, int>({
        {"rename onto an existing folder, in-use kind",
         [](const std::wstring& s, const std::wstring& t, const std::wstring&) {
             renameFolder(s, t, IOException::InUse);
         },
         &moveCalls, L"Der Ordner " + source + L" kann nicht nach " + target + L" umbenannt werden.",
         L"The folder " + source + L" can not be renamed to " + target + L".", IOException::InUse},
        {"delete of a folder that does not exist",
         [](const std::wstring&, const std::wstring&, const std::wstring& m) { deleteFolder(m); }, &shellCalls,
         L"Der Ordner " + missing + L" kann nicht gelöscht werden.", L"The folder " + missing + L" can not be deleted.",
         IOException::Resource},
    }, [&](Action action, const int* calls, const std::wstring& german, const std::wstring& english, int kind) {
        moveCalls = shellCalls = 0;
        const DWORD started = ::GetTickCount();
        const IOException e = testdriver::thrownBy([&] { action(source, target, missing); });
        EXPECT_EQ(e.germanMessage, german);
        EXPECT_EQ(e.englishMessage, english);
        EXPECT_EQ(e.kind, kind);
        const DWORD elapsed = ::GetTickCount() - started;
        EXPECT_EQ(*calls, 10);
        // Ten waits of 300 ms, the last one included; the tick count is coarse (about 16 ms).
        EXPECT_GE(elapsed, 2950u);
        EXPECT_LT(elapsed, 8000u);
    });
    EXPECT_TRUE(exists(source + L"\\a.jar"));
    EXPECT_TRUE(exists(target + L"\\b.jar"));
}

// Wine's shell delete turns a path beyond MAX_PATH into an empty one and then deletes the current
// folder's contents. deleteFolder must never hand it such a tree, and deletes it by other means.
// The current folder is a sacrificial scratch folder with a canary, in case it ever does.
TEST_F(FolderRetries, TreeWithPathsBeyondMaxPathIsDeletedWithoutTheShellOrTheCurrentFolder) {
    const std::wstring tree = scratch_ / L"lib";
    std::wstring deep = tree;
    while (deep.size() < MAX_PATH + 20) deep += L"\\a long folder name";
    const std::wstring relativeDeep = deep.substr(scratch_.path().size() + 1);
    makeTree(scratch_.path(), {L"cwd\\canary.txt", relativeDeep + L"\\deep.jar", relativeDeep + L"\\read-only.jar",
                               L"lib\\short.jar"});
    ::SetFileAttributesW(testdriver::longForm(deep + L"\\read-only.jar").c_str(), FILE_ATTRIBUTE_READONLY);
    const std::wstring canary = scratch_ / L"cwd\\canary.txt";
    ASSERT_TRUE(exists(canary));
    ASSERT_TRUE(exists(deep + L"\\deep.jar"));

    wchar_t previous[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(::SetCurrentDirectoryW((scratch_ / L"cwd").c_str()));
    deleteFolder(tree);
    ::SetCurrentDirectoryW(previous);

    EXPECT_TRUE(exists(canary));
    EXPECT_EQ(shellCalls, 0) << "the tree must never reach the shell";
    EXPECT_FALSE(exists(tree));
}

// The length that counts is the one the shell sees: a relative tree is joined to the current
// folder, so short relative names below a deep current folder are kept from the shell as well.
TEST_F(FolderRetries, RelativeTreeBeyondMaxPathBelowTheCurrentFolderIsDeletedWithoutTheShell) {
    std::wstring cwd = scratch_ / L"cwd";
    while (cwd.size() < MAX_PATH - 60) cwd += L"\\deep current folder";
    std::wstring relativeDeep = L"lib";
    while (cwd.size() + 1 + relativeDeep.size() < MAX_PATH + 20) relativeDeep += L"\\sub";
    makeTree(scratch_.path(), {cwd.substr(scratch_.path().size() + 1) + L"\\canary.txt",
                               cwd.substr(scratch_.path().size() + 1) + L"\\" + relativeDeep + L"\\deep.jar"});
    ASSERT_LT(relativeDeep.size() + 2, static_cast<size_t>(MAX_PATH)) << "the relative path alone must look harmless";

    wchar_t previous[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(::SetCurrentDirectoryW(cwd.c_str()));
    deleteFolder(L"lib");
    ::SetCurrentDirectoryW(previous);

    EXPECT_EQ(shellCalls, 0) << "the tree must never reach the shell";
    EXPECT_TRUE(exists(cwd + L"\\canary.txt"));
    EXPECT_FALSE(exists(cwd + L"\\lib"));
}

// Links inside the tree, and the tree being a link itself, with canaries behind them: a folder
// holding a file, and an empty folder (Wine 8's RemoveDirectoryW on a link removes an empty
// target). Windows removes each link as a link and the delete succeeds; Wine 8 offers no Win32
// call that removes a Linux link itself, so there the links stay and the delete ends in its error
// after the ten attempts. Either way nothing behind a link is touched and the shell never sees
// the tree.
TEST_F(FolderRetries, LinksAreRemovedAsLinksAndNothingBehindThemIsTouched) {
    makeTree(scratch_.path(), {L"outside\\canary.txt", L"outside\\sub\\canary.jar", L"empty outside\\",
                               L"lib_old\\a.jar", L"lib_old\\ext\\b.jar", L"real\\c.jar"});
    const std::wstring tree = scratch_ / L"lib_old";
    ASSERT_TRUE(testdriver::makeFolderLink(tree + L"\\ext\\outside", scratch_ / L"outside"));
    ASSERT_TRUE(testdriver::makeFolderLink(tree + L"\\empty", scratch_ / L"empty outside"));
    ASSERT_TRUE(testdriver::makeFolderLink(scratch_ / L"linked lib", scratch_ / L"real"));
    // A read-only link to a read-only target: the mark is cleared on the link alone. The link is
    // marked through a handle to it; Wine's handle is the target's, and Wine 8 keeps no read-only
    // mark on a folder, so there this row shows only that the target is left as it was.
    makeTree(scratch_.path(), {L"read-only target\\canary.txt"});
    const std::wstring readOnlyTarget = scratch_ / L"read-only target";
    const std::wstring readOnlyLink = scratch_ / L"read-only link";
    ASSERT_TRUE(testdriver::makeFolderLink(readOnlyLink, readOnlyTarget));
    ASSERT_TRUE(markReadOnly(readOnlyLink, FILE_FLAG_OPEN_REPARSE_POINT));
    ASSERT_TRUE(markReadOnly(readOnlyTarget, 0));
    const DWORD targetAttributes = ::GetFileAttributesW(readOnlyTarget.c_str());

    // The second path is what stays where links cannot be removed.
    testdriver::forEachCase<std::wstring, std::wstring>({
        {"links inside", tree, tree + L"\\ext\\outside"},
        {"the folder itself a link", scratch_ / L"linked lib", scratch_ / L"linked lib"},
        {"a read-only link", readOnlyLink, readOnlyLink},
    }, [&](const std::wstring& folder, const std::wstring& link) {
        bool deleted = true;
        try {
            deleteFolder(folder);
        } catch (const IOException& e) {
            deleted = false;
            EXPECT_EQ(e.englishMessage, L"The folder " + folder + L" can not be deleted.");
        }
        if (deleted) {
            EXPECT_FALSE(exists(folder));
        } else {
            EXPECT_TRUE(isLink(link));
        }
    });
    EXPECT_FALSE(exists(tree + L"\\a.jar"));
    EXPECT_FALSE(exists(tree + L"\\ext\\b.jar"));
    EXPECT_EQ(shellCalls, 0) << "a tree with links must never reach the shell";
    EXPECT_EQ(testdriver::readBytes(scratch_ / L"outside\\canary.txt"), "outside\\canary.txt");
    EXPECT_TRUE(exists(scratch_ / L"outside\\sub\\canary.jar"));
    EXPECT_TRUE(exists(scratch_ / L"empty outside"));
    EXPECT_TRUE(exists(scratch_ / L"real\\c.jar"));
    EXPECT_EQ(::GetFileAttributesW(readOnlyTarget.c_str()), targetAttributes) << "the target keeps its marks";
    EXPECT_TRUE(exists(readOnlyTarget + L"\\canary.txt"));
    // A read-only folder is not removed on Windows: the scratch clean-up needs the mark gone.
    ::SetFileAttributesW(readOnlyTarget.c_str(), FILE_ATTRIBUTE_DIRECTORY);
}

// Wine lets a folder be renamed while a file inside is open, but it does honour the share mode:
// a file opened without FILE_SHARE_DELETE cannot be deleted, so the shell delete of its folder
// fails on Windows and under Wine alike. The holder is a second process, as a running client is.
TEST_F(FolderRetries, FileHeldByAnotherProcessBlocksDeleteUntilReleased) {
    const std::wstring folder = scratch_ / L"lib_old";
    makeTree(folder, {L"held.jar", L"sub\\other.jar"});
    const std::wstring held = folder + L"\\held.jar";
    {
        SCOPED_TRACE("held for the whole delete");
        testdriver::FileHolder holder(held, 60000);
        ASSERT_TRUE(holder.waitUntilHeld(10000)) << "holder did not open the file";

        const DWORD started = ::GetTickCount();
        const IOException e = testdriver::thrownBy([&] { deleteFolder(folder); });
        EXPECT_EQ(e.englishMessage, L"The folder " + folder + L" can not be deleted.");
        EXPECT_EQ(shellCalls, 10);
        EXPECT_GE(::GetTickCount() - started, 2950u);
        EXPECT_TRUE(exists(held));

        holder.release();
        ASSERT_TRUE(holder.process().waitForExit(10000));
        EXPECT_EQ(holder.process().exitCode(), 0u);
    }
    {
        SCOPED_TRACE("released about one second into the retries");
        shellCalls = 0;
        testdriver::FileHolder holder(held, 1000);
        ASSERT_TRUE(holder.waitUntilHeld(10000)) << "holder did not open the file";

        deleteFolder(folder);
        EXPECT_FALSE(exists(folder));
        EXPECT_GE(shellCalls, 2) << "the first attempt should have met the held file";
        EXPECT_LE(shellCalls, 10);
        ASSERT_TRUE(holder.process().waitForExit(10000));
        EXPECT_EQ(holder.process().exitCode(), 0u);
    }
}

}  // namespace
