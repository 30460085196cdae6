// The manifest jar that carries a class path too long for the command line: URL encoding of the
// path segments, the manifest's line wrapping, the zip bytes, the one-step write and its lock,
// and where the command line switches over to the jar.
#include <memory>
#include <string>
#include <vector>

#include <windows.h>

#include <gtest/gtest.h>

#include "launcher/commandline/JavaCommandLine.h"
#include "launcher/commandline/ManifestJar.h"
#include "launcher/commandline/StartCommandLine.h"
#include "launcher/commandline/StoredZipArchive.h"
#include "support/IOException.h"
#include "support/LogfileWriter.h"
#include "support/OneStepFileWrite.h"
#include "support/UniqueResource.h"
#include "tests/driver/Process.h"
#include "tests/driver/RuntimeArguments.h"
#include "tests/driver/CaseTable.h"
#include "tests/driver/ScratchFolder.h"
#include "tests/driver/TextFiles.h"
#include "tests/driver/ThrownBy.h"
#include "tests/launcher/StoredJar.h"

namespace {

using testdriver::readBytes;
using testdriver::utf8;
using testdriver::writeBytes;

TEST(ManifestJarUrl, EscapesEveryByteAPathSegmentMustNotCarry) {
    testdriver::expectEachCase<std::string, std::string>(urlPathSegment, {
        {"plain jar name", "tavrel-client_1.2~rc.jar", "tavrel-client_1.2~rc.jar"},
        {"blank separates Class-Path entries", "my lib.jar", "my%20lib.jar"},
        {"percent", "100%.jar", "100%25.jar"},
        {"hash starts a fragment", "a#b.jar", "a%23b.jar"},
        {"jar URL separator and parameters", "a!b;c+d=e.jar", "a%21b%3Bc%2Bd%3De.jar"},
        {"question mark, colon and at sign", "a?b:c@d", "a%3Fb%3Ac%40d"},
        {"two-byte umlaut, upper-case digits", "Pr\xC3\xBC" "fung", "Pr%C3%BCfung"},
        {"three-byte euro sign", "\xE2\x82\xAC", "%E2%82%AC"},
        {"four-byte character", "\xF0\x9F\x98\x80", "%F0%9F%98%80"},
        {"control byte keeps its leading zero", "\x0A", "%0A"},
        {"empty segment", "", ""},
    });
}

TEST(ManifestJarUrl, IsRelativeToTheJarsFolderOrAnAbsoluteFileUrl) {
    const std::wstring folder = L"C:\\Users\\J\u00FCrgen M\u00FCller\\AppData\\Local\\TavrelBank\\brivane\\";
    // folder: the entry is a class folder.
    testdriver::forEachCase<std::wstring, std::wstring, bool, std::string>({
        {"jar in lib", folder, folder + L"lib\\a.jar", false, "lib/a.jar"},
        {"nested folder with blank and umlaut", folder, folder + L"lib\\Zus\u00E4tze 2\\b c.jar", false,
         "lib/Zus%C3%A4tze%202/b%20c.jar"},
        {"character beyond the basic plane", folder, folder + L"lib\\\U0001F600.jar", false,
         "lib/%F0%9F%98%80.jar"},
        {"folder named like the jar folder's start", L"C:\\a\\b\\", L"C:\\a\\bc\\x.jar", false,
         "file:/C:/a/bc/x.jar"},
        {"other drive keeps its colon", folder, L"D:\\Bank Lib\\x.jar", false, "file:/D:/Bank%20Lib/x.jar"},
        {"network share", folder, L"\\\\server\\share\\x.jar", false, "file://server/share/x.jar"},
        {"root of the current drive", L"\\", L"\\lib\\a.jar", false, "lib/a.jar"},
        {"class folder named like a jar ends with a slash", folder, folder + L"lib\\x.jar", true, "lib/x.jar/"},
        {"class folder outside the jar's folder", folder, L"D:\\classes.jar", true, "file:/D:/classes.jar/"},
        {"semicolon in a name is escaped, not split", folder, folder + L"lib\\a;b.jar", false, "lib/a%3Bb.jar"},
        {"short form of a name UTF-8 cannot carry", folder, L"C:\\Users\\JRGENM~1\\lib\\AB~1.JAR", false,
         "file:/C:/Users/JRGENM~1/lib/AB~1.JAR"},
    }, [](const std::wstring& jarFolder, const std::wstring& entry, bool classFolder, const std::string& url) {
        EXPECT_EQ(classPathUrl(jarFolder, ManifestEntry{entry, classFolder}), url);
    });
}

TEST(ManifestJarUrl, ANameWithALoneSurrogateIsRefusedNotDropped) {
    // U+FFFD in its place would name a file that does not exist, and the runtime would skip it.
    for (const std::wstring& entry : {std::wstring(L"C:\\app\\lib\\a\xD800.jar"),
                                      std::wstring(L"C:\\app\\lib\\\xDC00\\b.jar")}) {
        SCOPED_TRACE(utf8(entry));
        EXPECT_THROW(classPathUrl(L"C:\\app\\", ManifestEntry{entry, false}), IOException);
    }
}

TEST(ManifestJarLines, WrapAt72BytesWithoutSplittingACharacter) {
    const std::string a71(71, 'a');
    const std::string a72(72, 'a');
    testdriver::expectEachCase<std::string, std::string>(manifestHeaderLines, {
        {"short header", "Manifest-Version: 1.0", "Manifest-Version: 1.0\r\n"},
        {"exactly 72 bytes", a72, a72 + "\r\n"},
        {"73 bytes", a72 + "b", a72 + "\r\n b\r\n"},
        {"continued lines carry 71 bytes after their blank", a72 + a71 + "c", a72 + "\r\n " + a71 + "\r\n c\r\n"},
        {"umlaut across the first boundary", a71 + "\xC3\xA4" "z", a71 + "\r\n \xC3\xA4" "z\r\n"},
        {"umlaut ending exactly at 72", a71.substr(1) + "\xC3\xA4", a71.substr(1) + "\xC3\xA4\r\n"},
        {"euro sign across the first boundary", a71 + "\xE2\x82\xAC", a71 + "\r\n \xE2\x82\xAC\r\n"},
        {"four-byte character across a continued line's end", a72 + std::string(69, 'b') + "\xF0\x9F\x98\x80",
         a72 + "\r\n " + std::string(69, 'b') + "\r\n \xF0\x9F\x98\x80\r\n"},
    });
}

TEST(ManifestJarZip, CarriesTheManifestAsAStoredEntryWithItsCrc) {
    EXPECT_EQ(zipCrc32("123456789"), 0xCBF43926u) << "the check value of CRC-32";
    EXPECT_EQ(zipCrc32(""), 0u);
    const std::wstring folder = L"C:\\app\\";
    const std::string jar = manifestJarBytes({{L"C:\\app\\lib\\ext\\b.jar"}, {L"C:\\app\\lib\\a.jar"}}, folder);
    const std::map<std::string, std::string> entries = jartest::storedZipEntries(jar);
    const std::string manifest = "Manifest-Version: 1.0\r\nClass-Path: lib/ext/b.jar lib/a.jar\r\n\r\n";
    EXPECT_EQ(entries, (std::map<std::string, std::string>{{"META-INF/", ""}, {"META-INF/MANIFEST.MF", manifest}}));
    EXPECT_NE(jar.find(std::string("\x50\x4B\x03\x04", 4)), std::string::npos);
    const std::uint32_t crc = zipCrc32(manifest);
    EXPECT_NE(jar.find(std::string{static_cast<char>(crc & 0xFF), static_cast<char>((crc >> 8) & 0xFF),
                                   static_cast<char>((crc >> 16) & 0xFF), static_cast<char>(crc >> 24)}),
              std::string::npos)
        << "the manifest's CRC in the headers";
}

class OneStepWrite : public ::testing::Test {
protected:
    testdriver::ScratchFolder folder_{L"launcher_one_step_write"};
    std::wstring jar_ = folder_ / L"classpath.jar";
};

TEST_F(OneStepWrite, ReplacesTheFileAndLeavesNoTemporaryFile) {
    // A leftover of a start that died while writing, read-only on top.
    writeBytes(jar_ + L".tmp", "half");
    ::SetFileAttributesW((jar_ + L".tmp").c_str(), FILE_ATTRIBUTE_READONLY);
    writeFileInOneStep(jar_, "first");
    EXPECT_EQ(readBytes(jar_), "first");
    writeFileInOneStep(jar_, "second");
    EXPECT_EQ(readBytes(jar_), "second");
    EXPECT_FALSE(testdriver::exists(jar_ + L".tmp"));
}

TEST_F(OneStepWrite, LeavesAnEqualFileThatARuntimeHoldsAlone) {
    writeFileInOneStep(jar_, "same bytes");
    // A started runtime reads its class path jar without delete sharing, which keeps the file
    // from being replaced while it runs.
    const UniqueFileHandle runtime(::CreateFileW(jar_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(runtime);
    writeFileInOneStep(jar_, "same bytes");
    EXPECT_EQ(readBytes(jar_), "same bytes");
}

TEST_F(OneStepWrite, FailureNamesTheFileWithTheSystemsTextAndCleansUp) {
    // An application folder that is gone: the temporary file cannot be made, on Windows and under Wine.
    const std::wstring jar = folder_ / L"missing\\classpath.jar";
    try {
        writeFileInOneStep(jar, "bytes");
        ADD_FAILURE() << "no exception";
    } catch (const IOException& failure) {
        EXPECT_EQ(failure.kind, IOException::Resource);
        const std::wstring english = L"The file " + jar + L" can not be written. Error ";
        EXPECT_EQ(failure.englishMessage.rfind(english, 0), 0u) << utf8(failure.englishMessage);
        EXPECT_EQ(failure.germanMessage.rfind(L"Die Datei " + jar + L" kann nicht geschrieben werden. Fehler ", 0),
                  0u)
            << utf8(failure.germanMessage);
        // The number, ": " and a text of the system.
        EXPECT_GT(failure.englishMessage.find(L": ", english.size()), english.size());
        EXPECT_NE(failure.englishMessage.back(), L'\n');
    }
    EXPECT_FALSE(testdriver::exists(jar + L".tmp"));
}

// What a sync tool or a restore leaves where the jar belongs gives way; a running client that
// holds the jar is reported as in use, so the user is asked to close it.
TEST_F(OneStepWrite, ReadOnlyMarksAndAFolderGiveWayAndAHeldJarIsInUse) {
    testdriver::forEachCase<bool, bool, bool>({
        {"read-only jar", true, false, false},
        {"read-only temporary file", false, true, false},
        {"a folder where the jar belongs", false, false, true},
    }, [&](bool readOnlyJar, bool readOnlyTemporary, bool folder) {
        ::SetFileAttributesW(jar_.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::SetFileAttributesW((jar_ + L".tmp").c_str(), FILE_ATTRIBUTE_NORMAL);
        testdriver::removeTree(jar_);
        testdriver::removeTree(jar_ + L".tmp");
        if (folder) {
            writeBytes(jar_ + L"\\inside.txt", "x");
        } else {
            writeBytes(jar_, "old");
        }
        if (readOnlyJar) ::SetFileAttributesW(jar_.c_str(), FILE_ATTRIBUTE_READONLY);
        if (readOnlyTemporary) {
            writeBytes(jar_ + L".tmp", "half");
            ::SetFileAttributesW((jar_ + L".tmp").c_str(), FILE_ATTRIBUTE_READONLY);
        }
        writeFileInOneStep(jar_, "new");
        EXPECT_EQ(readBytes(jar_), "new");
        EXPECT_FALSE(testdriver::exists(jar_ + L".tmp"));
    });

    // Without delete sharing, as a started runtime reads it (Wine honours the share mode).
    const UniqueFileHandle runtime(::CreateFileW(jar_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(runtime);
    const IOException failure = testdriver::thrownBy([&] { writeFileInOneStep(jar_, "newer"); });
    EXPECT_EQ(failure.kind, IOException::InUse) << utf8(failure.englishMessage);
    EXPECT_EQ(readBytes(jar_), "new");
}

TEST(OneStepWriteFailure, KindFollowsTheSystemError) {
    // Windows answers access denied for a file another program keeps open; Wine answers with a
    // sharing violation, so the other rows are decided here.
    testdriver::forEachCase<unsigned long, bool, IOException::Kind>({
        {"sharing violation", ERROR_SHARING_VIOLATION, true, IOException::InUse},
        {"lock violation", ERROR_LOCK_VIOLATION, true, IOException::InUse},
        {"access denied on a writable file there", ERROR_ACCESS_DENIED, true, IOException::InUse},
        {"access denied with no such file (rights of the folder)", ERROR_ACCESS_DENIED, false, IOException::Resource},
        {"disk full", ERROR_DISK_FULL, true, IOException::Resource},
        {"path not found", ERROR_PATH_NOT_FOUND, false, IOException::Resource},
    }, [](unsigned long error, bool heldFileThere, IOException::Kind kind) {
        EXPECT_EQ(oneStepWriteFailureKind(error, heldFileThere), kind);
    });
}

TEST(StartCommandLine, SwitchesToTheJarAtTheFirstLengthWindowsRefuses) {
    const testdriver::ScratchFolder folder(L"launcher_start_command_line");
    const std::wstring appDirFolder = folder.path() + L"\\";
    LogfileWriter log(folder / L"launch.log");
    JavaCommandLineParts parts{L"C:\\jre\\bin\\javaw.exe", L"", L"\"-Dlaunch.version=2\"", L"", L"C:\\a", L"C:\\i",
                               L"C:\\d"};
    const std::size_t fixedLength = composeJavaCommandLine(parts).size();
    // A class path that makes the line exactly as long as a process command line may be.
    parts.classpath = appDirFolder + L"lib\\" + std::wstring(32766 - fixedLength - appDirFolder.size() - 8, L'x') +
                      L".jar";
    ASSERT_EQ(composeJavaCommandLine(parts).size(), 32766u);
    EXPECT_EQ(composeStartCommandLine(parts, appDirFolder + L"lib", appDirFolder, log), composeJavaCommandLine(parts));
    EXPECT_FALSE(testdriver::exists(folder / L"classpath.jar"));

    // One character more.
    parts.classpath.insert(parts.classpath.size() - 4, L"y");
    JavaCommandLineParts throughJar = parts;
    throughJar.classpath = folder / L"classpath.jar";
    EXPECT_EQ(composeStartCommandLine(parts, appDirFolder + L"lib", appDirFolder, log),
              composeJavaCommandLine(throughJar));
    const std::map<std::string, std::string> entries = jartest::storedZipEntries(readBytes(folder / L"classpath.jar"));
    ASSERT_EQ(entries.count("META-INF/MANIFEST.MF"), 1u);
    EXPECT_EQ(jartest::decodedClassPath(entries.at("META-INF/MANIFEST.MF")),
              std::vector<std::string>{"lib/" + utf8(parts.classpath.substr(appDirFolder.size() + 4))});
}

TEST(StartCommandLine, SplitsTheClassPathOnlyWhereAnEntryStarts) {
    using Entries = std::vector<std::wstring>;
    testdriver::forEachCase<std::wstring, std::wstring, Entries>({
        {"two jars", L"C:\\a\\lib", L"C:\\a\\lib\\x.jar;C:\\a\\lib\\ext\\y.jar",
         {L"C:\\a\\lib\\x.jar", L"C:\\a\\lib\\ext\\y.jar"}},
        {"semicolon in a jar's name", L"C:\\a\\lib", L"C:\\a\\lib\\a;b.jar;C:\\a\\lib\\c.jar",
         {L"C:\\a\\lib\\a;b.jar", L"C:\\a\\lib\\c.jar"}},
        {"semicolon in the application folder", L"C:\\odd;x\\app\\lib",
         L"C:\\odd;x\\app\\lib\\a.jar;C:\\odd;x\\app\\lib\\b.jar",
         {L"C:\\odd;x\\app\\lib\\a.jar", L"C:\\odd;x\\app\\lib\\b.jar"}},
        {"name ending in a semicolon", L"C:\\a\\lib", L"C:\\a\\lib\\a;;C:\\a\\lib\\b.jar",
         {L"C:\\a\\lib\\a;", L"C:\\a\\lib\\b.jar"}},
        {"one entry", L"C:\\a\\lib", L"C:\\a\\lib\\x.jar", {L"C:\\a\\lib\\x.jar"}},
        {"empty", L"C:\\a\\lib", L"", {}},
    }, [](const std::wstring& libDir, const std::wstring& classpath, const Entries& entries) {
        EXPECT_EQ(classpathEntries(classpath, libDir), entries);
    });
}

// The paths below a user folder whose name the ANSI code page (1252 under Wine) cannot carry:
// what the runtime reads of the line names existing files, and the log names each short form.
TEST(StartCommandLine, HandsOverTheShortFormOfEveryPathTheRuntimeCannotRead) {
    const testdriver::ScratchFolder folder(L"launcher_readable_paths");
    const std::wstring appDir = folder / L"G\u00FCl\u015Fen Y\u0131lmaz";
    const std::wstring libDir = appDir + L"\\lib";
    writeBytes(libDir + L"\\a.jar", "jar");
    writeBytes(libDir + L"\\\u0141\u00F3d\u017A.jar", "jar");
    testdriver::makeFolders(libDir + L"\\classes.jar");
    writeBytes(folder / L"jre\\bin\\javaw.exe", "runtime");
    const JavaCommandLineParts parts{folder / L"jre\\bin\\javaw.exe",
                                     libDir + L"\\a.jar;" + libDir + L"\\\u0141\u00F3d\u017A.jar;" + libDir +
                                         L"\\classes.jar",
                                     L"\"-Dlaunch.version=2\"", L"", appDir, folder.path(), folder.path()};
    std::wstring commandLine;
    {
        LogfileWriter log(folder / L"launch.log");
        commandLine = composeStartCommandLine(parts, libDir, appDir + L"\\", log);
    }
    EXPECT_EQ(testdriver::ansiView(commandLine), commandLine) << "the line survives the code page";
    const std::vector<std::wstring> arguments = testdriver::runtimeArguments(commandLine);
    ASSERT_EQ(arguments.size(), 8u) << utf8(commandLine);
    EXPECT_EQ(arguments[0], parts.javaPath) << "a path the code page carries stays as it is";
    std::size_t entries = 0;
    for (std::size_t start = 0; start <= arguments[2].size(); ++entries) {
        const std::size_t end = std::min(arguments[2].find(L';', start), arguments[2].size());
        EXPECT_TRUE(testdriver::exists(arguments[2].substr(start, end - start))) << utf8(arguments[2]);
        start = end + 1;
    }
    EXPECT_EQ(entries, 3u);
    EXPECT_NE(arguments[5], appDir);
    EXPECT_TRUE(testdriver::exists(arguments[5] + L"\\lib\\a.jar")) << utf8(arguments[5]);
    const std::string logText = readBytes(folder / L"launch.log");
    for (const std::wstring& longPath : {appDir, libDir + L"\\a.jar", libDir + L"\\classes.jar"}) {
        EXPECT_NE(logText.find(" for " + utf8(longPath) + "\r\n"), std::string::npos) << utf8(longPath);
    }
    EXPECT_EQ(logText.find(utf8(parts.javaPath)), std::string::npos) << "no line for what stays";
    EXPECT_FALSE(testdriver::exists(appDir + L"\\classpath.jar"));
}

// A classpath.jar of an earlier, longer class path once the class path fits the line again.
TEST(StartCommandLine, RemovesTheJarOnceTheClassPathIsShortAgain) {
    const testdriver::ScratchFolder folder(L"launcher_stale_jar");
    const std::wstring jar = folder / L"classpath.jar";
    const JavaCommandLineParts parts{L"C:\\jre\\bin\\javaw.exe", folder / L"lib\\a.jar", L"", L"",
                                     folder.path(), L"C:\\i", L"C:\\d"};
    // logged: the line the start logs about the jar; "" for none.
    testdriver::forEachCase<bool, bool, bool, std::string>({
        {"no jar left", false, false, false, ""},
        {"jar of an earlier long class path", true, false, false, "Deleted manifest jar no longer used "},
        {"jar a running client holds", true, true, true,
         "Manifest jar no longer used but in use, left in place: "},
    }, [&](bool present, bool held, bool stays, const std::string& logged) {
        ::DeleteFileW(jar.c_str());
        if (present) writeBytes(jar, "earlier jar");
        std::unique_ptr<testdriver::FileHolder> client;
        if (held) {
            client = std::make_unique<testdriver::FileHolder>(jar, 30000);
            ASSERT_TRUE(client->waitUntilHeld(10000));
        }
        {
            LogfileWriter log(folder / L"launch.log");
            EXPECT_EQ(composeStartCommandLine(parts, folder / L"lib", folder.path() + L"\\", log),
                      composeJavaCommandLine(parts));
        }
        if (client) client->release();
        EXPECT_EQ(testdriver::exists(jar), stays);
        const std::string logText = readBytes(folder / L"launch.log");
        EXPECT_EQ(logText.empty() ? std::string() : logText.substr(20), logged.empty() ? "" : logged + utf8(jar) + "\r\n");
    });
}

}  // namespace
