#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <windows.h>
#include <winioctl.h>

#include "support/DirectoryEnumerator.h"
#include "support/FileDescription.h"
#include "support/FileEnumerator.h"
#include "support/FileEnumeratorCallback.h"
#include "support/FindEntry.h"
#include "support/IOException.h"
#include "support/UniqueResource.h"
#include "tests/driver/CaseTable.h"
#include "tests/driver/Links.h"
#include "tests/driver/ScratchFolder.h"
#include "tests/driver/TextFiles.h"

using testdriver::exists;
using testdriver::longForm;
using testdriver::makeTree;
using testdriver::removeTree;
using testdriver::ScratchFolder;
using testdriver::utf8;
using testdriver::writeBytes;

namespace {

struct Reported {
    std::wstring relative;
    std::wstring name;
    std::uint64_t size;
    bool first;
    std::wstring path() const { return relative + name; }
};

// Copies what each call reports (the strings live only during the call) and may act on it.
class Recorder : public FileEnumeratorCallback {
public:
    explicit Recorder(const std::wstring& base) : expectedBase(base) {}
    void onEntry(FileDescription& description) override {
        EXPECT_FALSE(description.stopRequested);
        EXPECT_EQ(description.baseFolder, expectedBase);
        EXPECT_EQ(description.fullPath(), description.baseFolder + description.relativeFolder + description.name);
        entries.push_back({description.relativeFolder, description.name, description.size, description.firstInFolder});
        if (action) action(description);
    }
    std::vector<std::wstring> paths() const {
        std::vector<std::wstring> result;
        for (const Reported& e : entries) result.push_back(e.path());
        return result;
    }

    std::wstring expectedBase;
    std::vector<Reported> entries;
    std::function<void(FileDescription&)> action;
};

size_t indexOf(const std::vector<std::wstring>& paths, const std::wstring& path) {
    return static_cast<size_t>(std::find(paths.begin(), paths.end(), path) - paths.begin());
}

std::vector<std::wstring> sorted(std::vector<std::wstring> paths) {
    std::sort(paths.begin(), paths.end());
    return paths;
}

// Windows also matches a pattern against short (8.3) names, which Wine does not have: the filter
// that keeps long-name matches only is decided on the names alone.
TEST(LongNameMatch, OnlyTheLongNameCountsForAnExtensionPattern) {
    testdriver::forEachCase<std::wstring, std::wstring, bool>({
        {"jar", L"client.jar", L"*.jar", true},
        {"upper case", L"CLIENT.JAR", L"*.jar", true},
        {"mixed case pattern", L"a.Jar", L"*.JAR", true},
        {"backup found by its short name CLIENT~1.JAR", L"client.jar_old", L"*.jar", false},
        {"long extension found by its short name", L"client.jarx", L"*.jar", false},
        {"log backup", L"kvl.log.1", L"*.log", false},
        {"log", L"kvl_2024_01_02_030405.launch.log", L"*.log", true},
        {"name that is only the extension", L".jar", L"*.jar", true},
        {"shorter than the extension", L"ar", L"*.jar", false},
        {"exact name", L"javaw.exe", L"javaw.exe", true},
        {"no dot in the pattern", L"jre1.8.0_31", L"jre*", true},
        {"star", L"anything.at_all", L"*", true},
        {"wildcard after the dot", L"a.jarx", L"*.jar*", true},
        {"non-ASCII name", L"Bibliothek \u00FC.jar", L"*.jar", true},
    }, [&](const std::wstring& entry, const std::wstring& pattern, bool kept) {
        EXPECT_EQ(matchesByLongName(entry, pattern), kept);
    });
}

// Windows sets the reparse attribute on many plain files (compressed, deduplicated, cloud), which
// Wine cannot make: the decision is fed the real tag values, once as a search result and once as
// the tag query of a handle tells them.
TEST(ReparseTag, OnlyNameSurrogatesAndWinesTagZeroAreLinks) {
    constexpr DWORD kReparse = FILE_ATTRIBUTE_REPARSE_POINT;
    constexpr DWORD kFolder = FILE_ATTRIBUTE_DIRECTORY;
    testdriver::forEachCase<DWORD, DWORD, bool>({
        {"symbolic link", kReparse | kFolder, 0xA000000C, true},
        {"file symbolic link", kReparse | FILE_ATTRIBUTE_ARCHIVE, 0xA000000C, true},
        {"junction or mount point", kReparse | kFolder, 0xA0000003, true},
        {"Wine's link to a folder: tag 0", kReparse | kFolder, 0, true},
        {"WOF (compact /exe, CompactOS)", kReparse | FILE_ATTRIBUTE_ARCHIVE, 0x80000017, false},
        {"deduplicated file", kReparse | FILE_ATTRIBUTE_ARCHIVE, 0x80000013, false},
        {"cloud placeholder folder", kReparse | kFolder, 0x9000001A, false},
        {"cloud file CLOUD_1", kReparse | FILE_ATTRIBUTE_ARCHIVE, 0x9000101A, false},
        {"cloud file CLOUD_F", kReparse | FILE_ATTRIBUTE_READONLY, 0x9000F01A, false},
        {"app execution alias", kReparse, 0x8000001B, false},
        {"no reparse attribute, left-over tag field", kFolder, 0xA000000C, false},
        {"plain file", FILE_ATTRIBUTE_ARCHIVE, 0, false},
    }, [](DWORD attributes, DWORD tag, bool link) {
        WIN32_FIND_DATAW entry{};
        entry.dwFileAttributes = attributes;
        entry.dwReserved0 = tag;
        EXPECT_EQ(isLinkEntry(entry), link);
        FILE_ATTRIBUTE_TAG_INFO information{};
        information.FileAttributes = attributes;
        information.ReparseTag = tag;
        EXPECT_EQ(isLinkTagInfo(information), link);
    });
}

class EnumeratorTest : public ::testing::Test {
protected:
    std::vector<std::wstring> files(const std::wstring& pattern, bool recursive) {
        Recorder recorder(base());
        FileEnumerator().enumerate(base(), pattern, recorder, recursive);
        return recorder.paths();
    }
    std::vector<std::wstring> folders(const std::wstring& pattern, bool recursive) {
        Recorder recorder(base());
        DirectoryEnumerator().enumerate(base(), pattern, recorder, recursive);
        for (const Reported& e : recorder.entries) EXPECT_FALSE(e.first) << utf8(e.path());
        return recorder.paths();
    }
    std::wstring base() const { return scratch_.path() + L"\\"; }

    ScratchFolder scratch_{L"brivane_fs"};
};

TEST_F(EnumeratorTest, FilesComeDeepestFolderFirstAndBaseFolderLast) {
    makeTree(scratch_.path(), {L"a.jar", L"x\\b.jar", L"x\\readme.txt", L"x\\y\\c.jar", L"x\\y\\empty\\"});
    EXPECT_EQ(files(L"*.jar", true), (std::vector<std::wstring>{L"x\\y\\c.jar", L"x\\b.jar", L"a.jar"}));
    EXPECT_EQ(files(L"*.jar", false), (std::vector<std::wstring>{L"a.jar"}));
}

TEST_F(EnumeratorTest, SiblingFoldersEachCompleteBeforeTheNextAndFirstInFolderOncePerListing) {
    makeTree(scratch_.path(), {L"A\\A1\\1.jar", L"A\\A1\\1b.jar", L"A\\2.jar", L"B\\3.jar", L"4.jar", L".dot.jar",
                               L".hidden\\h.jar", L"..weird\\w.jar", L"nomatch\\n.txt", L"C.jar\\5.jar"});
    Recorder recorder(base());
    FileEnumerator().enumerate(base(), L"*.jar", recorder, true);
    const std::vector<std::wstring> paths = recorder.paths();

    // Dot-named folders are never entered; a dot-named file and a folder that matches are reported.
    EXPECT_EQ(sorted(paths), sorted({L"A\\A1\\1.jar", L"A\\A1\\1b.jar", L"A\\2.jar", L"B\\3.jar", L"4.jar",
                                     L".dot.jar", L"C.jar", L"C.jar\\5.jar"}));
    EXPECT_LT(indexOf(paths, L"A\\A1\\1b.jar"), indexOf(paths, L"A\\2.jar"));
    EXPECT_LT(indexOf(paths, L"C.jar\\5.jar"), indexOf(paths, L"C.jar"));
    for (const wchar_t* inBase : {L"4.jar", L".dot.jar", L"C.jar"}) {
        SCOPED_TRACE(utf8(inBase));
        EXPECT_GE(indexOf(paths, inBase), paths.size() - 3) << "the base folder's matches come last";
    }
    // A's whole subtree is reported in one piece: B's match cannot fall between A\A1 and A.
    const size_t b = indexOf(paths, L"B\\3.jar");
    EXPECT_TRUE(b < indexOf(paths, L"A\\A1\\1.jar") || b > indexOf(paths, L"A\\2.jar"));

    // One listing per folder with matches: A\A1 (two entries), A, B, C.jar and the base folder.
    int firsts = 0;
    for (size_t i = 0; i < recorder.entries.size(); ++i) {
        const Reported& e = recorder.entries[i];
        const bool newListing = i == 0 || recorder.entries[i - 1].relative != e.relative;
        SCOPED_TRACE(utf8(e.path()));
        EXPECT_EQ(e.first, newListing);
        firsts += e.first ? 1 : 0;
    }
    EXPECT_EQ(firsts, 5);
}

TEST_F(EnumeratorTest, StarPatternReportsDotEntriesOfEveryListingWithSizes) {
    makeTree(scratch_.path(), {L"d\\g.txt"});
    writeBytes(scratch_ / L"f.txt", std::string(12345, 'f'));
    Recorder recorder(base());
    FileEnumerator().enumerate(base(), L"*", recorder, true);

    std::vector<std::wstring> inD;
    std::vector<std::wstring> inBase;
    for (const Reported& e : recorder.entries) (e.relative.empty() ? inBase : inD).push_back(e.name);
    EXPECT_EQ(sorted(inD), sorted({L".", L"..", L"g.txt"}));
    EXPECT_EQ(sorted(inBase), sorted({L".", L"..", L"d", L"f.txt"}));
    ASSERT_EQ(recorder.entries.size(), 7u);
    EXPECT_EQ(recorder.entries[0].relative, L"d\\") << "the subfolder's listing comes first";
    for (const Reported& e : recorder.entries) {
        if (e.name == L"f.txt") {
            EXPECT_EQ(e.size, 12345u);
        } else if (e.name == L"g.txt") {
            EXPECT_EQ(e.size, 7u);  // makeTree wrote the seven bytes "d\g.txt"
        }
    }
    // The folder walker never reports "." and "..", whatever the pattern.
    EXPECT_EQ(folders(L"*", true), (std::vector<std::wstring>{L"d"}));
}

TEST_F(EnumeratorTest, SizeCombinesBothHalves) {
    // A sparse file just over 4 GiB costs no disk space and shows whether the high half is used.
    const std::uint64_t size = 0x100000005ull;
    {
        const UniqueFileHandle file(::CreateFileW((scratch_ / L"big.jar").c_str(), GENERIC_WRITE, 0, nullptr,
                                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file);
        DWORD ignored = 0;
        ::DeviceIoControl(file.get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
        LARGE_INTEGER end;
        end.QuadPart = static_cast<LONGLONG>(size);
        ASSERT_TRUE(::SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN));
        ASSERT_TRUE(::SetEndOfFile(file.get()));
    }
    Recorder recorder(base());
    FileEnumerator().enumerate(base(), L"*.jar", recorder, false);
    ASSERT_EQ(recorder.entries.size(), 1u);
    EXPECT_EQ(recorder.entries[0].size, size);
}

TEST_F(EnumeratorTest, FoldersArePreOrderWithTheSamePatternAtEveryDepth) {
    makeTree(scratch_.path(), {L"jre8\\bin\\javaw.exe", L"jre8\\jre-inner\\", L"other\\jre9\\", L"jre.txt",
                               L".jre-hidden\\", L"jre8\\.jre\\"});
    EXPECT_EQ(folders(L"jre*", true), (std::vector<std::wstring>{L"jre8", L"jre8\\jre-inner"}));
    EXPECT_EQ(folders(L"jre*", false), (std::vector<std::wstring>{L"jre8"}));

    const std::vector<std::wstring> all = folders(L"*", true);
    EXPECT_EQ(sorted(all), sorted({L"jre8", L"jre8\\bin", L"jre8\\jre-inner", L"other", L"other\\jre9"}));
    EXPECT_LT(indexOf(all, L"jre8"), indexOf(all, L"jre8\\bin"));
    EXPECT_LT(indexOf(all, L"jre8"), indexOf(all, L"jre8\\jre-inner"));
    EXPECT_LT(indexOf(all, L"other"), indexOf(all, L"other\\jre9"));
}

TEST_F(EnumeratorTest, StopOnFirstCallEndsEitherWalkAndTheWalkerCanBeUsedAgain) {
    makeTree(scratch_.path(), {L"a\\b\\c\\1.jar", L"a\\b\\2.jar", L"a\\3.jar", L"d\\4.jar", L"5.jar", L"6.jar"});
    Recorder stopper(base());
    stopper.action = [](FileDescription& d) { d.stopRequested = true; };
    FileEnumerator files;
    DirectoryEnumerator folders;
    for (bool recursive : {true, false}) {
        SCOPED_TRACE(recursive ? "recursive" : "flat");
        stopper.entries.clear();
        files.enumerate(base(), L"*.jar", stopper, recursive);
        EXPECT_EQ(stopper.entries.size(), 1u);
        stopper.entries.clear();
        folders.enumerate(base(), L"*", stopper, recursive);
        EXPECT_EQ(stopper.entries.size(), 1u);
    }

    Recorder all(base());
    files.enumerate(base(), L"*.jar", all, true);
    EXPECT_EQ(all.entries.size(), 6u);
    all.entries.clear();
    folders.enumerate(base(), L"*", all, true);
    EXPECT_EQ(all.entries.size(), 4u);
}

TEST_F(EnumeratorTest, ExceptionFromCallbackEndsTheWalkAndReachesTheCaller) {
    makeTree(scratch_.path(), {L"a\\1.jar", L"a\\2.jar", L"b\\3.jar", L"4.jar"});
    Recorder thrower(base());
    thrower.action = [&](FileDescription&) {
        if (thrower.entries.size() == 2) throw IOException(L"de", L"en", IOException::Installation);
    };
    for (const bool folderWalk : {false, true}) {
        SCOPED_TRACE(folderWalk ? "DirectoryEnumerator" : "FileEnumerator");
        thrower.entries.clear();
        try {
            if (folderWalk) {
                DirectoryEnumerator().enumerate(base(), L"*", thrower, true);
            } else {
                FileEnumerator().enumerate(base(), L"*.jar", thrower, true);
            }
            ADD_FAILURE() << "the exception did not arrive";
        } catch (const IOException& e) {
            EXPECT_EQ(e.kind, IOException::Installation);
        }
        EXPECT_EQ(thrower.entries.size(), 2u);
    }
}

TEST_F(EnumeratorTest, MissingBaseFolderReportsNothing) {
    const std::wstring missing = scratch_ / L"missing\\";
    Recorder recorder(missing);
    FileEnumerator().enumerate(missing, L"*", recorder, true);
    DirectoryEnumerator().enumerate(missing, L"*", recorder, true);
    EXPECT_TRUE(recorder.entries.empty());
}

TEST_F(EnumeratorTest, NonAsciiNamesWithBlanksArriveUnchanged) {
    const std::wstring folder = L"Bibliothek \u00FC\u00DF \u65E5\u672C";
    const std::wstring file = L"gro\u00DFe Datei \u00E9.jar";
    makeTree(scratch_.path(), {folder + L"\\" + file});
    EXPECT_EQ(files(L"*.jar", true), (std::vector<std::wstring>{folder + L"\\" + file}));
    EXPECT_EQ(folders(L"Bib*", true), (std::vector<std::wstring>{folder}));
    EXPECT_TRUE(exists(base() + folder + L"\\" + file));
}

TEST_F(EnumeratorTest, FoldersThatVanishDuringTheWalkAreSkipped) {
    makeTree(scratch_.path(), {L"one\\deep\\1.jar", L"one\\2.jar", L"two\\deep\\3.jar", L"two\\4.jar", L"5.jar"});
    {
        SCOPED_TRACE("FileEnumerator: the first report removes the other top folder");
        Recorder recorder(base());
        std::wstring removed;
        recorder.action = [&](FileDescription& d) {
            if (!removed.empty()) return;
            removed = d.relativeFolder.rfind(L"one\\", 0) == 0 ? L"two\\" : L"one\\";
            removeTree(base() + removed);
            EXPECT_FALSE(exists(base() + removed));
        };
        FileEnumerator().enumerate(base(), L"*.jar", recorder, true);
        ASSERT_FALSE(removed.empty());
        for (const Reported& e : recorder.entries) EXPECT_NE(e.relative.rfind(removed, 0), 0u) << utf8(e.path());
        EXPECT_EQ(recorder.entries.size(), 3u);
    }
    {
        SCOPED_TRACE("DirectoryEnumerator: a reported folder loses its subfolders before the descent");
        makeTree(scratch_.path(), {L"one\\deep\\deeper\\", L"two\\deep\\deeper\\"});
        Recorder recorder(base());
        recorder.action = [&](FileDescription& d) {
            if (d.relativeFolder.empty()) removeTree(d.fullPath() + L"\\deep");
        };
        DirectoryEnumerator().enumerate(base(), L"*", recorder, true);
        EXPECT_EQ(sorted(recorder.paths()), sorted({L"one", L"two"}));
    }
}

// A link back up to the base would multiply the walk with every loop; one to a folder outside
// would bring in what does not belong to the tree. Neither walker enters a link; the file walker
// reports one whose name matches as a name, the folder walker skips it.
TEST_F(EnumeratorTest, LinksAreNeverEntered) {
    const ScratchFolder outside(L"brivane_fs_outside");
    makeTree(outside.path(), {L"outside.jar", L"jre-outside\\bin\\javaw.exe"});
    makeTree(scratch_.path(), {L"a.jar", L"sub\\b.jar"});
    ASSERT_TRUE(testdriver::makeFolderLink(base() + L"sub\\up", scratch_.path()));
    ASSERT_TRUE(testdriver::makeFolderLink(base() + L"sub\\up2", scratch_.path()));
    ASSERT_TRUE(testdriver::makeFolderLink(base() + L"linked.jar", outside.path()));
    ASSERT_TRUE(testdriver::makeFolderLink(base() + L"jre-linked", outside.path()));

    const DWORD started = ::GetTickCount();
    EXPECT_EQ(sorted(files(L"*.jar", true)), sorted({L"sub\\b.jar", L"a.jar", L"linked.jar"}));
    EXPECT_EQ(files(L"javaw.exe", true), std::vector<std::wstring>{});
    EXPECT_EQ(sorted(folders(L"*", true)), sorted({L"sub"}));
    EXPECT_EQ(folders(L"jre*", true), std::vector<std::wstring>{});
    EXPECT_LT(::GetTickCount() - started, 1000u);
}

TEST_F(EnumeratorTest, PathsLongerThanMaxPathNeitherCrashNorHang) {
    std::wstring deep;
    while ((base() + deep).size() < MAX_PATH + 60) deep += L"Ordner mit \u00DCmlaut " + std::to_wstring(deep.size()) + L"\\";
    makeTree(scratch_.path(), {L"short.jar", deep + L"deep.jar"});
    ASSERT_TRUE(exists(base() + deep + L"deep.jar"));

    // Windows stops listing at MAX_PATH without the "\\?\" form; Wine may go on. Either way the
    // walk ends, reports the short path, and whatever else it reports is real.
    const std::vector<std::wstring> reported = files(L"*.jar", true);
    EXPECT_NE(std::find(reported.begin(), reported.end(), L"short.jar"), reported.end());
    for (const std::wstring& path : reported) {
        SCOPED_TRACE(utf8(path));
        EXPECT_TRUE(path == L"short.jar" || path == deep + L"deep.jar");
    }
    const std::vector<std::wstring> walked = folders(L"*", true);
    EXPECT_FALSE(walked.empty());
    for (const std::wstring& path : walked) EXPECT_EQ(deep.rfind(path + L"\\", 0), 0u) << utf8(path);
}

}  // namespace
