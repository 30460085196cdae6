#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <windows.h>

#include "support/FolderOperations.h"
#include "support/IOException.h"
#include "support/UniqueResource.h"
#include "tests/driver/CaseTable.h"
#include "tests/driver/Links.h"
#include "tests/driver/ScratchFolder.h"
#include "tests/driver/TextFiles.h"
#include "tests/driver/ThrownBy.h"

using testdriver::exists;
using testdriver::makeTree;
using testdriver::readBytes;
using testdriver::ScratchFolder;
using testdriver::thrownBy;
using testdriver::utf8;
using testdriver::writeBytes;

namespace {

const std::wstring kUnicodeName = L"Ünïcödé Ordner \u65E5\u672C mit Leerzeichen";

TEST(LongPathForm, LiftsTheLimitForDrivesAndNetworkPathsOnlyOnce) {
    testdriver::expectEachCase<std::wstring, std::wstring>(longPathForm, {
        {"drive", L"C:\\users\\u\\lib_old", L"\\\\?\\C:\\users\\u\\lib_old"},
        {"network", L"\\\\server\\share\\lib", L"\\\\?\\UNC\\server\\share\\lib"},
        {"already long", L"\\\\?\\C:\\lib", L"\\\\?\\C:\\lib"},
        {"already long network", L"\\\\?\\UNC\\s\\x", L"\\\\?\\UNC\\s\\x"},
        {"device", L"\\\\.\\C:\\lib", L"\\\\.\\C:\\lib"},
    });
}

TEST(FolderTests, TellFoldersFromFilesAndMissingPaths) {
    const ScratchFolder scratch(L"brivane_fs");
    makeTree(scratch.path(), {L"folder\\", L"file.txt", L"Ä ö\\ü ß.jar"});
    testdriver::forEachCase<std::wstring, bool, bool>({
        {"folder", scratch / L"folder", true, false},
        {"file", scratch / L"file.txt", false, true},
        {"missing", scratch / L"missing", false, false},
        {"below a file", scratch / L"file.txt\\x", false, false},
        {"non-ASCII folder with blanks", scratch / L"Ä ö", true, false},
        {"non-ASCII file with blanks", scratch / L"Ä ö\\ü ß.jar", false, true},
        {"empty path", L"", false, false},
    }, [&](const std::wstring& path, bool directory, bool file) {
        EXPECT_EQ(isDirectory(path), directory);
        EXPECT_EQ(isFile(path), file);
    });
}

TEST(FolderTests, CreateFolderMakesOneLevelAndRefusesExistingOrOrphanedFolders) {
    const ScratchFolder scratch(L"brivane_fs");
    const std::wstring fresh = scratch / kUnicodeName;
    createFolder(fresh);
    EXPECT_TRUE(isDirectory(fresh));

    for (const std::wstring& path : {fresh, scratch / L"no parent\\child"}) {
        SCOPED_TRACE(utf8(path));
        const IOException e = thrownBy([&] { createFolder(path); });
        EXPECT_EQ(e.germanMessage, L"Der Ordner " + path + L" kann nicht erstellt werden.");
        EXPECT_EQ(e.englishMessage, L"The folder " + path + L" can not be created.");
        EXPECT_EQ(e.kind, IOException::Resource);
    }
    EXPECT_FALSE(exists(scratch / L"no parent"));
}

// A folder another launcher made a moment ago is no failure; anything else still missing is.
TEST(FolderTests, CreateMissingFolderAcceptsAnExistingFolderOnly) {
    const ScratchFolder scratch(L"brivane_fs");
    makeTree(scratch.path(), {L"existing\\", L"file"});
    testdriver::forEachCase<std::wstring, bool>({
        {"missing", scratch / L"fresh", false},
        {"there already", scratch / L"existing", false},
        {"a file of that name", scratch / L"file", true},
        {"no parent", scratch / L"no parent\\child", true},
    }, [](const std::wstring& path, bool fails) {
        if (fails) {
            EXPECT_EQ(thrownBy([&] { createMissingFolder(path); }).englishMessage,
                      L"The folder " + path + L" can not be created.");
        } else {
            createMissingFolder(path);
            EXPECT_TRUE(isDirectory(path));
        }
    });
}

TEST(FolderTests, MergeCopiesIntoExistingSubfoldersAndFindsUnlistableOnes) {
    const ScratchFolder scratch(L"brivane_fs");
    const std::wstring source = scratch / L"lib";
    const std::wstring target = scratch / L"staging";
    makeTree(source, {L"a.jar", L"ext\\b.jar", L"ext\\deep\\c.jar"});
    makeTree(target, {L"ext\\own.txt", L"ext\\b.jar"});

    EXPECT_EQ(thrownBy([&] { copyFolder(source, target); }).englishMessage,
              L"The folder " + target + L"\\ext can not be created.");
    mergeFolderInto(source, target);
    for (const std::wstring& file : {L"a.jar", L"ext\\b.jar", L"ext\\deep\\c.jar"}) {
        EXPECT_EQ(readBytes(target + L"\\" + file), utf8(file)) << utf8(file);
    }
    EXPECT_EQ(readBytes(target + L"\\ext\\own.txt"), "ext\\own.txt");

    EXPECT_EQ(firstUnlistableFolder(source), L"");
    EXPECT_EQ(firstUnlistableFolder(scratch / L"missing"), scratch / L"missing");
    // A folder held without sharing cannot be opened for its listing, on Windows and under Wine
    // (which does not enforce rights for root).
    const UniqueFileHandle held(::CreateFileW((source + L"\\ext\\deep").c_str(), GENERIC_READ, 0, nullptr,
                                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    ASSERT_TRUE(held);
    EXPECT_EQ(firstUnlistableFolder(source), source + L"\\ext\\deep");
}

TEST(FolderTests, TryDeleteFileDeletesFilesOnly) {
    const ScratchFolder scratch(L"brivane_fs");
    makeTree(scratch.path(), {L"plain.jar", L"readonly.jar", L"held.jar", L"folder\\inside.jar"});
    ::SetFileAttributesW((scratch / L"readonly.jar").c_str(), FILE_ATTRIBUTE_READONLY);
    writeBytes(testdriver::longForm(scratch / L"trailing dot."), "x");
    const UniqueFileHandle held(::CreateFileW((scratch / L"held.jar").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    testdriver::forEachCase<std::wstring, bool, bool>({
        {"plain", L"plain.jar", true, false},
        {"read-only", L"readonly.jar", true, false},
        {"a name only the long form reaches", L"trailing dot.", true, false},
        {"missing", L"missing.jar", true, false},
        {"held without delete sharing", L"held.jar", false, true},
        {"a folder is left alone", L"folder", false, true},
    }, [&](const std::wstring& name, bool deleted, bool stays) {
        EXPECT_EQ(tryDeleteFile(scratch / name), deleted);
        EXPECT_EQ(exists(testdriver::longForm(scratch / name)), stays);
    });
}

TEST(FolderTests, CopyFolderCopiesDotFilesButNotDotFoldersAndOverwritesFiles) {
    const ScratchFolder scratch(L"brivane_fs");
    const std::wstring source = scratch / L"lib";
    const std::wstring target = scratch / L"copy";
    makeTree(source, {L"a.jar", L".dotfile", L"hidden.jar", L"sub\\b.jar", L"sub\\deeper\\c.jar", L"empty\\",
                      L".svn\\entries", L".git\\", kUnicodeName + L"\\ä b.jar"});
    ::SetFileAttributesW((source + L"\\hidden.jar").c_str(), FILE_ATTRIBUTE_HIDDEN);
    makeTree(target, {L"a.jar", L"kept.txt"});
    writeBytes(target + L"\\a.jar", "an older and longer a.jar");

    copyFolder(source, target);

    // Every file holds its own relative path, so a.jar shows whether the old one was replaced.
    const std::vector<std::wstring> kCopied = {L"a.jar", L".dotfile", L"hidden.jar", L"sub\\b.jar",
                                               L"sub\\deeper\\c.jar", L"kept.txt", kUnicodeName + L"\\ä b.jar"};
    for (const std::wstring& copied : kCopied) {
        SCOPED_TRACE(utf8(copied));
        EXPECT_EQ(readBytes(target + L"\\" + copied), utf8(copied));
    }
    EXPECT_TRUE(isDirectory(target + L"\\empty"));
    EXPECT_FALSE(exists(target + L"\\.svn"));
    EXPECT_FALSE(exists(target + L"\\.git"));
}

TEST(FolderTests, CopyFolderOverwritesProtectedFilesAndLeavesLinksOut) {
    const ScratchFolder scratch(L"brivane_fs");
    const std::wstring source = scratch / L"lib";
    const std::wstring target = scratch / L"copy";
    makeTree(scratch.path(), {L"lib\\a.jar", L"lib\\b.jar", L"lib\\c.jar", L"lib\\d.jar", L"outside\\canary.jar"});
    ASSERT_TRUE(testdriver::makeFolderLink(source + L"\\linked", scratch / L"outside"));
    ASSERT_TRUE(testdriver::makeFolderLink(source + L"\\up", source));
    // Windows refuses CopyFileW onto such files; a root user under Wine may not see the refusal,
    // so the result shows it: the new content, and none of the old marks left on the copy.
    constexpr DWORD kProtecting = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    const struct {
        const char* name;
        std::wstring file;
        DWORD targetAttributes;
    } kCases[] = {
        {"read-only target", L"a.jar", FILE_ATTRIBUTE_READONLY},
        {"hidden target", L"b.jar", FILE_ATTRIBUTE_HIDDEN},
        {"system target", L"c.jar", FILE_ATTRIBUTE_SYSTEM},
        {"all three", L"d.jar", kProtecting},
    };
    createFolder(target);
    for (const auto& c : kCases) {
        writeBytes(target + L"\\" + c.file, "an older " + utf8(c.file));
        ASSERT_TRUE(::SetFileAttributesW((target + L"\\" + c.file).c_str(), c.targetAttributes));
    }

    copyFolder(source, target);

    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(readBytes(target + L"\\" + c.file), "lib\\" + utf8(c.file));
        EXPECT_EQ(::GetFileAttributesW((target + L"\\" + c.file).c_str()) & kProtecting, 0u);
    }
    EXPECT_FALSE(exists(target + L"\\linked"));
    EXPECT_FALSE(exists(target + L"\\up"));
}

TEST(FolderTests, CopyFolderFailures) {
    const ScratchFolder scratch(L"brivane_fs");
    const std::wstring source = scratch / L"lib";
    makeTree(source, {L"a.jar", L"sub\\b.jar"});

    {
        SCOPED_TRACE("target already holds a subfolder of the source: the create error for it");
        const std::wstring target = scratch / L"taken";
        makeTree(target, {L"sub\\"});
        const IOException e = thrownBy([&] { copyFolder(source, target); });
        EXPECT_EQ(e.englishMessage, L"The folder " + target + L"\\sub can not be created.");
        EXPECT_EQ(e.kind, IOException::Resource);
    }
    {
        SCOPED_TRACE("missing source");
        const std::wstring missing = scratch / L"missing";
        createFolder(scratch / L"target");
        const IOException e = thrownBy([&] { copyFolder(missing, scratch / L"target"); });
        EXPECT_EQ(e.germanMessage, L"Ungültiges Quellverzeichnis: " + missing);
        EXPECT_EQ(e.englishMessage, L"Invalid source folder: " + missing);
        EXPECT_EQ(e.kind, IOException::Resource);
    }
    {
        SCOPED_TRACE("target does not exist: copyFolder does not create it, the first file fails");
        const std::wstring flat = scratch / L"flat";
        makeTree(flat, {L"only.jar"});
        const std::wstring target = scratch / L"nowhere";
        const IOException e = thrownBy([&] { copyFolder(flat, target); });
        EXPECT_EQ(e.germanMessage, L"Die Datei " + flat + L"\\only.jar kann nicht nach " + target +
                                       L"\\only.jar kopiert werden.");
        EXPECT_EQ(e.englishMessage, L"The file " + flat + L"\\only.jar can not be copied to " + target +
                                        L"\\only.jar.");
        EXPECT_FALSE(exists(target));
    }
}

TEST(FolderTests, RenameAndDeleteSucceedAtOnceWhenNothingIsInTheWay) {
    const ScratchFolder scratch(L"brivane_fs");
    const std::wstring source = scratch / L"lib_new";
    const std::wstring target = scratch / kUnicodeName;
    makeTree(source, {L"a.jar", L"sub\\b.jar"});

    const DWORD started = ::GetTickCount();
    renameFolder(source, target, IOException::InUse);
    EXPECT_FALSE(exists(source));
    EXPECT_EQ(readBytes(target + L"\\sub\\b.jar"), "sub\\b.jar");

    deleteFolder(target);
    EXPECT_FALSE(exists(target));
    EXPECT_LT(::GetTickCount() - started, 2000u) << "a first attempt that works must not wait";
}

TEST(FolderTests, RemoveEmptyFolderRemovesOnlyEmptyFolders) {
    const ScratchFolder scratch(L"brivane_fs");
    makeTree(scratch.path(), {L"empty\\", L"full\\file.txt"});
    const struct {
        const char* name;
        std::wstring path;
        bool removed;
    } kCases[] = {
        {"empty", scratch / L"empty", true},
        {"not empty", scratch / L"full", false},
        {"missing", scratch / L"missing", false},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(removeEmptyFolder(c.path), c.removed);
        EXPECT_EQ(exists(c.path), c.name == std::string("not empty"));
    }
}

TEST(FolderTests, PathsLongerThanMaxPathNeitherCrashNorHang) {
    const ScratchFolder scratch(L"brivane_fs");
    std::wstring deep = L"lib";
    while ((scratch / deep).size() < MAX_PATH + 40) deep += L"\\Ordner mit Ümlaut " + std::to_wstring(deep.size());
    makeTree(scratch.path(), {L"lib\\short.jar", deep + L"\\deep.jar"});
    const std::wstring deepFolder = scratch / deep;
    ASSERT_TRUE(exists(deepFolder + L"\\deep.jar"));

    // Without the "\\?\" form Windows stops at MAX_PATH while Wine may go beyond: either answer is
    // fine, as long as the tests answer at all and a failure is our IOException with its text.
    const bool directory = isDirectory(deepFolder);
    EXPECT_FALSE(directory && isFile(deepFolder));

    const std::wstring copy = scratch / L"copy";
    createFolder(copy);
    try {
        copyFolder(scratch / L"lib", copy);
        EXPECT_EQ(readBytes(copy + deep.substr(3) + L"\\deep.jar"), utf8(deep + L"\\deep.jar"));
    } catch (const IOException& e) {
        EXPECT_TRUE(e.englishMessage.rfind(L"The folder ", 0) == 0 || e.englishMessage.rfind(L"The file ", 0) == 0)
            << utf8(e.englishMessage);
    }
    EXPECT_EQ(readBytes(copy + L"\\short.jar"), "lib\\short.jar");
}

}  // namespace
