// JavaVMFinder in process against the test prefix's real HKLM: a key redirected with
// RegOverridePredefKey ignores the registry view flags, so the two views need the real registry.
#include <string>
#include <vector>

#include <windows.h>

#include <gtest/gtest.h>

#include "launcher/JavaVMFinder.h"
#include "launcher/JavaVersion.h"
#include "support/LogfileWriter.h"
#include "tests/driver/CaseTable.h"
#include "tests/driver/ScratchFolder.h"
#include "tests/driver/TextFiles.h"
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
    }
};

TEST_F(RuntimeSearch, CurrentRuntimesAreLookedAtOnlyWhenTheOtherPlacesFindNothing) {
    const std::wstring root = kRoot;
    const std::vector<std::wstring> olderPlacesEmpty = {
        L"Searching preinstalled 64 bit Java VM", L"No registry entry found",
        L"Searching preinstalled 32 bit Java VM", L"No registry entry found", L"Searching packaged Java VM"};
    const auto after = [&](std::vector<std::wstring> lines) {
        lines.insert(lines.begin(), olderPlacesEmpty.begin(), olderPlacesEmpty.end());
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
                L"Searching preinstalled 32 bit Java VM (JavaSoft\\JDK)", L"Found valid version 17.0.2"})},
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

}  // namespace
