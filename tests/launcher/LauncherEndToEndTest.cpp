// The real launcher under the test prefix, against prepared installations, per-user folders and
// registry values; checked through its log file, the command line that the stand-in runtime
// recorded, the report box and the folders it leaves.
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include "support/FolderOperations.h"
#include "support/UniqueResource.h"
#include "tests/driver/CaseTable.h"
#include "tests/driver/Dialogs.h"
#include "tests/driver/Links.h"
#include "tests/driver/Process.h"
#include "tests/driver/RuntimeArguments.h"
#include "tests/driver/ScratchFolder.h"
#include "tests/driver/TextFiles.h"
#include "tests/driver/UserLanguage.h"
#include "tests/launcher/ExpectedRun.h"
#include "tests/launcher/LauncherScenario.h"
#include "tests/launcher/StoredJar.h"

namespace {

using namespace launchertest;

class LauncherRun : public ::testing::Test {
protected:
    void SetUp() override {
        cleanUp();
        resetInternetSettings();
    }
    void TearDown() override { cleanUp(); }

    static void cleanUp() {
        // The per-user folders first: links in them may point into the installations.
        removeTree(defaultAppDir());
        removeTree(L"C:\\brivane-tests");
        removeTree(defaultDataDir());
        clearJavaRegistry();
    }

    // An installation with the given jars and runtimes (by default a packaged one in jre\bin).
    static Installation standardInstallation(const std::wstring& name, const std::vector<std::wstring>& jars,
                                             const std::vector<std::wstring>& runtimes = {L"jre\\bin"}) {
        Installation installation(name);
        for (const std::wstring& runtime : runtimes) installation.addRuntime(runtime);
        for (const std::wstring& jar : jars) installation.addJar(jar);
        return installation;
    }

    // firstStart: the installation's library (a.jar) is seeded into an empty per-user folder.
    static ExpectedRun expectedRun(const Installation& installation, bool firstStart = false) {
        ExpectedRun run;
        run.installDir = installation.folder();
        run.javaPath = installation.runtimePath(L"jre\\bin");
        if (firstStart) {
            run.libraryLines = run.seedingLines();
            run.classpath = run.libDir() + L"\\a.jar";
        }
        return run;
    }

    // Expects the started outcome: exit code 0, no box, the log and the recorded command line.
    static void expectStarted(const LaunchResult& result, const ExpectedRun& run,
                              const std::wstring& logsFolder = L"") {
        EXPECT_EQ(result.exitCode, 0u);
        EXPECT_FALSE(result.dialogShown) << utf8(result.dialogText);
        EXPECT_EQ(logMessages(onlyLogFile(logsFolder.empty() ? run.appDir + L"\\logs" : logsFolder)), run.log());
        EXPECT_EQ(result.recordedCommandLine, run.commandLine());
    }

    // Expects the report box with text, exit code 0 and no runtime started.
    static void expectReported(const LaunchResult& result, const std::wstring& text) {
        EXPECT_EQ(result.exitCode, 0u);
        EXPECT_TRUE(result.dialogShown);
        EXPECT_EQ(result.dialogCaption, L"Tavrel Bank brivane - Error");
        EXPECT_EQ(result.dialogText, text);
        EXPECT_FALSE(result.runtimeStarted);
    }
};

TEST_F(LauncherRun, FirstStartSeedsTheLibrariesAndStartsThePackagedRuntime) {
    const Installation installation = standardInstallation(
        L"first start", {L"a.jar", L"ext\\b.jar", L"ext\\deep\\c.jar", L"readme.txt", L".svn\\hidden.jar"});
    ExpectedRun run = expectedRun(installation, true);
    // Walk order: the deepest folder's files first, the library folder's own last.
    run.classpath = run.libDir() + L"\\ext\\deep\\c.jar;" + run.libDir() + L"\\ext\\b.jar;" + run.libDir() +
                    L"\\a.jar";

    const LaunchResult result = launch(installation);

    expectStarted(result, run);
    // The dot-named folder stays behind; everything else is copied.
    EXPECT_EQ(filesBelow(run.libDir()), (std::vector<std::wstring>{L"a.jar", L"ext\\b.jar", L"ext\\deep\\c.jar",
                                                                   L"library.complete", L"readme.txt"}));
    EXPECT_EQ(readBytes(run.libDir() + L"\\ext\\b.jar"), readBytes(installation.libDir() + L"\\ext\\b.jar"));
}

// Years of starts: the launcher keeps its newest 50 logs, the one it writes among them, and leaves
// the client's logs alone.
TEST_F(LauncherRun, SixtyOldLaunchLogsLeaveTheNewestFifty) {
    const Installation installation = standardInstallation(L"old logs", {L"a.jar"});
    ExpectedRun run = expectedRun(installation, true);
    const std::wstring logsFolder = run.appDir + L"\\logs";
    // The count stands among the library lines, after the folders.
    run.libraryLines.insert(run.libraryLines.begin(), L"Removed 11 old launch logs from " + logsFolder);
    std::vector<std::wstring> old;
    for (int minute = 0; minute < 60; ++minute) {
        wchar_t name[64];
        std::swprintf(name, 64, L"kvl_2020_01_01_12%02d00.launch.log", minute);
        old.push_back(name);
        writeBytes(logsFolder + L"\\" + name, "2020.01.01 12:00:00 Launcher initialized, version 2\r\n");
    }
    writeBytes(logsFolder + L"\\client.log", "the client's own");

    const LaunchResult result = launch(installation);

    EXPECT_FALSE(result.dialogShown) << utf8(result.dialogText);
    std::vector<std::wstring> left = filesBelow(logsFolder);
    ASSERT_EQ(left.size(), 51u);
    EXPECT_EQ(left.front(), L"client.log");
    EXPECT_EQ(std::vector<std::wstring>(left.begin() + 1, left.begin() + 50),
              std::vector<std::wstring>(old.begin() + 11, old.end()));
    // The new log: the only name that was not there before.
    EXPECT_EQ(logMessages(logsFolder + L"\\" + left.back()), run.log());
    EXPECT_EQ(result.recordedCommandLine, run.commandLine());
}

TEST_F(LauncherRun, NewLibraryFolderIsSwappedInWhenNoOldFolderExists) {
    const Installation installation = standardInstallation(L"swap", {L"a.jar"});
    ExpectedRun run = expectedRun(installation);
    writeBytes(run.libDir() + L"\\current.jar", "current");
    writeBytes(run.appDir + L"\\lib_new\\new.jar", "new");
    run.libraryLines = {L"New lib folder found at " + run.appDir + L"\\lib_new",
                        L"Renaming " + run.libDir() + L" to " + run.appDir + L"\\lib_old",
                        L"Renaming " + run.appDir + L"\\lib_new to " + run.libDir()};
    run.classpath = run.libDir() + L"\\new.jar";

    expectStarted(launch(installation), run);
    EXPECT_EQ(filesBelow(run.libDir()), (std::vector<std::wstring>{L"library.complete", L"new.jar"}));
    EXPECT_EQ(filesBelow(run.appDir + L"\\lib_old"), std::vector<std::wstring>{L"current.jar"});
    EXPECT_FALSE(exists(run.appDir + L"\\lib_new"));
}

TEST_F(LauncherRun, NewLibraryFolderReplacesTheOldOneAndSeedsAMissingLibDir) {
    const Installation installation = standardInstallation(L"swap old", {L"seed.jar"});
    ExpectedRun run = expectedRun(installation);
    // No LibDir yet: it is seeded first, then moved aside like any other.
    writeBytes(run.appDir + L"\\lib_old\\previous.jar", "previous");
    writeBytes(run.appDir + L"\\lib_new\\new.jar", "new");
    run.libraryLines = run.seedingLines();
    run.libraryLines.insert(run.libraryLines.end(), {
                        L"New lib folder found at " + run.appDir + L"\\lib_new",
                        L"Deleting old lib folder " + run.appDir + L"\\lib_old",
                        L"Renaming " + run.libDir() + L" to " + run.appDir + L"\\lib_old",
                        L"Renaming " + run.appDir + L"\\lib_new to " + run.libDir()});
    run.classpath = run.libDir() + L"\\new.jar";

    expectStarted(launch(installation), run);
    EXPECT_EQ(filesBelow(run.appDir + L"\\lib_old"), (std::vector<std::wstring>{L"library.complete", L"seed.jar"}));
    EXPECT_EQ(filesBelow(run.libDir()), (std::vector<std::wstring>{L"library.complete", L"new.jar"}));
}

// A file where the backup folder belongs (left by a tool, or by hand) gives way to the swap
// instead of locking every start out.
TEST_F(LauncherRun, FileWhereTheBackupBelongsGivesWayToTheWaitingUpdate) {
    const Installation installation = standardInstallation(L"file at lib_old", {L"a.jar"});
    ExpectedRun run = expectedRun(installation);
    const std::wstring libOld = run.appDir + L"\\lib_old";
    writeBytes(run.libDir() + L"\\current.jar", "current");
    writeBytes(run.appDir + L"\\lib_new\\new.jar", "new");
    writeBytes(libOld, "a file, not a folder");
    run.libraryLines = {L"New lib folder found at " + run.appDir + L"\\lib_new", L"Deleting file " + libOld,
                        L"Renaming " + run.libDir() + L" to " + libOld,
                        L"Renaming " + run.appDir + L"\\lib_new to " + run.libDir()};
    run.classpath = run.libDir() + L"\\new.jar";

    expectStarted(launch(installation), run);
    EXPECT_EQ(filesBelow(libOld), std::vector<std::wstring>{L"current.jar"});
    EXPECT_EQ(filesBelow(run.libDir()), (std::vector<std::wstring>{L"library.complete", L"new.jar"}));
}

// A first start ended (task manager, log-off, power loss) while the library is being copied: the
// next start copies it again and the client gets every jar.
TEST_F(LauncherRun, FirstStartKilledDuringTheCopyIsCopiedAgainCompletely) {
    const Installation installation = standardInstallation(L"killed copy", {});
    std::vector<std::wstring> jars = addLargeLibrary(installation, 200);
    ExpectedRun run = expectedRun(installation);
    bool cutShort = false;

    const LaunchResult killed = launch(installation, {}, L"", [&](unsigned long processId) {
        ASSERT_TRUE(suspendedDuringTheCopy(processId, run.stagingDir() + L"\\" + jars[0]));
        cutShort = !exists(run.libDir()) && filesBelow(run.stagingDir()).size() < jars.size();
        const UniqueHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId));
        ASSERT_TRUE(process);
        ::TerminateProcess(process.get(), 1);
        ::WaitForSingleObject(process.get(), 10000);
    });
    ASSERT_TRUE(cutShort) << "the launcher was not stopped during its copy";
    EXPECT_FALSE(killed.runtimeStarted);
    EXPECT_FALSE(exists(run.libDir()));
    removeTree(run.appDir + L"\\logs");

    const LaunchResult result = launch(installation);

    EXPECT_FALSE(result.dialogShown) << utf8(result.dialogText);
    EXPECT_EQ(logOf(run.appDir).at(5), utf8(L"Deleting unfinished folder " + run.stagingDir()));
    EXPECT_EQ(classpathJars(result.recordedCommandLine, run.libDir()), jars);
    jars.push_back(L"library.complete");
    std::sort(jars.begin(), jars.end());
    EXPECT_EQ(filesBelow(run.libDir()), jars);
    EXPECT_FALSE(exists(run.stagingDir()));
}

// A double click on a slow first start: the second launcher waits for the first one's copy and
// both clients get the whole library.
TEST_F(LauncherRun, SecondLauncherWaitsForTheFirstOnesCopy) {
    const Installation installation = standardInstallation(L"double click", {});
    const std::vector<std::wstring> jars = addLargeLibrary(installation, 200);
    ExpectedRun run = expectedRun(installation);
    const std::wstring secondRecord = L"C:\\brivane-tests\\second-record.txt";
    std::wstring secondCommandLine;

    const LaunchResult first = launch(installation, {}, L"", [&](unsigned long processId) {
        ASSERT_TRUE(suspendedDuringTheCopy(processId, run.stagingDir() + L"\\" + jars[0]));
        // A launcher of the same second would end at once on the first one's log file.
        ::Sleep(1100);
        testdriver::Process second(L"\"" + installation.launcherPath() + L"\"", L"",
                                   {{L"STANDIN_JAVAW_RECORD", secondRecord}, {L"STANDIN_JAVAW_LIFETIME_MS", L"1500"}});
        // A running launcher holds its log exclusively: its second log file says it is under way.
        const bool secondStarted = waitFor([&] { return filesBelow(run.appDir + L"\\logs").size() == 2; }, 30000);
        ::Sleep(500);
        const bool secondRunning = second.exitCode() == STILL_ACTIVE;
        setProcessSuspended(processId, false);
        EXPECT_TRUE(secondStarted && secondRunning);
        EXPECT_TRUE(second.waitForExit(60000));
        secondCommandLine = fromUtf8(readBytes(secondRecord));
    });

    EXPECT_FALSE(first.dialogShown) << utf8(first.dialogText);
    const std::vector<std::wstring> logs = filesBelow(run.appDir + L"\\logs");
    ASSERT_EQ(logs.size(), 2u);
    const std::vector<std::string> secondLog = logMessages(run.appDir + L"\\logs\\" + logs[1]);
    ASSERT_GT(secondLog.size(), 5u);
    EXPECT_EQ(secondLog[5], "Waiting for another launcher to finish the library folders in " + utf8(run.appDir) + "\\");
    EXPECT_EQ(secondLog[6].rfind("Library folders free after ", 0), 0u) << secondLog[6];
    EXPECT_EQ(classpathJars(first.recordedCommandLine, run.libDir()), jars);
    EXPECT_EQ(classpathJars(secondCommandLine, run.libDir()), jars);
}

// A canary outside, reached through a link inside lib_old. Windows removes the link as a link and
// the swap goes on; Wine 8 has no Win32 call that removes a Linux link itself, so there the backup
// cannot be deleted and the swap goes on without keeping the previous libraries. Either way the
// update starts and nothing behind the link is touched.
TEST_F(LauncherRun, LinkInsideTheOldLibraryFolderIsNeverFollowed) {
    const Installation installation = standardInstallation(L"linked lib_old", {L"a.jar"});
    ExpectedRun run = expectedRun(installation);
    const std::wstring outside = installation.folder() + L"\\outside";
    const std::wstring libOld = run.appDir + L"\\lib_old";
    const std::wstring discard = run.libDir() + L"_discard";
    writeBytes(outside + L"\\canary.jar", "canary");
    writeBytes(run.libDir() + L"\\current.jar", "current");
    writeBytes(run.appDir + L"\\lib_new\\new.jar", "new");
    writeBytes(libOld + L"\\previous.jar", "previous");
    ASSERT_TRUE(testdriver::makeFolderLink(libOld + L"\\ext", outside));

    const LaunchResult result = launch(installation);

    EXPECT_EQ(readBytes(outside + L"\\canary.jar"), "canary");
    EXPECT_FALSE(exists(libOld + L"\\previous.jar"));
    run.classpath = run.libDir() + L"\\new.jar";
    run.libraryLines = {L"New lib folder found at " + run.appDir + L"\\lib_new", L"Deleting old lib folder " + libOld};
    if (!exists(libOld + L"\\ext")) {
        run.libraryLines.insert(run.libraryLines.end(), {L"Renaming " + run.libDir() + L" to " + libOld,
                                                         L"Renaming " + run.appDir + L"\\lib_new to " + run.libDir()});
        EXPECT_EQ(filesBelow(libOld), std::vector<std::wstring>{L"current.jar"});
    } else {
        run.libraryLines.insert(run.libraryLines.end(),
                                {L"Could not delete " + libOld + L", the previous libraries are not kept",
                                 L"Renaming " + run.libDir() + L" to " + discard,
                                 L"Renaming " + run.appDir + L"\\lib_new to " + run.libDir(),
                                 L"Deleting folder " + discard});
        EXPECT_TRUE(isLink(libOld + L"\\ext"));
        EXPECT_FALSE(exists(discard));
    }
    expectStarted(result, run);
}

// Two links in lib\ext point back up to lib: entering them would multiply the walk with every
// loop. The class path takes the real jars only, and the start takes no longer than any other.
TEST_F(LauncherRun, LinkLoopInTheLibraryFolderIsNotWalked) {
    const Installation installation = standardInstallation(L"link loop", {L"a.jar"});
    ExpectedRun run = expectedRun(installation);
    writeBytes(run.libDir() + L"\\a.jar", "a");
    writeBytes(run.libDir() + L"\\ext\\b.jar", "b");
    ASSERT_TRUE(testdriver::makeFolderLink(run.libDir() + L"\\ext\\up", run.libDir()));
    ASSERT_TRUE(testdriver::makeFolderLink(run.libDir() + L"\\ext\\up again", run.libDir()));
    run.classpath = run.libDir() + L"\\ext\\b.jar;" + run.libDir() + L"\\a.jar";

    const ULONGLONG started = ::GetTickCount64();
    const LaunchResult result = launch(installation);
    const ULONGLONG elapsedMs = ::GetTickCount64() - started;

    expectStarted(result, run);
    std::cout << "launcher with a link loop in lib\\ext took " << elapsedMs << " ms\n";
    EXPECT_LT(elapsedMs, 5000u);
}

// The first start of a Java 13 or later asks the runtime to list the classes for the archive of
// this runtime and class path, named by their fingerprint, which the launch log tells.
void expectArchiveToBeWritten(ExpectedRun& run) {
    const std::wstring archivePrefix = run.appDir + L"\\cds\\";
    const std::vector<std::string> log = logOf(run.appDir);
    const auto line = std::find_if(log.begin(), log.end(),
                                   [](const std::string& l) { return l.rfind("Class data archive: ", 0) == 0; });
    const std::string written = "Class data archive: -XX:DumpLoadedClassList=" + utf8(archivePrefix);
    if (line == log.end() || line->rfind(written, 0) != 0) {
        ADD_FAILURE() << "no archive to be written in " << (line == log.end() ? std::string("(no line)") : *line);
        return;
    }
    const std::wstring base = archivePrefix + testdriver::fromUtf8(line->substr(written.size(), 16));
    run.archiveLine = L"Class data archive: -XX:DumpLoadedClassList=" + base + L".classlist (to be written, none found)";
    run.archiveOptions = L"\"-XX:DumpLoadedClassList=" + base + L".classlist\"";
    // The stand-in runtime lists no classes.
    run.assemblyLines = {L"Class data archive: not assembled (the runtime listed no classes in " + base +
                         L".classlist)"};
}

TEST_F(LauncherRun, RegistryRuntimeTooOldIn64BitViewIsFoundIn32BitView) {
    const Installation installation = standardInstallation(L"registry views", {L"a.jar"}, {L"jre7\\bin", L"jre8\\bin"});
    registerJava(L"/reg:64", L"1.7", installation.folder() + L"\\jre7");
    registerJava(L"/reg:32", L"1.8", installation.folder() + L"\\jre8");
    ExpectedRun run = expectedRun(installation, true);
    run.searchLines = {L"Searching preinstalled 64 bit Java VM", L"Version 1.7 too old",
                       L"Searching preinstalled 32 bit Java VM", L"Found valid version 1.8"};
    run.javaPath = installation.runtimePath(L"jre8\\bin");
    run.archiveLine = L"Class data archive: no option (runtime older than Java 13)";

    expectStarted(launch(installation), run);
}

TEST_F(LauncherRun, InvalidRegistryVersionIsUsedWithAJavawFoundDeeper) {
    // JavaHome has no bin\javaw.exe; the search below it finds the deeper one.
    const Installation installation = standardInstallation(L"registry invalid", {L"a.jar"}, {L"home\\jre\\bin"});
    registerJava(L"/reg:64", L"abc", installation.folder() + L"\\home");
    ExpectedRun run = expectedRun(installation, true);
    run.searchLines = {L"Searching preinstalled 64 bit Java VM", L"Found invalid version abc, continue"};
    run.javaPath = installation.runtimePath(L"home\\jre\\bin");

    expectStarted(launch(installation), run);
}

TEST_F(LauncherRun, CurrentRuntimeRegisteredOnlyUnderJdkIsStarted) {
    const Installation installation = standardInstallation(L"registry jdk", {L"a.jar"}, {L"jdk-17\\bin"});
    registerJava(L"/reg:64", L"17", installation.folder() + L"\\jdk-17", L"JDK");
    ExpectedRun run = expectedRun(installation, true);
    run.searchLines.insert(run.searchLines.end(),
                           {L"Searching preinstalled 64 bit Java VM (JavaSoft\\JRE)", L"No registry entry found",
                            L"Searching preinstalled 32 bit Java VM (JavaSoft\\JRE)", L"No registry entry found",
                            L"Searching preinstalled 64 bit Java VM (JavaSoft\\JDK)", L"Found valid version 17"});
    run.javaPath = installation.runtimePath(L"jdk-17\\bin");

    const LaunchResult result = launch(installation);
    expectArchiveToBeWritten(run);
    expectStarted(result, run);
}

TEST_F(LauncherRun, PackagedRuntimeWithTheGreatestNameWins) {
    const Installation installation =
        standardInstallation(L"packaged", {L"a.jar"}, {L"jre1.8.0_201\\bin", L"jre1.8.0_31\\bin"});
    ExpectedRun run = expectedRun(installation, true);
    run.javaPath = installation.runtimePath(L"jre1.8.0_31\\bin");

    expectStarted(launch(installation), run);
}

TEST_F(LauncherRun, NoRuntimeAnywhereIsReportedInTheUsersLanguage) {
    const Installation installation = standardInstallation(L"no runtime", {L"a.jar"}, {});
    ExpectedRun run = expectedRun(installation);
    run.libraryLines = run.seedingLines();
    ASSERT_TRUE(testdriver::userLanguageOfThisRun());
    const std::wstring text = noJavaReport(testdriver::userIsGerman());

    const LaunchResult result = launch(installation);

    expectReported(result, text);
    run.searchLines = javaSoftDeadEnds(run);
    std::vector<std::wstring> lines = run.head();
    const std::vector<std::wstring> deadEnds = registrationDeadEnds();
    lines.insert(lines.end(), deadEnds.begin(), deadEnds.end());
    lines.insert(lines.end(), {L"Searching Java VM from JAVA_HOME", L"No JAVA_HOME found"});
    lines.push_back(L"No VM found");
    EXPECT_EQ(logOf(run.appDir), ExpectedRun::failedLog(lines, text));
}

TEST_F(LauncherRun, EmptyLibraryFolderIsRepairedByTheFirstStage) {
    const Installation installation = standardInstallation(L"repair once", {L"a.jar"});
    ExpectedRun run = expectedRun(installation);
    writeBytes(run.libDir() + L"\\notes.txt", "no jar here");
    run.recoveryLines = {L"Classpath not found", L"Recovering folder " + run.libDir()};
    for (const std::wstring& line : run.replacingLines({run.libDir(), installation.libDir()})) {
        run.recoveryLines.push_back(line);
    }
    run.classpath = run.libDir() + L"\\a.jar";

    expectStarted(launch(installation), run);
    EXPECT_EQ(filesBelow(run.libDir()), (std::vector<std::wstring>{L"a.jar", L"library.complete", L"notes.txt"}));
}

TEST_F(LauncherRun, InstallationWithoutJarsRunsBothRepairsThenFails) {
    const Installation installation = standardInstallation(L"repair twice", {L"readme.txt"});
    ExpectedRun run = expectedRun(installation);
    run.libraryLines = run.seedingLines();
    const std::wstring text =
        englishReport(L"The libraries could not be found within the folder " + run.libDir() + L".", kInstallationHint);

    const LaunchResult result = launch(installation);

    expectReported(result, text);
    std::vector<std::wstring> lines = run.head();
    lines.insert(lines.end(), {L"VM found at " + run.javaPath, L"Creating classpath from folder " + run.libDir(),
                               L"Classpath not found", L"Recovering folder " + run.libDir()});
    for (const std::wstring& line : run.replacingLines({run.libDir(), installation.libDir()})) lines.push_back(line);
    lines.insert(lines.end(), {L"Classpath still not found, deleting folder " + run.libDir(),
                               L"Recovering folder " + run.libDir()});
    for (const std::wstring& line : run.seedingLines()) lines.push_back(line);
    lines.push_back(L"Classpath not found, recovery not possible");
    EXPECT_EQ(logOf(run.appDir), ExpectedRun::failedLog(lines, text));
}

TEST_F(LauncherRun, AppDirEqualToTheInstallationIsNotRepaired) {
    const Installation installation = standardInstallation(L"install appdir", {L"readme.txt"});
    writeBytes(installation.folder() + L"\\launch.ini", "appDir=${installDir}\r\nignored second line\r\n");
    ExpectedRun run = expectedRun(installation);
    run.appDir = installation.folder();
    const std::wstring text =
        englishReport(L"The libraries could not be found within the folder " + run.libDir() + L".", kInstallationHint);

    const LaunchResult result = launch(installation);

    expectReported(result, text);
    std::vector<std::wstring> lines = run.head();
    lines.insert(lines.end(), {L"VM found at " + run.javaPath, L"Creating classpath from folder " + run.libDir(),
                               L"Classpath not found", L"No home lib folder available for recovery",
                               L"Classpath not found, recovery not possible"});
    EXPECT_EQ(logOf(run.appDir), ExpectedRun::failedLog(lines, text));
    EXPECT_FALSE(exists(defaultAppDir())) << "the default application folder is not touched";
}

TEST_F(LauncherRun, ProxySettingsBecomeLaunchProperties) {
    const Installation installation = standardInstallation(L"proxy", {L"a.jar"});
    const std::wstring key = std::wstring(L"\"") + kInternetSettings + L"\"";
    testdriver::forEachCase<std::vector<std::wstring>, std::wstring>({
        {"host and port, enabled, with auto-config and overrides",
         {L"add " + key + L" /v ProxyEnable /t REG_DWORD /d 1 /f",
          L"add " + key + L" /v ProxyServer /t REG_SZ /d 10.0.0.1:8080 /f",
          L"add " + key + L" /v AutoConfigURL /t REG_SZ /d http://wpad/wpad.dat /f",
          L"add " + key + L" /v ProxyOverride /t REG_SZ /d \"*.local;<local>\" /f"},
         L" \"-Dlaunch.proxyEnabled=true\" \"-Dlaunch.proxyHost=10.0.0.1\" \"-Dlaunch.proxyPort=8080\" "
         L"\"-Dlaunch.autoConfigUrl=http://wpad/wpad.dat\" \"-Dlaunch.proxyOverride=*.local;<local>\""},
        {"per-protocol list with https",
         {L"add " + key + L" /v ProxyEnable /t REG_DWORD /d 0 /f",
          L"add " + key + L" /v ProxyServer /t REG_SZ /d \"http=10.0.0.1:80;https=10.0.0.2:443;ftp=10.0.0.3:21\" /f"},
         L" \"-Dlaunch.proxyEnabled=false\" \"-Dlaunch.proxyHost=10.0.0.2\" \"-Dlaunch.proxyPort=443\""},
        {"per-protocol list without https", {L"add " + key + L" /v ProxyServer /t REG_SZ /d http=10.0.0.1:80 /f"},
         L" \"-Dlaunch.proxyEnabled=false\""},
        {"host without port, ProxyEnable of the wrong type",
         {L"add " + key + L" /v ProxyEnable /t REG_SZ /d 1 /f",
          L"add " + key + L" /v ProxyServer /t REG_SZ /d 10.0.0.1 /f"},
         L" \"-Dlaunch.proxyEnabled=false\" \"-Dlaunch.proxyHost=10.0.0.1\""},
        {"ProxyEnable missing", {}, L" \"-Dlaunch.proxyEnabled=false\""},
        {"key missing", {L"delete " + key + L" /f"}, L""},
    }, [&](const std::vector<std::wstring>& regCommands, const std::wstring& properties) {
        removeTree(defaultAppDir());
        resetInternetSettings();
        for (const std::wstring& command : regCommands) ASSERT_EQ(reg(command), 0u) << utf8(command);
        ExpectedRun run = expectedRun(installation, true);
        run.proxyProperties = properties;
        expectStarted(launch(installation), run);
    });
    resetInternetSettings();
}

TEST_F(LauncherRun, LaunchIniFirstLineSelectsTheApplicationFolder) {
    const Installation installation = standardInstallation(L"launch ini", {L"a.jar"});
    const std::wstring dataFolder = L"C:\\brivane-tests\\launch ini data";
    testdriver::forEachCase<std::string, std::wstring>({
        {"appDir=D", "appDir=" + utf8(dataFolder) + "\n", dataFolder},
        // The folder form "\" is the root of the current drive; the launcher runs in C:\brivane-tests.
        {"empty appDir=", "appDir=", L""},
        {"byte-order mark", "\xEF\xBB\xBF" "appDir=" + utf8(dataFolder) + "\r\n", dataFolder},
        {"appPath=${homePath} with a trailing blank", "appPath=${homePath} \r\n", defaultAppDir()},
    }, [&](const std::string& launchIni, const std::wstring& appDir) {
        removeTree(defaultAppDir());
        removeTree(dataFolder);
        removeTree(L"C:\\lib");
        removeTree(L"C:\\logs");
        writeBytes(installation.folder() + L"\\launch.ini", launchIni);
        ExpectedRun run = expectedRun(installation);
        run.appDir = appDir;
        // An empty AppDir makes the library and logs folders "\lib" and "\logs" on the current drive.
        const std::wstring libDir = appDir.empty() ? L"C:\\lib" : run.libDir();
        const std::wstring logsDir = appDir.empty() ? L"C:\\logs" : appDir + L"\\logs";
        // The logs folder is created one level deep: the named folder itself must exist.
        if (appDir == dataFolder) {
            ASSERT_TRUE(::CreateDirectoryW(dataFolder.c_str(), nullptr));
        }
        run.libraryLines = run.seedingLines();
        run.classpath = run.libDir() + L"\\a.jar";

        expectStarted(launch(installation, {}, L"C:\\brivane-tests"), run, logsDir);
        EXPECT_EQ(filesBelow(libDir), (std::vector<std::wstring>{L"a.jar", L"library.complete"}));
        removeTree(L"C:\\lib");
        removeTree(L"C:\\logs");
    });
}

TEST_F(LauncherRun, VmOptionsFirstLineIsAppendedVerbatim) {
    testdriver::forEachCase<std::string, std::wstring>({
        {"empty file", "", L""},
        {"empty first line", "\r\n-Xmx1g\r\n", L""},
        {"options with second line", "-Xmx512m -Dfoo=bar\r\n-Xmx1g\r\n", L"-Xmx512m -Dfoo=bar"},
        // Saved by an editor that marks UTF-8 files: the mark must not stick to the first option.
        {"byte-order mark", "\xEF\xBB\xBF-Xmx512m\r\n", L"-Xmx512m"},
    }, [&](const std::string& file, const std::wstring& options) {
        removeTree(defaultAppDir());
        // The options file arrives with the seeded library folder.
        const Installation installation = standardInstallation(L"vmoptions", {L"a.jar"});
        writeBytes(installation.libDir() + L"\\win.vmoptions", file);
        ExpectedRun run = expectedRun(installation, true);
        run.additionalOptions = options;
        expectStarted(launch(installation), run);
    });
}

// The flow of an open quote; which lines leave one open, and how it is closed, is the unit table's.
TEST_F(LauncherRun, QuoteLeftOpenInVmOptionsIsClosedBeforeTheMainClass) {
    const Installation installation = standardInstallation(L"open quote", {L"a.jar"});
    writeBytes(installation.libDir() + L"\\win.vmoptions", "-Dx=\"C:\\dir\\\"\r\n");

    const LaunchResult result = launch(installation);

    EXPECT_FALSE(result.dialogShown) << utf8(result.dialogText);
    const std::vector<std::wstring> arguments = testdriver::splitArguments(result.recordedCommandLine);
    const auto mainClass = std::find(arguments.begin(), arguments.end(), L"a.a");
    ASSERT_TRUE(mainClass != arguments.end() && mainClass != arguments.begin()) << utf8(result.recordedCommandLine);
    EXPECT_EQ(*(mainClass - 1), L"-Dx=C:\\dir\"");
    EXPECT_EQ(std::vector<std::wstring>(mainClass + 1, arguments.end()),
              (std::vector<std::wstring>{defaultAppDir(), installation.folder(), defaultDataDir()}));
    const std::vector<std::string> log = logOf(defaultAppDir());
    const auto closing = std::find(log.begin(), log.end(), "Closing the quote that win.vmoptions leaves open");
    ASSERT_TRUE(closing != log.end() && closing + 1 != log.end());
    EXPECT_EQ(*(closing + 1), utf8(L"Additional options created:-Dx=\"C:\\dir\\\"\""));
}

TEST_F(LauncherRun, SecondLauncherOfTheSameSecondEndsSilently) {
    const Installation installation = standardInstallation(L"second launcher", {L"a.jar"});
    const std::wstring logsFolder = defaultAppDir() + L"\\logs";
    writeBytes(logsFolder + L"\\placeholder", "");
    ::DeleteFileW((logsFolder + L"\\placeholder").c_str());
    // A first launcher holds its log file exclusively for the whole run. Holding the log files of
    // the coming seconds the same way puts the launcher under test in that first launcher's second
    // every time, without depending on two processes reaching the same second.
    std::vector<UniqueFileHandle> held;
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    FILETIME base;
    ::SystemTimeToFileTime(&now, &base);
    for (int second = -1; second < 20; ++second) {
        ULARGE_INTEGER ticks;
        ticks.LowPart = base.dwLowDateTime;
        ticks.HighPart = base.dwHighDateTime;
        ticks.QuadPart += static_cast<ULONGLONG>(second) * 10000000ull;
        FILETIME shifted{ticks.LowPart, ticks.HighPart};
        SYSTEMTIME at;
        ::FileTimeToSystemTime(&shifted, &at);
        wchar_t name[64];
        swprintf(name, 64, L"\\kvl_%04u_%02u_%02u_%02u%02u%02u.launch.log", at.wYear, at.wMonth, at.wDay, at.wHour,
                 at.wMinute, at.wSecond);
        held.emplace_back(::CreateFileW((logsFolder + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held.back());
    }

    const LaunchResult result = launch(installation);

    held.clear();
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_FALSE(result.dialogShown) << utf8(result.dialogText);
    EXPECT_FALSE(result.runtimeStarted);
    EXPECT_FALSE(exists(defaultAppDir() + L"\\lib")) << "no step after the log file ran";
    for (const std::wstring& file : filesBelow(logsFolder)) {
        EXPECT_EQ(readBytes(logsFolder + L"\\" + file), "") << utf8(file);
    }
}

std::wstring systemText(DWORD errorCode) {
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        errorCode, LANG_USER_DEFAULT, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    const UniqueLocalMemory textOwner(text);
    return std::wstring(text != nullptr ? text : L"", length);
}

// The report of a Java process that could not be started with commandLine.
std::wstring processFailureReport(const std::wstring& commandLine, DWORD errorCode) {
    return englishReport(L"DE: Der Java-Prozess konnte nicht gestartet werden.\n\n"
                         L"EN: The Java-Process coult not be started.\n\n " +
                             commandLine + L"\n\nNr.: " + std::to_wstring(errorCode) + L" = " +
                             systemText(errorCode),
                         kInstallationHint);
}

TEST_F(LauncherRun, RuntimeMissingAtProcessStartIsReportedWithTheSystemText) {
    // The search accepts only a javaw.exe that exists, so the test removes it between the search
    // and the process start: LibDir holds no jar, so the first repair copies the installation's
    // library (made large enough to take a while) after the search is done.
    const Installation installation = standardInstallation(L"runtime vanishes", {L"a.jar"});
    for (int i = 0; i < 1500; ++i) writeBytes(installation.libDir() + L"\\filler\\f" + std::to_wstring(i) + L".txt", "x");
    ExpectedRun run = expectedRun(installation);
    writeBytes(run.libDir() + L"\\notes.txt", "no jar here");
    run.recoveryLines = {L"Classpath not found", L"Recovering folder " + run.libDir()};
    for (const std::wstring& line : run.replacingLines({run.libDir(), installation.libDir()})) {
        run.recoveryLines.push_back(line);
    }
    run.classpath = run.libDir() + L"\\a.jar";
    bool removed = false;

    const LaunchResult result = launch(installation, {}, L"", [&](unsigned long) {
        const bool copying = waitFor(
            [&] { return exists(run.stagingDir() + L"\\a.jar") || exists(run.stagingDir() + L"\\filler"); }, 30000);
        removed = copying && ::DeleteFileW(run.javaPath.c_str());
    });

    ASSERT_TRUE(removed);
    const std::wstring text = processFailureReport(run.commandLine(), 2);
    expectReported(result, text);
    EXPECT_NE(result.dialogText.find(L"\n\nNr.: 2 = "), std::wstring::npos);
    EXPECT_GT(systemText(2).size(), 2u) << "the system has a text for error 2";
    std::vector<std::string> expected = run.log();
    expected.resize(expected.size() - 2);  // neither the process nor the successful end
    for (const std::string& line : ExpectedRun::failedLog({L"Could not create process, error code=2"}, text)) {
        expected.push_back(line);
    }
    EXPECT_EQ(logOf(run.appDir), expected);
}

TEST_F(LauncherRun, ClientOf450LongNamedJarsStartsThroughTheManifestJar) {
    // A real client's size with long, descriptive names: the class path alone is longer than any
    // command line. A subfolder whose name a URL must escape holds every ninth jar.
    std::vector<std::wstring> jars;
    for (int i = 0; i < 450; ++i) {
        jars.push_back((i % 9 == 0 ? L"Zus\u00E4tze 100% #1\\" : L"") +
                       std::wstring(L"tavrel-client-library-module-with-a-descriptive-name-") + std::to_wstring(i) +
                       L".jar");
    }
    const Installation installation = standardInstallation(L"450 jars", jars);
    ExpectedRun run = expectedRun(installation, true);
    run.manifestJar = run.appDir + L"\\classpath.jar";

    const LaunchResult result = launch(installation);

    // The class path as the log shows it in full: every jar once.
    const std::vector<std::string> log = logOf(run.appDir);
    const auto created = std::find_if(log.begin(), log.end(),
                                      [](const std::string& line) { return line.rfind("Classpath created:", 0) == 0; });
    ASSERT_NE(created, log.end());
    run.classpath = fromUtf8(created->substr(18));
    EXPECT_GE(run.classpath.size(), 32767u);
    const std::vector<std::wstring> entries = splitAt(run.classpath, L';');
    std::vector<std::wstring> sortedEntries = entries;
    std::vector<std::wstring> expectedEntries;
    for (const std::wstring& jar : jars) expectedEntries.push_back(run.libDir() + L"\\" + jar);
    std::sort(sortedEntries.begin(), sortedEntries.end());
    std::sort(expectedEntries.begin(), expectedEntries.end());
    EXPECT_EQ(sortedEntries, expectedEntries);
    expectStarted(result, run);

    // The manifest names them in the class path's order, relative to the jar's folder.
    const std::map<std::string, std::string> jarEntries = jartest::storedZipEntries(readBytes(run.manifestJar));
    ASSERT_EQ(jarEntries.count("META-INF/MANIFEST.MF"), 1u);
    std::vector<std::string> urls;
    for (const std::wstring& entry : entries) {
        std::string url = utf8(entry.substr(run.appDir.size() + 1));
        std::replace(url.begin(), url.end(), '\\', '/');
        urls.push_back(url);
    }
    EXPECT_EQ(jartest::decodedClassPath(jarEntries.at("META-INF/MANIFEST.MF")), urls);
    EXPECT_FALSE(exists(run.manifestJar + L".tmp"));
    // The 450 jars and the mark of a complete copy: the manifest jar stays outside the library folder.
    EXPECT_EQ(filesBelow(run.libDir()).size(), 451u);
}

TEST_F(LauncherRun, CommandLineTooLongEvenThroughTheManifestJarIsReportedAndNothingStarts) {
    // A real client's library of 403 jars, which alone would go through the manifest jar, and an
    // options line that no jar can shorten: the line is refused as Windows would refuse it (Wine
    // would cut it and start the runtime without its main class), and no jar is written.
    std::vector<std::wstring> jars;
    for (int i = 0; i < 403; ++i) jars.push_back(L"tavrel-client-library-module-" + std::to_wstring(i) + L".jar");
    const Installation installation = standardInstallation(L"403 jars", jars);
    writeBytes(installation.libDir() + L"\\win.vmoptions", "-Dfiller=" + std::string(40000, 'x') + "\r\n");

    const LaunchResult result = launch(installation);

    const std::vector<std::string> log = logOf(defaultAppDir());
    const auto starting = std::find(log.begin(), log.end(), "Starting Java VM with command line:");
    ASSERT_TRUE(starting != log.end() && starting + 1 != log.end());
    EXPECT_EQ((starting - 1)->rfind("Additional options created:-Dfiller=xxx", 0), 0u) << "no jar line before";
    const std::wstring commandLine = testdriver::fromUtf8(*(starting + 1));
    ASSERT_GE(commandLine.size(), 32767u);
    EXPECT_NE(commandLine.find(L"tavrel-client-library-module-402.jar"), std::wstring::npos) << "the whole class path";
    const std::wstring text = processFailureReport(commandLine, ERROR_FILENAME_EXCED_RANGE);
    expectReported(result, text);
    EXPECT_GT(systemText(ERROR_FILENAME_EXCED_RANGE).size(), 2u) << "the system has a text for error 206";
    EXPECT_EQ(std::vector<std::string>(starting + 2, log.end()),
              ExpectedRun::failedLog({L"Could not create process, error code=206"}, text));
    EXPECT_FALSE(exists(defaultAppDir() + L"\\classpath.jar"));
}

TEST_F(LauncherRun, AppDirWithTrailingBackslashReachesTheClientAsOneOfThreeFolders) {
    const Installation installation = standardInstallation(L"trailing backslash", {L"a.jar"});
    const std::wstring dataFolder = L"C:\\brivane-tests\\data5";
    ASSERT_TRUE(::CreateDirectoryW(dataFolder.c_str(), nullptr));
    // The setting keeps its backslash, so the folder argument ends in one.
    writeBytes(installation.folder() + L"\\launch.ini", "appDir=" + utf8(dataFolder) + "\\\r\n");

    const LaunchResult result = launch(installation);

    EXPECT_FALSE(result.dialogShown) << utf8(result.dialogText);
    const std::vector<std::wstring> arguments = testdriver::splitArguments(result.recordedCommandLine);
    const auto mainClass = std::find(arguments.begin(), arguments.end(), L"a.a");
    ASSERT_NE(mainClass, arguments.end()) << utf8(result.recordedCommandLine);
    EXPECT_EQ(std::vector<std::wstring>(mainClass + 1, arguments.end()),
              (std::vector<std::wstring>{dataFolder + L"\\", installation.folder(), defaultDataDir()}));
    const std::vector<std::string> log = logOf(dataFolder + L"\\");
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "Launcher terminates successfully");
}

TEST_F(LauncherRun, FailedCopyOfTheFirstRepairLeadsToTheSecond) {
    const Installation installation = standardInstallation(L"half seeded", {L"a.jar", L"ext\\b.jar"});
    ExpectedRun run = expectedRun(installation);
    // A library marked complete that lost its jars and holds a file whose name only the long-path
    // form reaches (a trailing dot, as a sync tool may leave it): the first repair's copy of the
    // library's own files fails on it; the second repair's delete reaches it.
    writeBytes(run.libDir() + L"\\library.complete", "");
    writeBytes(testdriver::longForm(run.libDir() + L"\\notes.txt."), "x");
    run.recoveryLines = {L"Classpath not found", L"Recovering folder " + run.libDir(),
                         L"Creating directory " + run.stagingDir(),
                         L"Copy directory " + run.libDir() + L" to " + run.stagingDir(),
                         L"First recovery failed: The file " + run.libDir() + L"\\notes.txt. can not be copied to " +
                             run.stagingDir() + L"\\notes.txt..",
                         L"Classpath still not found, deleting folder " + run.libDir(),
                         L"Recovering folder " + run.libDir()};
    for (const std::wstring& line : run.seedingLines()) run.recoveryLines.push_back(line);
    run.classpath = run.libDir() + L"\\ext\\b.jar;" + run.libDir() + L"\\a.jar";

    expectStarted(launch(installation), run);
    EXPECT_EQ(filesBelow(run.libDir()), (std::vector<std::wstring>{L"a.jar", L"ext\\b.jar", L"library.complete"}));
    EXPECT_FALSE(exists(run.stagingDir()));
}

// A scanner or an indexer keeps a file of a leftover copy open: the start goes on with the
// complete library it has and leaves the leftover for a later start.
TEST_F(LauncherRun, LeftoverHeldByAnotherProgramDoesNotStopTheStart) {
    const Installation installation = standardInstallation(L"held leftover", {L"a.jar"});
    ExpectedRun run = expectedRun(installation);
    writeBytes(run.libDir() + L"\\a.jar", readBytes(installation.libDir() + L"\\a.jar"));
    writeBytes(run.libDir() + L"\\library.complete", "");
    writeBytes(run.stagingDir() + L"\\module.jar", "half");
    testdriver::FileHolder holder(run.stagingDir() + L"\\module.jar", 60000);
    ASSERT_TRUE(holder.waitUntilHeld(10000));
    run.libraryLines = {L"Deleting unfinished folder " + run.stagingDir(),
                        L"Could not delete " + run.stagingDir() + L", it is left for a later start"};
    run.classpath = run.libDir() + L"\\a.jar";

    expectStarted(launch(installation), run);
    holder.release();
    EXPECT_TRUE(exists(run.stagingDir() + L"\\module.jar"));
}

// Two installations whose launch.ini name one application folder, once with a trailing backslash:
// one guard, so the second launcher waits for the first one's copy and both clients get every jar.
TEST_F(LauncherRun, TwoSpellingsOfOneApplicationFolderShareOneGuard) {
    const std::wstring shared = L"C:\\brivane-tests\\shared app";
    const Installation first(L"spelling plain");
    first.addRuntime(L"jre\\bin");
    const Installation second(L"spelling backslash");
    second.addRuntime(L"jre\\bin");
    const std::vector<std::wstring> jars = addLargeLibrary(first, 200);
    ASSERT_EQ(addLargeLibrary(second, 200), jars);
    ASSERT_TRUE(::CreateDirectoryW(shared.c_str(), nullptr));
    writeBytes(first.folder() + L"\\launch.ini", "appDir=" + utf8(shared) + "\r\n");
    writeBytes(second.folder() + L"\\launch.ini", "appDir=" + utf8(shared) + "\\\r\n");
    const std::wstring staging = shared + L"\\lib_tmp";
    const std::wstring secondRecord = L"C:\\brivane-tests\\second-record.txt";
    std::wstring secondCommandLine;

    const LaunchResult firstResult = launch(first, {}, L"", [&](unsigned long processId) {
        ASSERT_TRUE(suspendedDuringTheCopy(processId, staging + L"\\" + jars[0]));
        // A launcher of the same second would end at once on the first one's log file.
        ::Sleep(1100);
        testdriver::Process secondLauncher(
            L"\"" + second.launcherPath() + L"\"", L"",
            {{L"STANDIN_JAVAW_RECORD", secondRecord}, {L"STANDIN_JAVAW_LIFETIME_MS", L"1500"}});
        const bool secondStarted = waitFor([&] { return filesBelow(shared + L"\\logs").size() == 2; }, 30000);
        ::Sleep(500);
        const bool secondWaiting = secondLauncher.exitCode() == STILL_ACTIVE;
        setProcessSuspended(processId, false);
        EXPECT_TRUE(secondStarted && secondWaiting);
        EXPECT_TRUE(secondLauncher.waitForExit(60000));
        secondCommandLine = fromUtf8(readBytes(secondRecord));
    });

    EXPECT_FALSE(firstResult.dialogShown) << utf8(firstResult.dialogText);
    EXPECT_EQ(classpathJars(firstResult.recordedCommandLine, shared + L"\\lib"), jars);
    EXPECT_EQ(classpathJars(secondCommandLine, shared + L"\\\\lib"), jars);
    const std::vector<std::wstring> logs = filesBelow(shared + L"\\logs");
    ASSERT_EQ(logs.size(), 2u);
    const std::vector<std::string> secondLog = logMessages(shared + L"\\logs\\" + logs[1]);
    EXPECT_NE(std::find(secondLog.begin(), secondLog.end(),
                        "Waiting for another launcher to finish the library folders in " + utf8(shared) + "\\\\"),
              secondLog.end());
    std::vector<std::wstring> expectedFiles = jars;
    expectedFiles.push_back(L"library.complete");
    std::sort(expectedFiles.begin(), expectedFiles.end());
    EXPECT_EQ(filesBelow(shared + L"\\lib"), expectedFiles);
}

TEST_F(LauncherRun, LogHoldsEveryLineWhileTheRuntimeNeverBecomesIdle) {
    const Installation installation = standardInstallation(L"never idle", {L"a.jar"});
    ExpectedRun run = expectedRun(installation, true);
    constexpr DWORD kRuntimeLifetimeMs = 3000;
    long long sizeWhileWaiting = -1;
    bool killed = false;

    const std::map<std::wstring, std::wstring> neverIdle = {
        {L"STANDIN_JAVAW_NEVER_IDLE", L"1"}, {L"STANDIN_JAVAW_LIFETIME_MS", std::to_wstring(kRuntimeLifetimeMs)}};

    const LaunchResult result = launch(installation, neverIdle, L"", [&](unsigned long processId) {
        // The runtime has started; the launcher waits for it to become idle, which it never does.
        if (!waitFor([] { return exists(recordFile()); }, 30000)) return;
        const ULONGLONG runtimeEnd = ::GetTickCount64() + kRuntimeLifetimeMs;
        ::Sleep(1000);
        const UniqueHandle launcher(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId));
        if (!launcher || ::WaitForSingleObject(launcher.get(), 0) != WAIT_TIMEOUT) return;
        // The launcher holds its log exclusively: while it waits, only the size can be read.
        sizeWhileWaiting = testdriver::fileSize(onlyLogFile(run.appDir + L"\\logs"));
        // Killed in its wait, as a user or the system ends a program that seems to hang.
        killed = ::TerminateProcess(launcher.get(), 1) != FALSE;
        // Let the runtime end before the next test clears its folder.
        while (::GetTickCount64() < runtimeEnd + 1000) ::Sleep(50);
    });

    ASSERT_TRUE(killed) << "the launcher was still waiting one second after the runtime started";
    std::vector<std::string> expected = run.log();
    expected.pop_back();  // it never got to its end
    EXPECT_EQ(logOf(run.appDir), expected);
    EXPECT_EQ(testdriver::fileSize(onlyLogFile(run.appDir + L"\\logs")), sizeWhileWaiting)
        << "every line was in the file while the launcher waited";
    EXPECT_FALSE(result.dialogShown);
}

TEST_F(LauncherRun, SplashIsCentredAndClosingItDoesNotStopTheStartUp) {
    const Installation installation = standardInstallation(L"splash", {L"a.jar"});
    ExpectedRun run = expectedRun(installation, true);
    RECT rectangle{};
    std::wstring caption;
    LRESULT hitTest = 0;
    bool closed = false;

    const LaunchResult result = launch(installation, {}, L"", [&](unsigned long processId) {
        // The runtime has started: the launcher is in its wait loop, the splash still up.
        if (!waitFor([] { return exists(recordFile()); }, 30000)) return;
        const HWND splash = testdriver::visibleWindowOf(processId, L"Static");
        if (splash == nullptr) return;
        ::GetWindowRect(splash, &rectangle);
        wchar_t text[64] = {};
        ::GetWindowTextW(splash, text, 64);
        caption = text;
        ::SendMessageTimeoutW(splash, WM_NCHITTEST, 0, MAKELPARAM(rectangle.left + 5, rectangle.top + 5),
                              SMTO_ABORTIFHUNG, 5000, reinterpret_cast<PDWORD_PTR>(&hitTest));
        // A click and a close as a user would make them; the launcher handles them in its wait loop.
        ::PostMessageW(splash, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        ::PostMessageW(splash, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        ::PostMessageW(splash, WM_CLOSE, 0, 0);
        closed = waitFor([&] { return !::IsWindow(splash); }, 3000);
    });

    const int width = ::GetSystemMetrics(SM_CXSCREEN);
    const int height = ::GetSystemMetrics(SM_CYSCREEN);
    EXPECT_EQ(rectangle.right - rectangle.left, 374);
    EXPECT_EQ(rectangle.bottom - rectangle.top, 256);
    EXPECT_EQ(rectangle.left, (width - 374) / 2);
    EXPECT_EQ(rectangle.top, (height - 256) / 2);
    EXPECT_EQ(caption, L"Tavrel Bank brivane");
    EXPECT_EQ(hitTest, HTCLIENT);
    EXPECT_TRUE(closed) << "the splash window went away when closed";
    expectStarted(result, run);
}

}  // namespace

TEST_F(LauncherRun, RuntimeRegisteredOnlyByTheTemurinInstallerIsStartedFromItsFolder) {
    // The installer's default: no JavaSoft keys, only its own registration, its folder value
    // ending with a backslash. (A folder named "jre*" would be taken as a packaged runtime.)
    // Installed without administrator rights, the registration stands below HKCU and the folder
    // in the user's own programs.
    const struct {
        const char* name;
        const wchar_t* root;
        const wchar_t* runtimeFolder;
    } kCases[] = {{"for the machine", L"HKLM", L"Eclipse Adoptium\\jdk-17.0.9.9-hotspot"},
                  {"for one user only", L"HKCU", L"Programs\\Eclipse Adoptium\\jdk-17.0.9.9-hotspot"}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        cleanUp();
        const std::wstring runtimeBin = std::wstring(c.runtimeFolder) + L"\\bin";
        const Installation installation = standardInstallation(L"registry temurin", {L"a.jar"}, {runtimeBin});
        registerRuntimeValue(c.root, L"/reg:64", L"Eclipse Adoptium\\JDK\\17.0.9.9\\hotspot\\MSI", L"Path",
                             installation.folder() + L"\\" + c.runtimeFolder + L"\\");
        ExpectedRun run = expectedRun(installation, true);
        run.searchLines = javaSoftDeadEnds(run);
        const std::vector<std::wstring> deadEnds = registrationDeadEnds(0, 3);  // up to Eclipse Adoptium\JRE
        run.searchLines.insert(run.searchLines.end(), deadEnds.begin(), deadEnds.end());
        run.searchLines.insert(run.searchLines.end(),
                               {L"Searching preinstalled 64 bit Java VM (Eclipse Adoptium\\JDK)",
                                L"Found valid version 17.0.9.9"});
        run.javaPath = installation.runtimePath(runtimeBin);

        const LaunchResult result = launch(installation);
        expectArchiveToBeWritten(run);
        expectStarted(result, run);
    }
}

TEST_F(LauncherRun, RuntimeNamedOnlyByJavaHomeIsStarted) {
    const Installation installation = standardInstallation(L"java home", {L"a.jar"}, {L"unpacked jdk\\bin"});
    writeBytes(installation.folder() + L"\\unpacked jdk\\release", "IMPLEMENTOR=\"Eclipse Adoptium\"\r\n"
                                                                   "JAVA_VERSION=\"17.0.9\"\r\n");
    ExpectedRun run = expectedRun(installation, true);
    run.searchLines = javaSoftDeadEnds(run);
    const std::vector<std::wstring> deadEnds = registrationDeadEnds();
    run.searchLines.insert(run.searchLines.end(), deadEnds.begin(), deadEnds.end());
    run.searchLines.insert(run.searchLines.end(), {L"Searching Java VM from JAVA_HOME", L"Found valid version 17.0.9"});
    run.javaPath = installation.runtimePath(L"unpacked jdk\\bin");

    // With a trailing backslash, as people often set it.
    const LaunchResult result = launch(installation, {{L"JAVA_HOME", installation.folder() + L"\\unpacked jdk\\"}});

    // The release file makes it a Java 17.
    expectArchiveToBeWritten(run);
    expectStarted(result, run);
    EXPECT_TRUE(testdriver::exists(run.appDir + L"\\cds")) << "the archive folder";
}

TEST_F(LauncherRun, RuntimeThatEndsAtOnceWithAnErrorIsReported) {
    // As a real runtime that finds no main class: its own box, then exit code 1.
    const Installation installation = standardInstallation(L"early exit", {L"a.jar"});
    const ExpectedRun run = expectedRun(installation, true);

    const LaunchResult result = launch(installation, {{L"STANDIN_JAVAW_EXIT_CODE", L"1"}});

    EXPECT_TRUE(result.runtimeStarted);
    EXPECT_EQ(result.recordedCommandLine, run.commandLine());
    const std::wstring text =
        englishReport(L"The Java process ended right after its start with exit code 1.", kInstallationHint);
    EXPECT_TRUE(result.dialogShown);
    EXPECT_EQ(result.dialogText, text);
    std::vector<std::string> expected = run.log();
    expected.pop_back();  // not the successful end
    for (const std::string& line : ExpectedRun::failedLog({L"Java VM ended at once with exit code 1"}, text)) {
        expected.push_back(line);
    }
    EXPECT_EQ(logOf(run.appDir), expected);
}

// A user folder whose name the ANSI code page (1252 under Wine) cannot carry: every path that
// the stand-in runtime reads, as a real one reads it, names an existing file or folder.
TEST_F(LauncherRun, EveryPathTheRuntimeReadsExistsBelowAUserFolderOutsideTheCodePage) {
    const std::wstring userFolder = L"C:\\brivane-tests\\Users\\G\u00FCl\u015Fen Y\u0131lmaz";
    const std::wstring appDir = userFolder + L"\\AppData\\Local\\TavrelBank\\brivane";
    std::vector<std::wstring> manyJars;
    for (int i = 0; i < 450; ++i) {
        manyJars.push_back(L"tavrel-client-library-module-with-a-descriptive-name-" + std::to_wstring(i) + L".jar");
    }
    const std::wstring argumentsFile = L"C:\\brivane-tests\\javaw-arguments.txt";
    // installation: the case name below C:\brivane-tests; manifest: the class path goes through the jar.
    testdriver::forEachCase<std::wstring, std::vector<std::wstring>, bool>({
        {"short class path", L"Client", {L"a.jar", L"ext\\b.jar"}, false},
        {"450 jars through the manifest jar", L"Client 450", manyJars, true},
        {"installation in the per-user package's place",
         L"Users\\G\u00FCl\u015Fen Y\u0131lmaz\\AppData\\Local\\Programs\\Tavrel Bank brivane", {L"a.jar"}, false},
    }, [&](const std::wstring& installationName, const std::vector<std::wstring>& jars, bool throughJar) {
        removeTree(userFolder);
        const Installation installation = standardInstallation(installationName, jars);
        testdriver::makeFolders(appDir);
        writeBytes(installation.folder() + L"\\launch.ini", "appDir=" + utf8(appDir) + "\r\n");

        const LaunchResult result = launch(installation, {{L"STANDIN_JAVAW_ARGUMENTS", argumentsFile}});

        EXPECT_FALSE(result.dialogShown) << utf8(result.dialogText);
        const std::vector<std::string> log = logOf(appDir);
        ASSERT_GE(log.size(), 3u);
        EXPECT_EQ(log.back(), "Launcher terminates successfully");
        // What the launcher logged is what the runtime read: nothing was lost to the code page.
        const auto starting = std::find(log.begin(), log.end(), "Starting Java VM with command line:");
        ASSERT_TRUE(starting != log.end() && starting + 1 != log.end());
        EXPECT_EQ(result.recordedCommandLine, fromUtf8(*(starting + 1)));
        EXPECT_EQ(testdriver::ansiView(result.recordedCommandLine), result.recordedCommandLine);
        const bool shortForms = std::any_of(log.begin(), log.end(), [&](const std::string& line) {
            return line.rfind("Handing over short form ", 0) == 0 && line.find(" for " + utf8(appDir)) != std::string::npos;
        });
        EXPECT_TRUE(shortForms) << "the log names the short forms";

        const std::vector<std::wstring> read = splitAt(fromUtf8(readBytes(argumentsFile)), L'\n');
        ASSERT_GE(read.size(), 6u);
        // The program path as the command line names it; the runtime's GetModuleFileNameA (read[0])
        // gives the same short form on Windows, but Wine 8 answers the long name however the process
        // was started, so that the runtime's home is shown here by the command line alone.
        const std::wstring program = testdriver::runtimeArguments(result.recordedCommandLine).front();
        EXPECT_TRUE(exists(program)) << "program path " << utf8(program);
        const auto classpath = std::find(read.begin(), read.end(), L"-classpath");
        ASSERT_TRUE(classpath != read.end() && classpath + 1 != read.end());
        const std::vector<std::wstring> entries = splitAt(*(classpath + 1), L';');
        EXPECT_EQ(entries.size(), throughJar ? 1u : jars.size());
        for (const std::wstring& entry : entries) EXPECT_TRUE(exists(entry)) << "class path entry " << utf8(entry);
        if (throughJar) {
            const std::vector<std::string> urls =
                jartest::decodedClassPath(jartest::storedZipEntries(readBytes(entries[0])).at("META-INF/MANIFEST.MF"));
            EXPECT_EQ(urls.size(), jars.size());
            // Relative to the jar's folder as the runtime names it (its short form).
            const std::wstring jarFolder = entries[0].substr(0, entries[0].rfind(L'\\') + 1);
            for (const std::string& url : urls) {
                std::wstring path = jarFolder + fromUtf8(url);
                std::replace(path.begin(), path.end(), L'/', L'\\');
                EXPECT_TRUE(exists(path)) << utf8(path);
            }
        }
        const auto mainClass = std::find(read.begin(), read.end(), L"a.a");
        ASSERT_TRUE(mainClass != read.end() && read.end() - mainClass >= 4);
        for (auto folder = mainClass + 1; folder != mainClass + 4; ++folder) {
            EXPECT_TRUE(exists(*folder)) << "folder argument " << utf8(*folder);
        }
    });
}
