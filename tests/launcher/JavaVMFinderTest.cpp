// JavaVMFinder in process against the test prefix's real HKLM: a key redirected with
// RegOverridePredefKey ignores the registry view flags, so the two views need the real registry.
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include <windows.h>

#include <gtest/gtest.h>

#include "launcher/runtime/JavaVMFinder.h"
#include "launcher/runtime/JavaVersion.h"
#include "support/LogfileWriter.h"
#include "support/UniqueResource.h"
#include "tests/driver/CaseTable.h"
#include "tests/driver/ScratchFolder.h"
#include "tests/driver/TextFiles.h"
#include "tests/launcher/ExpectedRun.h"
#include "tests/launcher/LauncherScenario.h"

namespace {

using namespace launchertest;

const wchar_t kRoot[] = L"C:\\brivane-tests\\finder";

struct Registration {
    std::wstring kind;  // below HKLM\SOFTWARE\JavaSoft
    std::wstring view;  // "/reg:64" or "/reg:32"
    std::wstring currentVersion;
    std::wstring home;  // below kRoot; empty: no version sub-key
    bool withJavaw;     // home\bin\javaw.exe exists
};

class RuntimeSearch : public ::testing::Test {
protected:
    void SetUp() override { cleanUp(); }
    void TearDown() override { cleanUp(); }
    static void cleanUp() {
        testdriver::removeTree(kRoot);
        clearJavaRegistry();
        // JAVA_HOME is the last place searched; only the tests that give one have one.
        ::SetEnvironmentVariableW(L"JAVA_HOME", nullptr);
    }
};

TEST_F(RuntimeSearch, CurrentRuntimesAreLookedAtOnlyWhenTheOtherPlacesFindNothing) {
    const std::wstring root = kRoot;
    const std::vector<std::wstring> olderPlacesEmpty = {
        L"Searching preinstalled 64 bit Java VM", L"No registry entry found",
        L"Searching preinstalled 32 bit Java VM", L"No registry entry found", L"Searching packaged Java VM"};
    // withLaterPlaces: the search went on through the vendors' registrations and JAVA_HOME.
    const auto after = [&](std::vector<std::wstring> lines, bool withLaterPlaces = false) {
        lines.insert(lines.begin(), olderPlacesEmpty.begin(), olderPlacesEmpty.end());
        if (withLaterPlaces) {
            const std::vector<std::wstring> deadEnds = registrationDeadEnds(2);
            lines.insert(lines.end(), deadEnds.begin(), deadEnds.end());
            lines.insert(lines.end(), {L"Searching Java VM from JAVA_HOME", L"No JAVA_HOME found"});
        }
        return lines;
    };
    testdriver::forEachCase<std::vector<Registration>, bool, std::wstring, std::vector<std::wstring>>({
        {"JDK 17 only in the 64-bit view of JavaSoft\\JDK",
         {{L"JDK", L"/reg:64", L"17", L"jdk-17", true}},
         false,
         root + L"\\jdk-17\\bin\\javaw.exe",
         after({L"Searching preinstalled 64 bit Java VM (JavaSoft\\JRE)", L"No registry entry found",
                L"Searching preinstalled 32 bit Java VM (JavaSoft\\JRE)", L"No registry entry found",
                L"Searching preinstalled 64 bit Java VM (JavaSoft\\JDK)", L"Found valid version 17"})},
        {"JRE 11 only in the 32-bit view of JavaSoft\\JRE",
         {{L"JRE", L"/reg:32", L"11.0.2", L"jre-11", true}},
         false,
         root + L"\\jre-11\\bin\\javaw.exe",
         after({L"Searching preinstalled 64 bit Java VM (JavaSoft\\JRE)", L"No registry entry found",
                L"Searching preinstalled 32 bit Java VM (JavaSoft\\JRE)", L"Found valid version 11.0.2"})},
        {"every dead end of the current places leaves the result empty",
         {{L"JRE", L"/reg:64", L"1.7", L"jre-7", true},
          {L"JRE", L"/reg:32", L"9", L"", false},
          {L"JDK", L"/reg:32", L"17.0.2", L"jdk-17 without javaw", false}},
         false,
         L"",
         after({L"Searching preinstalled 64 bit Java VM (JavaSoft\\JRE)", L"Version 1.7 too old",
                L"Searching preinstalled 32 bit Java VM (JavaSoft\\JRE)", L"Found valid version 9",
                L"No version node found", L"Searching preinstalled 64 bit Java VM (JavaSoft\\JDK)",
                L"No registry entry found",
                L"Searching preinstalled 32 bit Java VM (JavaSoft\\JDK)", L"Found valid version 17.0.2",
                // A key with "CurrentVersion" has had its search: its other versions are not looked at.
                L"Searching preinstalled 64 bit Java VM (JavaSoft\\JRE without CurrentVersion)",
                L"CurrentVersion node found, versions not searched",
                L"Searching preinstalled 32 bit Java VM (JavaSoft\\JRE without CurrentVersion)",
                L"CurrentVersion node found, versions not searched",
                L"Searching preinstalled 64 bit Java VM (JavaSoft\\JDK without CurrentVersion)",
                L"No registry entry found",
                L"Searching preinstalled 32 bit Java VM (JavaSoft\\JDK without CurrentVersion)",
                L"CurrentVersion node found, versions not searched"},
               /*withLaterPlaces=*/true)},
        {"a runtime under the older key wins, with the older log",
         {{L"Java Runtime Environment", L"/reg:32", L"1.8", L"jre8", true},
          {L"JDK", L"/reg:64", L"17", L"jdk-17", true}},
         false,
         root + L"\\jre8\\bin\\javaw.exe",
         {L"Searching preinstalled 64 bit Java VM", L"No registry entry found",
          L"Searching preinstalled 32 bit Java VM", L"Found valid version 1.8"}},
        {"a packaged runtime wins, with the older log",
         {{L"JDK", L"/reg:64", L"17", L"jdk-17", true}},
         true,
         root + L"\\install\\jre\\bin\\javaw.exe",
         olderPlacesEmpty},
    }, [&](const std::vector<Registration>& registrations, bool packaged, const std::wstring& expectedResult,
           const std::vector<std::wstring>& expectedLog) {
        cleanUp();
        for (const Registration& r : registrations) {
            registerJava(r.view, r.currentVersion, r.home.empty() ? L"" : root + L"\\" + r.home, r.kind);
            if (r.withJavaw) writeBytes(root + L"\\" + r.home + L"\\bin\\javaw.exe", "MZ");
            else if (!r.home.empty()) testdriver::makeFolders(root + L"\\" + r.home + L"\\bin");
        }
        // The installation folder exists in every case; only the packaged case has a runtime in it.
        testdriver::makeFolders(root + L"\\install");
        if (packaged) writeBytes(root + L"\\install\\jre\\bin\\javaw.exe", "MZ");
        const std::wstring logFile = root + L"\\search.log";
        std::wstring result = L"not cleared";
        {
            LogfileWriter log(logFile);
            JavaVMFinder finder;
            finder.findJavaVM(root + L"\\install\\", JavaVersion(L"1.8"), result, log);
        }
        EXPECT_EQ(utf8(result), utf8(expectedResult));
        std::vector<std::string> expected;
        for (const std::wstring& line : expectedLog) expected.push_back(utf8(line));
        EXPECT_EQ(logMessages(logFile), expected);
    });
}

// The last lines of a search log, or all of them when it has fewer.
std::vector<std::string> lastMessages(const std::wstring& logFile, std::size_t count) {
    const std::vector<std::string> messages = logMessages(logFile);
    return std::vector<std::string>(messages.end() - std::min(count, messages.size()), messages.end());
}

std::wstring searchWithMinimum18(const std::wstring& logFile) {
    std::wstring result = L"not cleared";
    LogfileWriter log(logFile);
    JavaVMFinder finder;
    finder.findJavaVM(std::wstring(kRoot) + L"\\install\\", JavaVersion(L"1.8"), result, log);
    return result;
}

TEST_F(RuntimeSearch, EveryVendorRegistrationAloneIsFoundInEitherView) {
    // As the installers write them: HKLM\SOFTWARE\<registration>\<version>\<suffix> (HKCU for an
    // install for one user), value, with a trailing backslash on the folder.
    testdriver::forEachRow<std::wstring, std::wstring, std::wstring, std::wstring>({
        {L"JavaSoft\\JRE", L"17.0.9", L"", L"JavaHome"},
        {L"JavaSoft\\JDK", L"21.0.1", L"", L"JavaHome"},
        {L"Eclipse Adoptium\\JRE", L"17.0.9.9", L"hotspot\\MSI", L"Path"},
        {L"Eclipse Adoptium\\JDK", L"8.0.392.8", L"hotspot\\MSI", L"Path"},
        {L"AdoptOpenJDK\\JRE", L"11.0.11.9", L"hotspot\\MSI", L"Path"},
        {L"AdoptOpenJDK\\JRE", L"11.0.11.9", L"openj9\\MSI", L"Path"},
        {L"AdoptOpenJDK\\JDK", L"16.0.2.7", L"hotspot\\MSI", L"Path"},
        {L"AdoptOpenJDK\\JDK", L"8.0.292.10", L"openj9\\MSI", L"Path"},
        {L"Eclipse Foundation\\JDK", L"11.0.12.7", L"hotspot\\MSI", L"Path"},
        {L"Microsoft\\JDK", L"17.0.9.8", L"hotspot\\MSI", L"Path"},
        {L"Azul Systems\\Zulu", L"zulu-17", L"", L"InstallationPath"},
        {L"Azul Systems\\Zulu 32-bit", L"zulu-8", L"", L"InstallationPath"},
        {L"BellSoft\\Liberica", L"Liberica JDK 17 Full", L"", L"InstallationPath"},
        {L"Semeru\\JRE", L"17.0.8.7", L"openj9\\MSI", L"Path"},
        {L"Semeru\\JDK", L"11.0.20.8", L"openj9\\MSI", L"Path"},
    }, [&](const std::wstring& registration, const std::wstring& version, const std::wstring& suffix,
           const std::wstring& valueName) {
        // The JavaSoft keys' versions are searched there only when "CurrentVersion" is missing.
        const std::wstring title =
            registration + (registration.rfind(L"JavaSoft", 0) == 0 ? L" without CurrentVersion" : L"");
        // A runtime installed for one user only registers below HKCU, in the same layout.
        for (const std::wstring root : {L"HKLM", L"HKCU"}) {
            for (const std::wstring view : {L"/reg:64", L"/reg:32"}) {
                SCOPED_TRACE(utf8(root + L" " + view));
                cleanUp();
                const std::wstring home = root + L"\\runtime " + version;
                registerRuntimeValue(root, view,
                                     registration + L"\\" + version + (suffix.empty() ? L"" : L"\\" + suffix),
                                     valueName, std::wstring(kRoot) + L"\\" + home + L"\\");
                writeBytes(std::wstring(kRoot) + L"\\" + home + L"\\bin\\javaw.exe", "MZ");
                testdriver::makeFolders(std::wstring(kRoot) + L"\\install");
                const std::wstring logFile = std::wstring(kRoot) + L"\\search.log";
                EXPECT_EQ(utf8(searchWithMinimum18(logFile)), utf8(std::wstring(kRoot) + L"\\" + home + L"\\bin\\javaw.exe"));
                std::vector<std::string> expected = {utf8(L"Searching preinstalled 64 bit Java VM (" + title + L")")};
                // HKCU\SOFTWARE is one key for both views: a user's runtime is found in the first.
                if (view == L"/reg:32" && root == L"HKLM") {
                    expected.insert(expected.end(), {"No registry entry found",
                                                     utf8(L"Searching preinstalled 32 bit Java VM (" + title + L")")});
                }
                expected.push_back(utf8(L"Found valid version " + version));
                EXPECT_EQ(lastMessages(logFile, expected.size()), expected);
            }
        }
    });
}

TEST_F(RuntimeSearch, HandsOutTheVersionOfTheRuntimeFound) {
    const std::wstring root = kRoot;
    const std::wstring install = root + L"\\install";
    const auto release = [](const std::wstring& folder, const std::string& version) {
        writeBytes(folder + L"\\release", "IMPLEMENTOR=\"Vendor\"\r\nJAVA_VERSION=\"" + version + "\"\r\n");
    };
    // prepare lays out the machine; javaw is below kRoot, "" for none found.
    testdriver::forEachCase<std::function<void()>, std::wstring, int>({
        {"CurrentVersion of the older key, tail ignored",
         [&] { registerJava(L"/reg:32", L"1.8.0_201-b09", root + L"\\jre8"); writeBytes(root + L"\\jre8\\bin\\javaw.exe", "MZ"); },
         L"jre8\\bin\\javaw.exe", 10800201},
        {"CurrentVersion not understood: unknown",
         [&] { registerJava(L"/reg:64", L"abc", root + L"\\home"); writeBytes(root + L"\\home\\bin\\javaw.exe", "MZ"); },
         L"home\\bin\\javaw.exe", 0},
        {"vendor registration: its version name",
         [&] {
             registerRuntime(L"/reg:64", L"Azul Systems\\Zulu\\zulu-17", L"InstallationPath", root + L"\\zulu");
             writeBytes(root + L"\\zulu\\bin\\javaw.exe", "MZ");
         },
         L"zulu\\bin\\javaw.exe", 170000000},
        {"packaged runtime: its release file",
         [&] { writeBytes(install + L"\\jre\\bin\\javaw.exe", "MZ"); release(install + L"\\jre", "1.8.0_392"); },
         L"install\\jre\\bin\\javaw.exe", 10800392},
        {"packaged runtime one folder deeper: the release file beside its bin",
         [&] {
             writeBytes(install + L"\\jre1.4.2.3\\jre\\bin\\javaw.exe", "MZ");
             release(install + L"\\jre1.4.2.3", "1.4.2");
             release(install + L"\\jre1.4.2.3\\jre", "11.0.2");
         },
         L"install\\jre1.4.2.3\\jre\\bin\\javaw.exe", 110002000},
        {"packaged runtime without a release file: unknown", [&] { writeBytes(install + L"\\jre\\bin\\javaw.exe", "MZ"); },
         L"install\\jre\\bin\\javaw.exe", 0},
        {"JAVA_HOME: its release file",
         [&] {
             writeBytes(root + L"\\jdk\\bin\\javaw.exe", "MZ");
             release(root + L"\\jdk", "21");
             ::SetEnvironmentVariableW(L"JAVA_HOME", (root + L"\\jdk").c_str());
         },
         L"jdk\\bin\\javaw.exe", 210000000},
        {"nothing found", [] {}, L"", 0},
    }, [&](const std::function<void()>& prepare, const std::wstring& javaw, int expectedNumber) {
        cleanUp();
        testdriver::makeFolders(install);
        prepare();
        std::wstring result;
        JavaVersion found(L"not cleared");
        {
            LogfileWriter log(root + L"\\search.log");
            JavaVMFinder finder;
            finder.findJavaVM(install + L"\\", JavaVersion(L"1.8"), result, found, log);
        }
        EXPECT_EQ(utf8(result), javaw.empty() ? "" : utf8(root + L"\\" + javaw));
        EXPECT_EQ(found.getNumber(), expectedNumber);
        if (expectedNumber == 0) {
            EXPECT_EQ(utf8(found.getText()), "");
        }
    });
}

TEST_F(RuntimeSearch, JavaHomeIsTakenAsPeopleSetIt) {
    // The folder is "C:\brivane-tests\finder\unpacked jdk" with bin\javaw.exe; {root} in a value
    // stands for kRoot. The other places are empty, so JAVA_HOME is the last one searched.
    const std::wstring root = kRoot;
    const std::wstring javaw = root + L"\\unpacked jdk\\bin\\javaw.exe";
    ::SetEnvironmentVariableW(L"BRIVANE_TEST_ROOT", kRoot);
    enum Release { None, Current, HeldExclusively };
    testdriver::forEachCase<std::wstring, Release, std::wstring, std::vector<std::wstring>>({
        {"a release file that cannot be opened counts as none", L"{root}\\unpacked jdk", HeldExclusively, javaw,
         {L"No release file found, version not checked"}},
        {"in double quotes", L"\"{root}\\unpacked jdk\"", Current, javaw, {L"Found valid version 17.0.9"}},
        {"blanks around, trailing backslash", L"  {root}\\unpacked jdk\\ ", Current, javaw,
         {L"Found valid version 17.0.9"}},
        {"blanks and quotes", L" \" {root}\\unpacked jdk\" ", None, javaw, {L"No release file found, version not checked"}},
        {"a variable in it", L"%BRIVANE_TEST_ROOT%\\unpacked jdk", Current, javaw, {L"Found valid version 17.0.9"}},
        {"a variable in quotes", L"\"%BRIVANE_TEST_ROOT%\\unpacked jdk\"", Current, javaw,
         {L"Found valid version 17.0.9"}},
        {"a variable that is not set stays as written", L"%BRIVANE_NOT_SET%\\unpacked jdk", Current, L"",
         {L"JAVA_HOME %BRIVANE_NOT_SET%\\unpacked jdk is relative, skipped"}},
        {"relative to the current folder", L"unpacked jdk", Current, L"",
         {L"JAVA_HOME unpacked jdk is relative, skipped"}},
        {"relative to the current drive", L"\\brivane-tests\\finder\\unpacked jdk", Current, L"",
         {L"JAVA_HOME \\brivane-tests\\finder\\unpacked jdk is relative, skipped"}},
        {"drive without a backslash", L"C:brivane-tests\\finder\\unpacked jdk", Current, L"",
         {L"JAVA_HOME C:brivane-tests\\finder\\unpacked jdk is relative, skipped"}},
        {"only quotes", L"\"\"", Current, L"", {L"No JAVA_HOME found"}},
    }, [&](const std::wstring& value, Release release, const std::wstring& expectedResult,
           const std::vector<std::wstring>& expectedNotes) {
        cleanUp();
        testdriver::makeFolders(root + L"\\install");
        writeBytes(javaw, "MZ");
        const std::wstring releasePath = root + L"\\unpacked jdk\\release";
        if (release != None) writeBytes(releasePath, "JAVA_VERSION=\"17.0.9\"\r\n");
        std::wstring javaHome = value;
        const std::size_t at = javaHome.find(L"{root}");
        if (at != std::wstring::npos) javaHome.replace(at, 6, root);
        ::SetEnvironmentVariableW(L"JAVA_HOME", javaHome.c_str());
        // Held without any sharing, as a program that rewrites the file may hold it.
        const UniqueFileHandle held(release == HeldExclusively
                                        ? ::CreateFileW(releasePath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                                        FILE_ATTRIBUTE_NORMAL, nullptr)
                                        : INVALID_HANDLE_VALUE);
        if (release == HeldExclusively) {
            ASSERT_TRUE(held);
        }
        const std::wstring logFile = root + L"\\search.log";
        EXPECT_EQ(utf8(searchWithMinimum18(logFile)), utf8(expectedResult));
        std::vector<std::string> expected = {"Searching Java VM from JAVA_HOME"};
        for (const std::wstring& note : expectedNotes) expected.push_back(utf8(note));
        EXPECT_EQ(lastMessages(logFile, expected.size()), expected);
    });
    ::SetEnvironmentVariableW(L"BRIVANE_TEST_ROOT", nullptr);
}

TEST_F(RuntimeSearch, RegistryValuesAreTakenAsInstallersWriteThem) {
    // {root} stands for kRoot. A REG_EXPAND_SZ folder is expanded; a folder named javaw.exe is no
    // program, in the JavaSoft search as in the vendors'.
    const std::wstring root = kRoot;
    ::SetEnvironmentVariableW(L"BRIVANE_TEST_ROOT", kRoot);
    struct Value {
        std::wstring key;  // below SOFTWARE of HKLM, 64-bit view
        std::wstring name;
        std::wstring data;
        bool expandable;
    };
    const auto expand = [&](std::wstring text) {
        const std::size_t at = text.find(L"{root}");
        if (at != std::wstring::npos) text.replace(at, 6, root);
        return text;
    };
    testdriver::forEachCase<std::vector<Value>, std::vector<std::wstring>, std::wstring, std::wstring>({
        {"vendor Path of type REG_EXPAND_SZ",
         {{L"Eclipse Adoptium\\JDK\\17.0.9.9\\hotspot\\MSI", L"Path", L"%BRIVANE_TEST_ROOT%\\rt\\t17\\", true}},
         {L"rt\\t17\\bin\\javaw.exe"}, L"rt\\t17\\bin\\javaw.exe", L"Found valid version 17.0.9.9"},
        {"JavaSoft JavaHome of type REG_EXPAND_SZ",
         {{L"JavaSoft\\Java Runtime Environment", L"CurrentVersion", L"1.8", false},
          {L"JavaSoft\\Java Runtime Environment\\1.8", L"JavaHome", L"%BRIVANE_TEST_ROOT%\\jre8", true}},
         {L"jre8\\bin\\javaw.exe"}, L"jre8\\bin\\javaw.exe", L"Found valid version 1.8"},
        {"a REG_SZ value is taken as it stands",
         {{L"Eclipse Adoptium\\JDK\\17.0.9.9\\hotspot\\MSI", L"Path", L"%BRIVANE_TEST_ROOT%\\rt\\t17\\", false}},
         {L"rt\\t17\\bin\\javaw.exe"}, L"", L"No file %BRIVANE_TEST_ROOT%\\rt\\t17\\bin\\javaw.exe found"},
        {"JavaSoft: a folder named javaw.exe, deeper a program",
         {{L"JavaSoft\\Java Runtime Environment", L"CurrentVersion", L"1.8", false},
          {L"JavaSoft\\Java Runtime Environment\\1.8", L"JavaHome", L"{root}\\jre8", false}},
         {L"jre8\\bin\\javaw.exe\\", L"jre8\\jre\\bin\\javaw.exe"}, L"jre8\\jre\\bin\\javaw.exe",
         L"Found valid version 1.8"},
        {"JavaSoft: only a folder named javaw.exe",
         {{L"JavaSoft\\JDK", L"CurrentVersion", L"17", false},
          {L"JavaSoft\\JDK\\17", L"JavaHome", L"{root}\\jdk", false}},
         {L"jdk\\bin\\javaw.exe\\"}, L"", L"No JAVA_HOME found"},
        {"vendor: a folder named javaw.exe",
         {{L"Azul Systems\\Zulu\\zulu-17", L"InstallationPath", L"{root}\\zulu", false}},
         {L"zulu\\bin\\javaw.exe\\"}, L"", L"No JAVA_HOME found"},
    }, [&](const std::vector<Value>& values, const std::vector<std::wstring>& files, const std::wstring& expectedResult,
           const std::wstring& expectedNote) {
        cleanUp();
        testdriver::makeFolders(root + L"\\install");
        for (const Value& v : values) registerRuntimeValue(L"HKLM", L"/reg:64", v.key, v.name, expand(v.data), v.expandable);
        // A trailing backslash makes a folder of that name.
        for (const std::wstring& file : files) {
            if (file.back() == L'\\') testdriver::makeFolders(root + L"\\" + file.substr(0, file.size() - 1));
            else writeBytes(root + L"\\" + file, "MZ");
        }
        const std::wstring logFile = root + L"\\search.log";
        EXPECT_EQ(utf8(searchWithMinimum18(logFile)), expectedResult.empty() ? "" : utf8(root + L"\\" + expectedResult));
        const std::vector<std::string> messages = logMessages(logFile);
        EXPECT_NE(std::find(messages.begin(), messages.end(), utf8(expectedNote)), messages.end()) << utf8(expectedNote);
    });
    ::SetEnvironmentVariableW(L"BRIVANE_TEST_ROOT", nullptr);
}

TEST_F(RuntimeSearch, MachineAndUserRegistrationsAreOnePool) {
    const std::wstring root = kRoot;
    struct Registered {
        std::wstring root;  // "HKLM" or "HKCU", 64-bit view
        std::wstring key;   // below SOFTWARE
        std::wstring value;
        std::wstring folder;  // below kRoot, with bin\javaw.exe; "" for a value without a folder
    };
    const std::wstring adoptium = L"Eclipse Adoptium\\JDK\\";
    testdriver::forEachCase<std::vector<Registered>, std::wstring, std::vector<std::wstring>>({
        {"the user's newer runtime before the machine's",
         {{L"HKLM", adoptium + L"11.0.21.9\\hotspot\\MSI", L"Path", L"machine 11"},
          {L"HKCU", adoptium + L"17.0.9.9\\hotspot\\MSI", L"Path", L"user 17"}},
         L"user 17", {L"Found valid version 17.0.9.9"}},
        {"the machine's newer runtime before the user's",
         {{L"HKLM", adoptium + L"21.0.1.12\\hotspot\\MSI", L"Path", L"machine 21"},
          {L"HKCU", adoptium + L"17.0.9.9\\hotspot\\MSI", L"Path", L"user 17"}},
         L"machine 21", {L"Found valid version 21.0.1.12"}},
        {"equal versions: the machine's first",
         {{L"HKCU", adoptium + L"17.0.9.9\\hotspot\\MSI", L"Path", L"user 17"},
          {L"HKLM", adoptium + L"17.0.9.9\\hotspot\\MSI", L"Path", L"machine 17"}},
         L"machine 17", {L"Found valid version 17.0.9.9"}},
        {"the user's when the machine's key holds no version",
         {{L"HKLM", L"Eclipse Adoptium\\JDK", L"Unrelated", L""},
          {L"HKCU", adoptium + L"17.0.9.9\\hotspot\\MSI", L"Path", L"user 17"}},
         L"user 17", {L"Found valid version 17.0.9.9"}},
        {"a machine key with CurrentVersion leaves the user's versions searched",
         {{L"HKLM", L"JavaSoft\\JDK", L"CurrentVersion", L""},
          {L"HKCU", L"JavaSoft\\JDK", L"CurrentVersion", L""},
          {L"HKCU", L"JavaSoft\\JDK\\17", L"JavaHome", L"user 17"}},
         L"user 17",
         {L"Searching preinstalled 64 bit Java VM (JavaSoft\\JDK without CurrentVersion)",
          L"CurrentVersion node found, versions not searched", L"Found valid version 17"}},
    }, [&](const std::vector<Registered>& registrations, const std::wstring& expectedFolder,
           const std::vector<std::wstring>& expectedLast) {
        cleanUp();
        testdriver::makeFolders(root + L"\\install");
        for (const Registered& r : registrations) {
            const std::wstring folder = root + L"\\" + r.folder;
            // CurrentVersion "17" points the machine's own search at a sub-key that is not there.
            registerRuntimeValue(r.root, L"/reg:64", r.key, r.value, r.folder.empty() ? L"17" : folder);
            if (!r.folder.empty()) writeBytes(folder + L"\\bin\\javaw.exe", "MZ");
        }
        const std::wstring logFile = root + L"\\search.log";
        EXPECT_EQ(utf8(searchWithMinimum18(logFile)), utf8(root + L"\\" + expectedFolder + L"\\bin\\javaw.exe"));
        EXPECT_EQ(lastMessages(logFile, expectedLast.size()), utf8Lines(expectedLast));
    });
}

}  // namespace
