// The class-data archive: the decision over plain data (runtime version, win.vmoptions, what the
// archive folder holds), the fingerprint, and what a start makes of the archive folder's files.
#include <algorithm>
#include <string>
#include <vector>

#include <windows.h>

#include <gtest/gtest.h>

#include "launcher/commandline/ArchiveFolder.h"
#include "launcher/commandline/ClassDataArchive.h"
#include "support/LogfileWriter.h"
#include "support/UniqueResource.h"
#include "tests/driver/CaseTable.h"
#include "tests/driver/Process.h"
#include "tests/driver/ScratchFolder.h"
#include "tests/driver/TextFiles.h"

namespace {

using testdriver::splitArguments;

// Versions on runtimeVersionNumber's scale.
enum : int { kJava8 = 10800392, kJava12 = 120002000, kJava13 = 130000000, kJava17 = 170015000 };
enum : int { kJava24 = 240002000, kJava25 = 250003000, kJava26 = 260000000 };

const wchar_t kFolder[] = L"C:\\Users\\u\\AppData\\Local\\TavrelBank\\brivane\\cds";
const std::string kRefused =
    "[warning][cds] The shared archive file was created by a different version or build of HotSpot\n";

// The first bytes of an archive, of one that a killed or starved assembly left, of the dynamic
// archive that an earlier launcher had the client write, and of a file that is none.
const std::string kArchive = "\xa2\xab\x0b\xf0\x9b\x67";
const std::string kUnwritten(4096, '\0');
const std::string kDynamicArchive = "\xa8\xab\x0b\xf0\x9b\x67";
const std::string kJunk = "\x5b\x89\x75\x7c";
const char kNone[] = "(no archive)";

ArchiveFindings found(const std::string& archiveStart, const std::string& useLog = "") {
    ArchiveFindings findings;
    findings.archivePresent = archiveStart != kNone;
    findings.archiveStart = findings.archivePresent ? archiveStart : "";
    findings.useLog = useLog;
    return findings;
}

TEST(ClassDataArchive, DecisionFollowsVersionOptionsAndFolder) {
    const ArchivePaths jsa = archivePathsFor(kFolder, L"0123456789abcdef", ArchiveKind::SharedArchive);
    const ArchivePaths aot = archivePathsFor(kFolder, L"0123456789abcdef", ArchiveKind::AheadOfTimeCache);
    const std::wstring base = std::wstring(kFolder) + L"\\0123456789abcdef";
    const std::wstring useLog17 = L"-Xlog:cds=warning:file=\"" + base + L".use.log\":level,tags:filecount=0";
    const std::wstring useLog25 = L"-Xlog:aot=warning:file=\"" + base + L".use.log\":level,tags:filecount=0";
    using Arguments = std::vector<std::wstring>;
    const Arguments list = {L"-XX:DumpLoadedClassList=" + base + L".classlist"};
    const Arguments assemble17 = {L"-Xshare:dump", L"-XX:SharedClassListFile=" + base + L".startlist",
                                  L"-XX:SharedArchiveFile=" + base + L".jsa",
                                  L"-Xlog:cds:file=\"" + base + L".write.log\":uptime:filecount=0"};
    const Arguments assemble25 = {L"-Xshare:dump", L"-XX:SharedClassListFile=" + base + L".startlist",
                                  L"-XX:SharedArchiveFile=" + base + L".aot", L"-XX:+AOTClassLinking",
                                  L"-Xlog:aot,cds:file=\"" + base + L".write.log\":uptime:filecount=0"};
    const std::wstring listed = L"Class data archive: -XX:DumpLoadedClassList=" + base + L".classlist (to be written, ";
    testdriver::forEachCase<int, std::wstring, ArchiveFindings, ArchiveDecision::Action, Arguments, Arguments,
                            std::wstring>({
        {"unknown version", 0, L"", found(kArchive), ArchiveDecision::Leave, {}, {},
         L"Class data archive: no option (runtime version unknown)"},
        {"Java 8", kJava8, L"", found(kArchive), ArchiveDecision::Leave, {}, {},
         L"Class data archive: no option (runtime older than Java 13)"},
        {"Java 12", kJava12, L"", found(kNone), ArchiveDecision::Leave, {}, {},
         L"Class data archive: no option (runtime older than Java 13)"},
        {"Java 13, nothing yet", kJava13, L"-Xmx256m", found(kNone), ArchiveDecision::Write, list, assemble17,
         listed + L"none found)"},
        {"Java 17, complete", kJava17, L"", found(kArchive), ArchiveDecision::Use,
         {L"-XX:SharedArchiveFile=" + base + L".jsa", useLog17}, {},
         L"Class data archive: -XX:SharedArchiveFile=" + base + L".jsa (in use)"},
        // The runtime writes the first bytes last: a killed or starved assembly leaves zeros there.
        {"Java 17, half-written", kJava17, L"", found(kUnwritten), ArchiveDecision::Write, list, assemble17,
         listed + L"the one found was half-written)"},
        {"Java 17, cut before its first bytes", kJava17, L"", found("\xa2\xab"), ArchiveDecision::Write, list,
         assemble17, listed + L"the one found was half-written)"},
        {"Java 17, overwritten since", kJava17, L"", found(kJunk), ArchiveDecision::Write, list, assemble17,
         listed + L"the one found is damaged)"},
        {"Java 17, the client's own dynamic archive", kJava17, L"", found(kDynamicArchive), ArchiveDecision::Write,
         list, assemble17, listed + L"the one found is damaged)"},
        {"Java 24, refused by the last run", kJava24, L"", found(kArchive, kRefused), ArchiveDecision::Write, list,
         assemble17, listed + L"the runtime could not use the one found)"},
        {"Java 25, nothing yet", kJava25, L"", found(kNone), ArchiveDecision::Write, list, assemble25,
         listed + L"none found)"},
        {"Java 25, complete", kJava25, L"", found(kArchive), ArchiveDecision::Use,
         {L"-XX:AOTCache=" + base + L".aot", useLog25}, {}, L"Class data archive: -XX:AOTCache=" + base + L".aot (in use)"},
        {"Java 26, complete", kJava26, L"", found(kArchive), ArchiveDecision::Use,
         {L"-XX:AOTCache=" + base + L".aot", useLog25}, {}, L"Class data archive: -XX:AOTCache=" + base + L".aot (in use)"},
        {"Java 25, cut off", kJava25, L"", found(kArchive, "[warning][aot] The AOT cache has been truncated.\n"),
         ArchiveDecision::Write, list, assemble25, listed + L"the runtime could not use the one found)"},
        {"Java 25, error", kJava25, L"", found(kArchive, "[error  ][aot] Unable to map shared spaces\n"),
         ArchiveDecision::Write, list, assemble25, listed + L"the runtime could not use the one found)"},
        {"administrator turned it off", kJava17, L"-Xmx256m -Xshare:auto", found(kArchive), ArchiveDecision::Leave,
         {}, {}, L"Class data archive: no option (win.vmoptions sets -Xshare:auto)"},
        {"administrator's own archive", kJava25, L"\"-XX:AOTCache=D:\\a b.aot\" -Xmx1g", found(kNone),
         ArchiveDecision::Leave, {}, {}, L"Class data archive: no option (win.vmoptions sets -XX:AOTCache=D:\\a)"},
    }, [&](int version, const std::wstring& vmOptions, const ArchiveFindings& findings, ArchiveDecision::Action action,
           const Arguments& arguments, const Arguments& assembly, const std::wstring& logLine) {
        const ArchivePaths& paths = archiveKindFor(version) == ArchiveKind::AheadOfTimeCache ? aot : jsa;
        const ArchiveDecision decision = decideClassDataArchive(version, vmOptions, paths, findings);
        EXPECT_EQ(decision.action, action);
        // As the runtime's launcher splits them: the quoted log file keeps its quotes.
        Arguments expected = {L"java"};
        expected.insert(expected.end(), arguments.begin(), arguments.end());
        EXPECT_EQ(splitArguments(L"java " + decision.options), expected);
        expected = {L"java"};
        expected.insert(expected.end(), assembly.begin(), assembly.end());
        EXPECT_EQ(splitArguments(L"java " + decision.assemblyOptions), expected);
        EXPECT_EQ(archiveLogLine(decision), logLine);
    });
}

TEST(ClassDataArchive, AssemblyReadsOnlyTheWholeLinesListedSoFar) {
    testdriver::forEachCase<std::string, std::string>({
        {"nothing listed", "", ""},
        {"the first line still being written", "java/lang/Obj", ""},
        {"one line and a part", "java/lang/Object id: 1\njava/lang/Str", "java/lang/Object id: 1\n"},
        {"the runtime ended", "java/lang/Object id: 1\na/a id: 2\n", "java/lang/Object id: 1\na/a id: 2\n"},
    }, [](const std::string& listed, const std::string& read) { EXPECT_EQ(wholeLinesOf(listed), read); });
}

TEST(ClassDataArchive, OptionsOfTheAdministratorAreFoundOnlyAsOptions) {
    for (const std::wstring option :
         {L"-Xshare:auto", L"-XX:SharedArchiveFile=C:\\a.jsa", L"-XX:ArchiveClassesAtExit=a.jsa",
          L"-XX:+AutoCreateSharedArchive", L"-XX:AOTCache=a.aot", L"-XX:AOTCacheOutput=a.aot", L"-XX:AOTMode=off",
          L"-XX:AOTConfiguration=a.conf", L"-XX:DumpLoadedClassList=a.classlist"}) {
        SCOPED_TRACE(testdriver::utf8(option));
        EXPECT_EQ(archiveOptionChosenIn(option), option);
        EXPECT_EQ(archiveOptionChosenIn(L"-Xmx1g\t" + option + L" -Dx=1"), option) << "after a tab";
        EXPECT_EQ(archiveOptionChosenIn(L"\"" + option + L"\" -Xmx1g"), option) << "quoted";
        EXPECT_EQ(archiveOptionChosenIn(option + L" -Xshare:off"), option) << "the first of two";
        // Part of a value, not an option of its own.
        EXPECT_EQ(archiveOptionChosenIn(L"-Dnote=" + option), L"");
    }
    EXPECT_EQ(archiveOptionChosenIn(L"-Xmx256m -Dx=1"), L"");
    EXPECT_EQ(archiveOptionChosenIn(L""), L"");
    EXPECT_EQ(archiveOptionChosenIn(L"-XX:-AutoCreateSharedArchive"), L"") << "switched off, no choice";
}

TEST(ClassDataArchive, FingerprintChangesWithEveryStamp) {
    const std::vector<FileStamp> base = {{L"C:\\jre\\bin\\javaw.exe", true, 20000, 1000},
                                         {L"C:\\lib\\a.jar", true, 300, 2000},
                                         {L"C:\\lib\\b.jar", true, 400, 3000}};
    const std::wstring original = archiveFingerprint(base);
    EXPECT_EQ(original.size(), 16u);
    EXPECT_EQ(original.find_first_not_of(L"0123456789abcdef"), std::wstring::npos) << testdriver::utf8(original);
    EXPECT_EQ(archiveFingerprint(base), original) << "the same files, the same name";
    using Files = std::vector<FileStamp>;
    using Change = void (*)(Files&);
    testdriver::forEachCase<Change>({
        {"another runtime", [](Files& f) { f[0].path = L"C:\\jre2\\bin\\javaw.exe"; }},
        {"runtime repaired", [](Files& f) { ++f[0].writeTime; }},
        {"runtime of another size", [](Files& f) { ++f[0].size; }},
        {"jar swapped in", [](Files& f) { f[1].writeTime = 2500; }},
        {"jar grown", [](Files& f) { ++f[1].size; }},
        {"jar added", [](Files& f) { f.push_back({L"C:\\lib\\c.jar", true, 1, 1}); }},
        {"jar gone", [](Files& f) { f.pop_back(); }},
        {"order changed", [](Files& f) { std::swap(f[1], f[2]); }},
        {"path split elsewhere", [](Files& f) { f[1].path += L"C:\\lib\\b"; f[2].path = L".jar"; }},
        {"jar missing", [](Files& f) { f[2] = {f[2].path, false, 0, 0}; }},
    }, [&](Change change) {
        Files files = base;
        change(files);
        EXPECT_NE(archiveFingerprint(files), original);
    });
}

// What a start leaves in the archive folder, from what an earlier start or a client left there.
class ArchiveFolderRun : public ::testing::Test {
protected:
    std::wstring run(int version, const std::wstring& vmOptions = L"") {
        std::wstring options;
        {
            LogfileWriter log(scratch_ / L"launch.log");
            options = prepareClassDataArchive({scratch_.path() + L"\\", scratch_ / L"jre\\bin\\javaw.exe", version,
                                               scratch_ / L"lib\\a.jar", vmOptions},
                                              log)
                          .options;
        }
        const std::string text = testdriver::readBytes(scratch_ / L"launch.log");
        const std::size_t at = text.find("Class data archive: ");
        logLine_ = at == std::string::npos ? "" : text.substr(at, text.find('\r', at) - at);
        return options;
    }
    std::vector<std::wstring> folderFiles() const {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW entry{};
        const UniqueFindHandle search(::FindFirstFileW((scratch_ / L"cds\\*").c_str(), &entry));
        if (!search) return names;
        do {
            if (entry.cFileName[0] != L'.') names.push_back(entry.cFileName);
        } while (::FindNextFileW(search.get(), &entry));
        std::sort(names.begin(), names.end());
        return names;
    }
    // The fingerprint part of the archive option's file name.
    std::wstring fingerprintOf(const std::wstring& options) const {
        const std::size_t at = options.find(L"\\cds\\");
        return at == std::wstring::npos ? L"" : options.substr(at + 5, 16);
    }

    testdriver::ScratchFolder scratch_{L"archive folder"};
    std::string logLine_;
};

TEST_F(ArchiveFolderRun, LeavesNoFolderForAnOldRuntimeOrTheAdministratorsChoice) {
    testdriver::writeBytes(scratch_ / L"jre\\bin\\javaw.exe", "exe");
    EXPECT_EQ(run(kJava8), L"");
    EXPECT_EQ(logLine_, "Class data archive: no option (runtime older than Java 13)");
    EXPECT_EQ(run(kJava17, L"-Xshare:auto"), L"");
    EXPECT_EQ(logLine_, "Class data archive: no option (win.vmoptions sets -Xshare:auto)");
    EXPECT_FALSE(testdriver::exists(scratch_ / L"cds"));
}

TEST_F(ArchiveFolderRun, ClearsOtherFingerprintsAndTheHalfWrittenArchive) {
    testdriver::writeBytes(scratch_ / L"jre\\bin\\javaw.exe", "exe");
    testdriver::writeBytes(scratch_ / L"lib\\a.jar", "jar");
    const std::wstring first = run(kJava17);
    const std::wstring fingerprint = fingerprintOf(first);
    ASSERT_EQ(fingerprint.size(), 16u) << testdriver::utf8(first);
    EXPECT_EQ(logLine_.find("(to be written, none found)") != std::string::npos, true) << logLine_;
    // An assembly was killed while it wrote; an older library left its archive and logs.
    testdriver::writeBytes(scratch_ / (L"cds\\" + fingerprint + L".jsa"), kUnwritten);
    testdriver::writeBytes(scratch_ / (L"cds\\" + fingerprint + L".write.log"), "[0.1s] Dumping shared data\n");
    testdriver::writeBytes(scratch_ / (L"cds\\" + fingerprint + L".classlist"), "java/lang/Object id: 1\n");
    testdriver::writeBytes(scratch_ / L"cds\\fedcba9876543210.jsa", "old");
    // The runtime writes its archives read-only.
    ASSERT_TRUE(::SetFileAttributesW((scratch_ / L"cds\\fedcba9876543210.jsa").c_str(), FILE_ATTRIBUTE_READONLY));
    testdriver::writeBytes(scratch_ / L"cds\\fedcba9876543210.write.log", "old");
    testdriver::makeFolders(scratch_ / L"cds\\kept folder");

    EXPECT_EQ(run(kJava17), first);
    EXPECT_NE(logLine_.find("(to be written, the one found was half-written)"), std::string::npos) << logLine_;
    EXPECT_EQ(folderFiles(), std::vector<std::wstring>{L"kept folder"});

    // The assembly wrote it completely: the next start hands it over.
    testdriver::writeBytes(scratch_ / (L"cds\\" + fingerprint + L".jsa"), kArchive + "archive");
    EXPECT_NE(run(kJava17).find(L"-XX:SharedArchiveFile="), std::wstring::npos);
    EXPECT_NE(logLine_.find("(in use)"), std::string::npos) << logLine_;

    // A new jar: another fingerprint, and the archive of the old one goes.
    testdriver::writeBytes(scratch_ / L"lib\\a.jar", "jar of the update");
    const std::wstring updated = run(kJava17);
    EXPECT_NE(fingerprintOf(updated), fingerprint);
    EXPECT_EQ(folderFiles(), std::vector<std::wstring>{L"kept folder"});
}

TEST_F(ArchiveFolderRun, ArchiveThatCannotBeRemovedCostsOnlyTheOption) {
    testdriver::writeBytes(scratch_ / L"jre\\bin\\javaw.exe", "exe");
    testdriver::writeBytes(scratch_ / L"lib\\a.jar", "jar");
    const std::wstring fingerprint = fingerprintOf(run(kJava25));
    const std::wstring archive = scratch_ / (L"cds\\" + fingerprint + L".aot");
    testdriver::writeBytes(archive, "cache");
    // Another client maps the cache: Windows keeps a mapped file from being deleted.
    UniqueFileHandle held(::CreateFileW(archive.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);

    const std::wstring options = run(kJava25);
    held.reset();

    EXPECT_EQ(options, L"");
    EXPECT_EQ(logLine_, testdriver::utf8(L"Class data archive: no option (the files of " + archive + L" are in use)"));
}

}  // namespace
