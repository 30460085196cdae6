// The launcher's decisions over plain strings: folders from the program path and launch.ini, the
// first line of a settings file, the Java version, the runtime folder choice, the proxy properties
// and the command line.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "launcher/JavaProcess.h"
#include "launcher/LaunchSettings.h"
#include "launcher/Launcher.h"
#include "launcher/commandline/JavaCommandLine.h"
#include "launcher/commandline/ProxySettings.h"
#include "launcher/commandline/RuntimeReadablePath.h"
#include "launcher/commandline/VmOptionsQuotes.h"
#include "launcher/runtime/JavaVMFinder.h"
#include "launcher/runtime/JavaVersion.h"
#include "support/FirstLine.h"
#include "tests/driver/CaseTable.h"
#include "tests/driver/Process.h"
#include "tests/driver/RuntimeArguments.h"
#include "tests/driver/ScratchFolder.h"
#include "tests/driver/TextFiles.h"

namespace {

using testdriver::splitArguments;

TEST(InstallFolder, IsTheFolderOfTheProgramPath) {
    testdriver::expectEachCase<std::wstring, std::wstring>(programFolder, {
        // Blanks are part of the path: the command line's first word would have been "C:\Program".
        {"path with blanks", L"C:\\Program Files\\Client\\tavrel-brivane.exe", L"C:\\Program Files\\Client\\"},
        {"blank in the file name", L"C:\\My Client\\tavrel brivane.exe", L"C:\\My Client\\"},
        {"root", L"C:\\tavrel-brivane.exe", L"C:\\"},
        {"long form", L"\\\\?\\C:\\Client\\tavrel-brivane.exe", L"\\\\?\\C:\\Client\\"},
        {"network share", L"\\\\server\\share\\tavrel-brivane.exe", L"\\\\server\\share\\"},
        {"no backslash", L"tavrel-brivane.exe", L".\\"},
        {"empty: the system could not tell", L"", L".\\"},
    });
}

TEST(AppDirFolder, FollowsOnlyTheExactLaunchIniLines) {
    const std::wstring install = L"C:\\Client\\";
    // chosen false: the default per-user folder.
    testdriver::forEachCase<std::wstring, bool, std::wstring>({
        {"home path", L"appPath=${homePath}", true, install},
        {"install dir", L"appDir=${installDir}", true, install},
        {"plain folder", L"appDir=D:\\Data", true, L"D:\\Data\\"},
        {"empty value gives the drive root", L"appDir=", true, L"\\"},
        {"value with trailing backslash gets a second", L"appDir=D:\\Data\\", true, L"D:\\Data\\\\"},
        {"value not trimmed", L"appDir= D:\\Data ", true, L" D:\\Data \\"},
        {"placeholder inside a longer value is text", L"appDir=${installDir}\\x", true, L"${installDir}\\x\\"},
        {"home path with trailing blank", L"appPath=${homePath} ", false, L""},
        {"capital A", L"AppDir=D:\\Data", false, L""},
        {"byte-order mark", L"\uFEFF" L"appDir=D:\\Data", false, L""},
        {"empty line", L"", false, L""},
        {"leading blank", L" appDir=D:\\Data", false, L""},
        {"other key", L"appPath=D:\\Data", false, L""},
    }, [&](const std::wstring& line, bool chosen, const std::wstring& expectedFolder) {
        std::wstring folder;
        EXPECT_EQ(appDirFolderFromLaunchIniLine(line, install, folder), chosen);
        EXPECT_EQ(folder, expectedFolder);
    });
}

TEST(FirstLine, SkipsOnlyALeadingByteOrderMark) {
    const testdriver::ScratchFolder folder(L"launcher_first_line");
    testdriver::forEachCase<std::string, std::wstring>({
        {"marked options line", "\xEF\xBB\xBF-Xmx512m -Dfoo=bar\r\n-Xmx1g\r\n", L"-Xmx512m -Dfoo=bar"},
        {"marked launch.ini line", "\xEF\xBB\xBF" "appDir=D:\\Data\n", L"appDir=D:\\Data"},
        {"mark alone", "\xEF\xBB\xBF", L""},
        {"mark before an empty first line", "\xEF\xBB\xBF\r\nsecond\r\n", L""},
        {"second mark is text", "\xEF\xBB\xBF\xEF\xBB\xBFx", L"\uFEFFx"},
        {"mark inside the line is text", "a\xEF\xBB\xBF", L"a\uFEFF"},
        {"no mark", "-Xmx256m", L"-Xmx256m"},
        // Notepad's "Unicode": UTF-16LE after FF FE.
        {"UTF-16LE options line", std::string("\xFF\xFE-\0X\0m\0x\0" "1\0g\0\r\0\n\0-\0x\0", 22), L"-Xmx1g"},
        {"UTF-16LE launch.ini, LF only, umlaut and a unit above 0xFF",
         std::string("\xFF\xFE" "a\0=\0\xFC\0\xAC\x20\n\0", 12), L"a=\u00FC\u20AC"},
        {"UTF-16LE last line with CR, odd byte left over", std::string("\xFF\xFEx\0\r\0y", 7), L"x"},
        {"UTF-16LE mark alone", "\xFF\xFE", L""},
        {"UTF-16LE zero unit cuts the line", std::string("\xFF\xFE" "a\0\0\0b\0", 8), L"a"},
        {"UTF-16BE options line", std::string("\xFE\xFF\0-\0X\0m\0x\0" "1\0g\0\r\0\n\0-\0x", 22), L"-Xmx1g"},
        {"UTF-16BE umlaut, a unit above 0xFF and a last odd byte",
         std::string("\xFE\xFF\0a\0=\0\xFC\x20\xAC\0", 11), L"a=\u00FC\u20AC"},
        {"UTF-16BE zero unit cuts the line", std::string("\xFE\xFF\0a\0\0\0b", 8), L"a"},
    }, [&](const std::string& bytes, const std::wstring& line) {
        testdriver::writeBytes(folder / L"win.vmoptions", bytes);
        EXPECT_EQ(readFirstLine(folder / L"win.vmoptions"), line);
    });
    EXPECT_EQ(readFirstLine(folder / L"missing.ini"), L"");
}

TEST(JavaVersion, ParsesNumbersAndSeparators) {
    testdriver::forEachRow<std::wstring, bool, int>({
        {L"1.8", true, 10800000},
        {L"1.8.0_201", true, 10800201},
        {L"1.8.0_201-b09", true, 10800201},
        {L"1.7.0_80", true, 10700080},
        {L"11.0.2", true, 110002000},
        {L"11", true, 110000000},
        {L"17.0.2", true, 170002000},
        {L"9", true, 90000000},
        {L"", true, 0},
        {L"abc", false, 0},
        {L"1,8", false, 10800000},
        {L"1.8.0.201", false, 10800201},
        {L"1.8_0", false, 10800000},
        {L"1..8", true, 10000000 + 0 * 100000 + 8 * 1000},
    }, [&](const std::wstring& text, bool valid, int number) {
        const JavaVersion version(text);
        EXPECT_EQ(version.isValid(), valid);
        EXPECT_EQ(version.getNumber(), number);
        EXPECT_EQ(version.getText(), text);
    });
}

TEST(JavaVersion, SaturatesAbsurdNumbersInsteadOfOverflowing) {
    const JavaVersion minimum(L"1.8");
    testdriver::forEachCase<std::wstring>({
        {"first number of forty digits", std::wstring(40, L'9')},
        {"first number just above 32 bits", L"2147483648"},
        {"second number huge", L"1.99999999999999999999"},
        {"fourth number huge", L"1.8.0_" + std::wstring(30, L'7')},
        {"sum above 32 bits", L"300.0"},
    }, [&](const std::wstring& text) {
        const JavaVersion version(text);
        EXPECT_TRUE(version.isValid());
        EXPECT_EQ(version.getNumber(), 2147483647);
        EXPECT_FALSE(version.isOlderThan(minimum));
    });
}

TEST(JavaVersion, TooOldOnlyWhenSmallerThanTheMinimum) {
    const JavaVersion minimum(L"1.8");
    EXPECT_TRUE(JavaVersion(L"1.7.0_80").isOlderThan(minimum));
    EXPECT_FALSE(JavaVersion(L"1.8").isOlderThan(minimum));
    EXPECT_FALSE(JavaVersion(L"1.8.0_1").isOlderThan(minimum));
    EXPECT_FALSE(JavaVersion(L"9").isOlderThan(minimum));
    EXPECT_FALSE(JavaVersion(L"17.0.2").isOlderThan(minimum));
}

TEST(RuntimeFolderChoice, IsOrdinalNotNumeric) {
    testdriver::forEachCase<std::wstring, std::wstring, bool>({
        {"first candidate wins", L"", L"jre", true},
        {"31 beats 201 by code units", L"jre1.8.0_201", L"jre1.8.0_31", true},
        {"201 loses to 31", L"jre1.8.0_31", L"jre1.8.0_201", false},
        {"longer with same start is greater", L"jre", L"jre1.8", true},
        {"equal is no better", L"jre1.8", L"jre1.8", false},
        {"lower case sorts after upper case", L"JRE9", L"jre1", true},
        {"a unit above 0x7FFF is greater", L"jre\u00E9", L"jre\uFF01", true},
    }, [&](const std::wstring& best, const std::wstring& candidate, bool better) {
        EXPECT_EQ(isBetterRuntimeFolder(best, candidate), better);
    });
}

TEST(RuntimeFolderChoice, TheGreatestNameWhereverItWasFound) {
    testdriver::expectEachCase<std::vector<std::wstring>, std::wstring>(chooseRuntimeFolder, {
        {"none found", {}, L""},
        {"one", {L"jre"}, L"jre"},
        {"greatest, not first or last", {L"jre1.8.0_201", L"jre1.8.0_31", L"jre1.7"}, L"jre1.8.0_31"},
        {"a nested name counts alike", {L"jre", L"jreNested"}, L"jreNested"},
    });
}

TEST(ProxyProperties, TakeHostAndPortFromTheServerText) {
    const Launcher launcher(101, 102, L"Tavrel Bank brivane", L"brivane");
    testdriver::forEachCase<std::wstring, std::wstring>({
        {"host and port", L"10.0.0.1:8080", L"\"-Dlaunch.proxyHost=10.0.0.1\" \"-Dlaunch.proxyPort=8080\""},
        {"https entry of a list", L"http=10.0.0.1:80;https=10.0.0.2:443;ftp=10.0.0.3:21",
         L"\"-Dlaunch.proxyHost=10.0.0.2\" \"-Dlaunch.proxyPort=443\""},
        {"https entry last", L"http=10.0.0.1:80;https=10.0.0.2:443",
         L"\"-Dlaunch.proxyHost=10.0.0.2\" \"-Dlaunch.proxyPort=443\""},
        {"list without https", L"http=10.0.0.1:80", L""},
        {"https in capitals is not found", L"HTTPS=10.0.0.2:443", L""},
        {"host without port", L"10.0.0.1", L"\"-Dlaunch.proxyHost=10.0.0.1\""},
        {"empty", L"", L""},
        {"colon only", L":", L""},
        {"port without host", L":8080", L"\"-Dlaunch.proxyPort=8080\""},
        {"host with empty port", L"proxy:", L"\"-Dlaunch.proxyHost=proxy\""},
        {"second colon stays in the port", L"h:1:2", L"\"-Dlaunch.proxyHost=h\" \"-Dlaunch.proxyPort=1:2\""},
        {"empty https entry", L"https=;http=x:1", L""},
    }, [&](const std::wstring& server, const std::wstring& expectedOptions) {
        std::wstring options;
        launcher.addProxyProperties(server, options);
        EXPECT_EQ(options, expectedOptions);
    });
}

TEST(PropertyOptions, AreBlankSeparatedAndSkipEmptyValues) {
    const Launcher launcher(101, 102, L"Tavrel Bank brivane", L"brivane");
    std::wstring options;
    launcher.addProperty(L"version", L"2", options);
    launcher.addProperty(L"autoConfigUrl", L"", options);
    launcher.addProperty(L"proxyOverride", L"a\"b;<local>", options);
    EXPECT_EQ(options, L"\"-Dlaunch.version=2\" \"-Dlaunch.proxyOverride=a\\\"b;<local>\"");
}

TEST(JavaCommandLine, JoinsThePiecesInOrder) {
    JavaCommandLineParts parts;
    parts.javaPath = L"C:\\Program Files\\Client\\jre\\bin\\javaw.exe";
    parts.classpath = L"C:\\L\\ext\\b.jar;C:\\L\\a.jar";
    parts.appDir = L"C:\\A";
    parts.installDir = L"C:\\Program Files\\Client";
    parts.dataDir = L"C:\\D";
    const std::wstring head =
        L"\"C:\\Program Files\\Client\\jre\\bin\\javaw.exe\" -classpath \"C:\\L\\ext\\b.jar;C:\\L\\a.jar\"";
    const std::wstring tail = L" a.a \"C:\\A\" \"C:\\Program Files\\Client\" \"C:\\D\"";
    testdriver::forEachCase<std::wstring, std::wstring, std::wstring>({
        {"no options", L"", L"", head + tail},
        {"properties only", L"\"-Dlaunch.version=2\"", L"", head + L" \"-Dlaunch.version=2\"" + tail},
        {"both", L"\"-Dlaunch.version=2\"", L"-Xmx512m -Dfoo=bar",
         head + L" \"-Dlaunch.version=2\" -Xmx512m -Dfoo=bar" + tail},
        {"additional only", L"", L"-Xmx256m", head + L" -Xmx256m" + tail},
    }, [&](const std::wstring& propertyOptions, const std::wstring& additionalOptions, const std::wstring& expected) {
        parts.propertyOptions = propertyOptions;
        parts.additionalOptions = additionalOptions;
        EXPECT_EQ(composeJavaCommandLine(parts), expected);
    });
}

TEST(QuotedArgument, SplitsBackToTheValueByTheWindowsRules) {
    testdriver::forEachCase<std::wstring, std::wstring>({
        {"plain folder with blank", L"C:\\Program Files\\Client", L"\"C:\\Program Files\\Client\""},
        {"inner backslashes stay single", L"\\\\server\\share\\x", L"\"\\\\server\\share\\x\""},
        {"trailing backslash", L"C:\\data5\\", L"\"C:\\data5\\\\\""},
        {"two trailing backslashes", L"C:\\data5\\\\", L"\"C:\\data5\\\\\\\\\""},
        {"backslash alone", L"\\", L"\"\\\\\""},
        {"quote inside", L"a\"b", L"\"a\\\"b\""},
        {"backslash before a quote", L"a\\\"b", L"\"a\\\\\\\"b\""},
        {"quote alone", L"\"", L"\"\\\"\""},
        {"quote at the end", L"abc\"", L"\"abc\\\"\""},
        {"empty", L"", L"\"\""},
        {"option smuggled into a proxy", L"10.0.0.1:8080\" \"-javaagent:C:\\x\\evil.jar",
         L"\"10.0.0.1:8080\\\" \\\"-javaagent:C:\\x\\evil.jar\""},
        {"two quotes", L"\"\"", L"\"\\\"\\\"\""},
        {"blank, tab and umlaut", L"a b\tZ\u00FCrich", L"\"a b\tZ\u00FCrich\""},
    }, [&](const std::wstring& value, const std::wstring& expectedQuoted) {
        const std::wstring quoted = quotedArgument(value);
        EXPECT_EQ(quoted, expectedQuoted);
        EXPECT_EQ(splitArguments(L"javaw.exe " + quoted + L" next"),
                  (std::vector<std::wstring>{L"javaw.exe", value, L"next"}));
    });
}

TEST(JavaCommandLine, HostileValuesReachTheRuntimeAsTheirOwnArguments) {
    JavaCommandLineParts parts;
    parts.javaPath = L"C:\\Program Files\\Client\\jre\\bin\\javaw.exe";
    parts.classpath = L"C:\\L\\a\"b.jar;C:\\L\\";
    appendLaunchProperty(L"appDir", L"C%3A%5Cdata5%5C", parts.propertyOptions);
    appendProxyProperties(L"10.0.0.1:8080\" \"-javaagent:C:\\x\\evil.jar", parts.propertyOptions);
    appendLaunchProperty(L"proxyOverride", L"*.local;<local>\\", parts.propertyOptions);
    parts.additionalOptions = L"-Xmx512m -Dfoo=\"a b\"";
    parts.appDir = L"C:\\data5\\";
    parts.installDir = L"C:\\inst \\\"5";
    parts.dataDir = L"C:\\users\\J\u00FCrg\\Documents\\TavrelBank";

    EXPECT_EQ(splitArguments(composeJavaCommandLine(parts)),
              (std::vector<std::wstring>{parts.javaPath, L"-classpath", parts.classpath,
                                         L"-Dlaunch.appDir=C%3A%5Cdata5%5C",
                                         L"-Dlaunch.proxyHost=10.0.0.1",
                                         L"-Dlaunch.proxyPort=8080\" \"-javaagent:C:\\x\\evil.jar",
                                         L"-Dlaunch.proxyOverride=*.local;<local>\\", L"-Xmx512m",
                                         L"-Dfoo=a b", L"a.a", parts.appDir, parts.installDir, parts.dataDir}));
}

// The quote state of a win.vmoptions line by the runtime's own rules, checked against a port of
// the runtime's splitter and, where the two differ, beside the system's (CommandLineToArgvW): after
// the mending, the main class and the folders that follow are arguments of their own, and a line
// that the runtime splits soundly stays byte for byte.
TEST(VmOptionsQuotes, AnOpenQuoteIsClosedAtTheEndAndNothingElseChanges) {
    // openForRuntime, openForWindows: whether the unchanged line swallows what follows it.
    testdriver::forEachCase<std::wstring, bool, bool, std::wstring>({
        {"no quote", L"-Xmx512m -Dfoo=bar", false, false, L"-Xmx512m -Dfoo=bar"},
        {"balanced value with blank", L"-Dclient.title=\"Tavrel Bank\"", false, false,
         L"-Dclient.title=\"Tavrel Bank\""},
        {"title left open", L"-Dclient.title=\"Tavrel Bank", true, true, L"-Dclient.title=\"Tavrel Bank\""},
        {"folder whose backslash escapes the closing quote", L"-Dx=\"C:\\dir\\\"", true, true,
         L"-Dx=\"C:\\dir\\\"\""},
        {"open quote ending in a backslash", L"-Dx=\"C:\\dir\\", true, true, L"-Dx=\"C:\\dir\\\\\""},
        {"open quote ending in two backslashes", L"-Dx=\"C:\\dir\\\\", true, true, L"-Dx=\"C:\\dir\\\\\\\\\""},
        {"escaped quote outside quotes", L"-Dx=a\\\"b", false, false, L"-Dx=a\\\"b"},
        {"escaped backslash before a closing quote", L"-Dx=\"C:\\dir\\\\\"", false, false, L"-Dx=\"C:\\dir\\\\\""},
        // "" inside a quoted part: one literal quote for the runtime, which keeps the part open.
        {"doubled quotes inside a value are literal quotes", L"-Dk=\"a \"\"b\"\" c\"", false, true,
         L"-Dk=\"a \"\"b\"\" c\""},
        {"doubled quote keeps the part open", L"-Da=\"x\"\"y", true, false, L"-Da=\"x\"\"y\""},
        {"third quote of a run reopens", L"-Dk=\"\"\"", true, false, L"-Dk=\"\"\"\""},
        {"fourth quote of a run closes", L"-Dx=\"\"\"\"", false, true, L"-Dx=\"\"\"\""},
        {"second option left open", L"-Xmx1g \"-Dy=a b", true, true, L"-Xmx1g \"-Dy=a b\""},
        // Closed, these would be an empty or blank argument right before the main class.
        {"lone trailing quote is dropped", L"-Xmx128m \"", true, true, L"-Xmx128m "},
        {"lone quote before trailing blanks is dropped", L"-Xmx128m \"  \t", true, true, L"-Xmx128m "},
        {"quote alone", L"\"", true, true, L""},
        {"quote that opens only blanks inside an option", L"-Dx=\" ", true, true, L"-Dx="},
        {"reopened part with a blank is closed, not dropped", L"-Dx=\"a\"\" ", true, false,
         L"-Dx=\"a\"\" \""},
        {"empty", L"", false, false, L""},
    }, [](const std::wstring& options, bool openForRuntime, bool openForWindows, const std::wstring& mended) {
        EXPECT_EQ(leavesQuoteOpen(options), openForRuntime);
        EXPECT_EQ(withOpenQuoteClosed(options), mended);
        // The columns are what the two splitters do with the unchanged line.
        EXPECT_EQ(testdriver::runtimeArguments(L"javaw.exe " + options + L" a.a").back() != L"a.a", openForRuntime);
        EXPECT_EQ(splitArguments(L"javaw.exe " + options + L" a.a").back() != L"a.a", openForWindows);
        const std::vector<std::wstring> arguments =
            testdriver::runtimeArguments(L"javaw.exe " + mended + L" a.a \"C:\\A\" \"C:\\I\" \"C:\\D\"");
        ASSERT_GE(arguments.size(), 5u);
        EXPECT_EQ(std::vector<std::wstring>(arguments.end() - 4, arguments.end()),
                  (std::vector<std::wstring>{L"a.a", L"C:\\A", L"C:\\I", L"C:\\D"}));
        // The runtime would take an empty or blank argument before a.a for the main class's name.
        EXPECT_NE((arguments.end() - 5)->find_first_not_of(L" \t"), std::wstring::npos);
    });
}

// The port of the runtime's splitter that the stand-in runtime, the bridge and the tests use,
// against the test vectors that the runtime's own splitter carries.
TEST(RuntimeArguments, SplitAsTheJavaLauncherSplitsItsVectors) {
    using Arguments = std::vector<std::wstring>;
    testdriver::forEachCase<std::wstring, Arguments>({
        {"plain", L"abcd", {L"abcd"}},
        {"quoted blanks", L"\"a b c d\"", {L"a b c d"}},
        {"quotes inside a word", L"a\"b c d\"e", {L"ab c de"}},
        {"escaped quote", L"ab\\\"cd", {L"ab\"cd"}},
        {"escaped backslash before the closing quote", L"\"a b c d\\\\\"", {L"a b c d\\"}},
        {"three backslashes and a quote", L"ab\\\\\\\"cd", {L"ab\\\"cd"}},
        {"backslashes without a quote", L"a\\\\\\c", {L"a\\\\\\c"}},
        {"backslashes inside quotes", L"\"a\\\\\\d\"", {L"a\\\\\\d"}},
        {"quoted, then plain", L"\"a b c\" d e", {L"a b c", L"d", L"e"}},
        {"two blanks between", L"\"ab\\\"c\"  \"\\\\\"  d", {L"ab\"c", L"\\", L"d"}},
        {"mixed", L"a\\\\\\c d\"e f\"g h", {L"a\\\\\\c", L"de fg", L"h"}},
        {"odd backslashes before a quote", L"a\\\\\\\"b c d", {L"a\\\"b", L"c", L"d"}},
        {"even backslashes before a quote", L"a\\\\\\\\\"g c\" d e", {L"a\\\\g c", L"d", L"e"}},
        {"doubled closing quote", L"\"a b c\"\"", {L"a b c\""}},
        {"empty part at both ends", L"\"\"a b c\"\"", {L"a", L"b", L"c"}},
        {"three quotes", L"\"\"\"a b c\"\"\"", {L"\"a b c\""}},
        {"four quotes", L"\"\"\"\"a b c\"\"\"\"", {L"\"a", L"b", L"c\""}},
        {"five quotes", L"\"\"\"\"\"a b c\"\"\"\"\"", {L"\"\"a b c\"\""}},
        {"quoted folder with trailing backslash", L"\"C:\\TEST A\\\\\"", {L"C:\\TEST A\\"}},
        {"doubled quotes around a folder", L"\"\"C:\\TEST A\\\\\"\"", {L"C:\\TEST", L"A\\"}},
        {"wildcard", L"abc*def", {L"abc*def"}},
        {"path", L"\\X\\Y\\Z", {L"\\X\\Y\\Z"}},
        {"tab", L"a\tb", {L"a", L"b"}},
        {"blank, tab, blank", L"a \t b", {L"a", L"b"}},
        {"backslashes before a blank", L"a b\\\\ d", {L"a", L"b\\\\", L"d"}},
        {"trailing backslashes", L"..\\..\\", {L"..\\..\\"}},
        {"empty quoted argument", L"\"\" x", {L"", L"x"}},
    }, [](const std::wstring& line, const Arguments& expected) {
        Arguments arguments = testdriver::runtimeArguments(L"\"C:\\jre\\bin\\javaw.exe\" " + line);
        ASSERT_FALSE(arguments.empty());
        EXPECT_EQ(arguments.front(), L"C:\\jre\\bin\\javaw.exe");
        EXPECT_EQ(Arguments(arguments.begin() + 1, arguments.end()), expected);
    });
}

// What the runtime's launcher reads of a path in the system's ANSI code page, and the short form
// taken in its place.
TEST(RuntimeReadablePath, ShortFormOnlyWhereTheRuntimeCannotReadThePath) {
    using Use = RuntimePathUse;
    const std::wstring gulsen = L"C:\\Users\\G\u00FCl\u015Fen Y\u0131lmaz\\AppData\\Local\\TavrelBank\\brivane";
    const std::wstring gulsenShort = L"C:\\Users\\G_L_~KBO\\AppData\\Local\\TAVREL~1\\brivane";
    const std::wstring lone = L"C:\\lib\\a\xD800" L"b.jar";
    // chosen: the text handed over; empty when there is none.
    testdriver::forEachCase<std::wstring, std::wstring, unsigned int, Use, std::wstring>({
        {"plain ASCII stays", L"C:\\Users\\u\\lib\\a.jar", L"C:\\Users\\u\\lib\\A~1.JAR", 1252, Use::Plain,
         L"C:\\Users\\u\\lib\\a.jar"},
        {"umlaut and euro sign of 1252 stay", L"C:\\Users\\J\u00FCrgen\\\u20AC", L"C:\\Users\\JRGEN~1\\_~1", 1252,
         Use::ClassPathEntry, L"C:\\Users\\J\u00FCrgen\\\u20AC"},
        {"letters outside 1252 give the short form", gulsen, gulsenShort, 1252, Use::Plain, gulsenShort},
        {"no best-fit look-alike: L with stroke", L"C:\\Users\\\u0141ukasz", L"C:\\Users\\UKASZ~1", 1252, Use::Plain,
         L"C:\\Users\\UKASZ~1"},
        {"Cyrillic in 1252", L"C:\\Users\\\u041F\u0451\u0442\u0440", L"C:\\Users\\3D31~1", 1252, Use::Plain,
         L"C:\\Users\\3D31~1"},
        {"Cyrillic in 1251 stays", L"C:\\Users\\\u041F\u0451\u0442\u0440", L"C:\\Users\\3D31~1", 1251, Use::Plain,
         L"C:\\Users\\\u041F\u0451\u0442\u0440"},
        {"double-byte code page 932 round trip stays", L"C:\\Users\\\u65E5\u672C", L"C:\\Users\\E1~1", 932,
         Use::Plain, L"C:\\Users\\\u65E5\u672C"},
        {"no short form: the system answers the long name", gulsen, gulsen, 1252, Use::Plain, L""},
        {"no short form: the path does not exist", gulsen, L"", 1252, Use::Plain, L""},
        {"code page 65001 changes nothing", gulsen, gulsenShort, 65001, Use::ClassPathEntry, gulsen},
        {"lone surrogate in 65001", lone, L"C:\\lib\\AB~1.JAR", 65001, Use::Plain, L"C:\\lib\\AB~1.JAR"},
        {"lone surrogate in 1252", lone, L"C:\\lib\\AB~1.JAR", 1252, Use::Plain, L"C:\\lib\\AB~1.JAR"},
        {"semicolon splits a class path", L"C:\\odd;x\\app\\lib\\a.jar", L"C:\\ODD_X~1\\app\\lib\\a.jar", 1252,
         Use::ClassPathEntry, L"C:\\ODD_X~1\\app\\lib\\a.jar"},
        {"semicolon in a folder argument stays", L"C:\\odd;x\\app", L"C:\\ODD_X~1\\app", 1252, Use::Plain,
         L"C:\\odd;x\\app"},
        {"percent in a class path entry", L"C:\\100%\\a.jar", L"C:\\100_~1\\a.jar", 1252, Use::ClassPathEntry,
         L"C:\\100_~1\\a.jar"},
        {"percent kept by the short form: none readable", L"C:\\100%\\a.jar", L"C:\\100%\\a.jar", 1252,
         Use::ClassPathEntry, L""},
        {"letter beyond the basic plane in the jar's path, UTF-8 system", L"C:\\Users\\\U0001F600\\classpath.jar",
         L"C:\\Users\\F6~1\\classpath.jar", 65001, Use::ClassPathEntry, L"C:\\Users\\F6~1\\classpath.jar"},
        {"empty path stays empty", L"", L"", 1252, Use::Plain, L""},
    }, [](const std::wstring& path, const std::wstring& shortForm, unsigned int codePage, Use use,
          const std::wstring& chosen) {
        EXPECT_EQ(chooseRuntimePath(path, shortForm, codePage, use), chosen);
        EXPECT_EQ(runtimeReadsAsWritten(path, codePage, use), chosen == path);
    });
}

TEST(JavaProcess, ARuntimeThatHasEndedWithACodeOtherThanZeroFailedToStart) {
    testdriver::forEachCase<unsigned long, unsigned long, bool>({
        {"still running", WAIT_TIMEOUT, STILL_ACTIVE, false},
        {"ended with 0 during the wait", WAIT_OBJECT_0, 0, false},
        {"ended with 1: no main class", WAIT_OBJECT_0, 1, true},
        {"ended by a crash", WAIT_OBJECT_0, 0xC0000005, true},
        {"the wait itself failed", WAIT_FAILED, 0, false},
    }, [](unsigned long waitResult, unsigned long exitCode, bool failed) {
        EXPECT_EQ(endedAtOnceWithFailure(waitResult, exitCode), failed);
    });
}

TEST(JavaCommandLine, FitsAProcessUpToTheSystemLimit) {
    testdriver::forEachRow<std::size_t, bool>({
        {0, true}, {32765, true}, {32766, true}, {32767, false}, {40480, false},
    }, [](std::size_t length, bool fits) {
        EXPECT_EQ(fitsProcessCommandLine(std::wstring(length, L'x')), fits);
    });
}

}  // namespace
