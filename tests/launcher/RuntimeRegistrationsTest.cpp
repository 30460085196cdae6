// The decisions of the search through the vendors' registrations and JAVA_HOME, over plain
// strings: the version a key name or a release file stands for, the order in which one
// registration's runtimes are tried, and which of them is passed over.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "launcher/runtime/JavaVersion.h"
#include "launcher/runtime/RuntimeRegistrations.h"
#include "launcher/runtime/RuntimeVersionName.h"
#include "tests/driver/CaseTable.h"
#include "tests/driver/TextFiles.h"

namespace {

using testdriver::utf8;

std::vector<std::string> utf8Lines(const std::vector<std::wstring>& lines) {
    std::vector<std::string> converted;
    for (const std::wstring& line : lines) converted.push_back(utf8(line));
    return converted;
}

TEST(RuntimeVersionName, ReadsEveryNamingSchemeOnTheMinimumsScale) {
    // The scale is JavaVersion's: 1.8 is 10,800,000, 17.0.9 is 170,009,000.
    testdriver::expectEachCase<std::wstring, int>(runtimeVersionNumber, {
        {"old scheme", L"1.8.0_392", 10800392},
        {"old scheme, too old", L"1.7.0_80", 10700080},
        {"feature only", L"17", 170000000},
        {"feature, interim, update", L"17.0.9", 170009000},
        {"with build number", L"17.0.9.9", 170009009},
        {"build after plus", L"21.0.1+12", 210001000},
        {"Java 8 in the new scheme is 1.8", L"8.0.392.8", 10800392},
        {"Java 8 update form with tail", L"8u392-b08", 10800392},
        {"word before the number", L"zulu-17", 170000000},
        {"word before Java 8", L"zulu-8", 10800000},
        {"word before Java 7 and tail", L"zulu-7-jre", 10700000},
        {"word, blank and tail", L"Liberica JDK 17 Full", 170000000},
        {"word before a dotted version", L"jdk-11.0.21", 110021000},
        {"large parts stay in their slot", L"17.0.123.4567", 170099999},
        {"largest feature", L"200", 2000000000},
        {"empty", L"", 0},
        {"no number", L"CurrentVersion", 0},
        {"feature 0", L"0.9", 0},
        {"feature beyond the scale", L"201", 0},
        {"five digits", L"17.0.12345", 0},
        {"dot without a part", L"17.", 0},
        {"letter after the number", L"17a", 0},
        {"underscore too early", L"17_0", 0},
        {"update form without update", L"8u", 0},
    });
}

TEST(RegisteredRuntimes, AreTriedFromTheHighestVersionDown) {
    // Every folder but the removed ones holds its javaw.exe.
    const auto isExecutable = [](const std::wstring& path) { return path.find(L"removed") == std::wstring::npos; };
    testdriver::forEachCase<std::vector<RegisteredRuntime>, std::wstring, std::vector<std::wstring>>({
        {"highest first, whatever the listing order",
         {{L"11.0.21.9", L"C:\\jdk-11"}, {L"17.0.9.9", L"C:\\jdk-17"}, {L"8.0.392.8", L"C:\\jre8"}},
         L"C:\\jdk-17\\bin\\javaw.exe", {L"Found valid version 17.0.9.9"}},
        {"a stale folder is passed over for the next version",
         {{L"11.0.21.9", L"C:\\jdk-11"}, {L"17.0.9.9", L"C:\\removed"}}, L"C:\\jdk-11\\bin\\javaw.exe",
         {L"Found valid version 17.0.9.9", L"No file C:\\removed\\bin\\javaw.exe found",
          L"Found valid version 11.0.21.9"}},
        {"a missing folder value is passed over", {{L"17", L""}, {L"1.8.0_392", L"C:\\jre8"}},
         L"C:\\jre8\\bin\\javaw.exe",
         {L"Found valid version 17", L"No Path node found", L"Found valid version 1.8.0_392"}},
        {"too old is never taken, though its javaw.exe exists", {{L"1.7.0_80", L"C:\\jre7"}, {L"zulu-7", L"C:\\z"}},
         L"", {L"Version 1.7.0_80 too old", L"Version zulu-7 too old"}},
        {"a name not understood comes last and is never taken", {{L"beta", L"C:\\b"}, {L"1.8", L"C:\\removed"}},
         L"", {L"Found valid version 1.8", L"No file C:\\removed\\bin\\javaw.exe found",
               L"Found invalid version beta, skipped"}},
        {"equal versions in the listing order", {{L"17.0.9", L"C:\\first"}, {L"17.0.9", L"C:\\second"}},
         L"C:\\first\\bin\\javaw.exe", {L"Found valid version 17.0.9"}},
        {"nothing registered", {}, L"", {}},
    }, [&](const std::vector<RegisteredRuntime>& runtimes, const std::wstring& expected,
           const std::vector<std::wstring>& expectedNotes) {
        std::vector<std::wstring> notes;
        JavaVersion picked(L"not cleared");
        EXPECT_EQ(utf8(pickRegisteredRuntime(runtimes, JavaVersion(L"1.8"), L"Path", isExecutable, notes, picked)),
                  utf8(expected));
        // Nothing taken: no version either, whatever was tried before.
        if (expected.empty()) {
            EXPECT_EQ(utf8(picked.getText()), "");
        }
        EXPECT_EQ(utf8Lines(notes), utf8Lines(expectedNotes));
    });
}

TEST(JavaHomeRuntime, IsJudgedByTheVersionOfItsReleaseFile) {
    testdriver::forEachCase<bool, std::string, bool, std::wstring>({
        {"no release file: a Java 8 JRE may have none", false, "", true,
         L"No release file found, version not checked"},
        {"current runtime", true,
         "IMPLEMENTOR=\"Eclipse Adoptium\"\r\nJAVA_VERSION=\"17.0.9\"\r\nOS_NAME=\"Windows\"\r\n", true,
         L"Found valid version 17.0.9"},
        {"Java 8 exactly the minimum, LF lines", true, "JAVA_VERSION=\"1.8.0_392\"\nOS_ARCH=\"amd64\"\n", true,
         L"Found valid version 1.8.0_392"},
        {"without quotes and final line end", true, "JAVA_VERSION=21", true, L"Found valid version 21"},
        {"older runtime", true, "JAVA_VERSION=\"1.7.0_80\"\n", false, L"Version 1.7.0_80 too old"},
        {"a similar name is no version", true, "JAVA_VERSION_DATE=\"2023-10-17\"\n", false,
         L"No JAVA_VERSION found in release file"},
        {"version not understood", true, "JAVA_VERSION=\"17\xC3\xA4\"\n", false,
         L"Found invalid version 17??, skipped"},
    }, [](bool hasReleaseFile, const std::string& bytes, bool expected, const std::wstring& expectedNote) {
        std::wstring note;
        EXPECT_EQ(acceptJavaHomeRuntime(hasReleaseFile, bytes, JavaVersion(L"1.8"), note), expected);
        EXPECT_EQ(utf8(note), utf8(expectedNote));
    });
}

}  // namespace
