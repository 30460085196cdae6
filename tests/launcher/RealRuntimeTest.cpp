// The launcher with a real Java runtime: the bridge stands where javaw.exe is expected and runs
// the Linux java with the demo client a.a, which writes what it received to a file. Shows that a
// real Java launcher splits the command line as intended, finds a.a on the class path, and that
// the client can decode what the launcher encoded. Needs Wine (the bridge maps paths with it) and
// /usr/bin/java; skipped without them.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include <windows.h>

#include <gtest/gtest.h>

#include "support/UniqueResource.h"
#include "tests/driver/CaseTable.h"
#include "tests/driver/ScratchFolder.h"
#include "tests/driver/TestPaths.h"
#include "tests/driver/TextFiles.h"
#include "tests/launcher/LauncherScenario.h"

namespace {

using namespace launchertest;

using Report = std::vector<std::pair<std::wstring, std::wstring>>;

const wchar_t kReportFile[] = L"C:\\brivane-tests\\client-report.txt";

// The client's "name=value" lines, in order.
Report readReport() {
    Report report;
    const std::wstring text = fromUtf8(readBytes(kReportFile));
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find(L'\n', start), text.size());
        const std::wstring line = text.substr(start, end - start);
        const std::size_t equals = line.find(L'=');
        report.emplace_back(line.substr(0, equals), equals == std::wstring::npos ? L"" : line.substr(equals + 1));
        start = end + 1;
    }
    return report;
}

std::vector<std::wstring> valuesOf(const Report& report, const std::wstring& name) {
    std::vector<std::wstring> values;
    for (const auto& entry : report) {
        if (entry.first == name) values.push_back(entry.second);
    }
    return values;
}

Report entriesStartingWith(const Report& report, const std::wstring& prefix) {
    Report entries;
    for (const auto& entry : report) {
        if (entry.first.rfind(prefix, 0) == 0) entries.push_back(entry);
    }
    return entries;
}

// The Windows name of a path the client reported, so that it compares with what the launcher
// passed; Wine's own reverse of the bridge's mapping.
std::wstring windowsForm(const std::wstring& linuxPath) {
    using DosFileNameFunction = WCHAR*(__cdecl*)(const char*);
    const auto toDos = reinterpret_cast<DosFileNameFunction>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
    if (toDos == nullptr) return L"(not under Wine) " + linuxPath;
    const UniqueProcessHeapMemory dosPath(toDos(utf8(linuxPath).c_str()));
    return dosPath ? static_cast<const wchar_t*>(dosPath.get()) : L"(no Windows name) " + linuxPath;
}

std::vector<std::wstring> windowsForms(const std::vector<std::wstring>& linuxPaths) {
    std::vector<std::wstring> paths;
    for (const std::wstring& path : linuxPaths) paths.push_back(windowsForm(path));
    return paths;
}

// Runs the installation's launcher and waits for the client's report.
Report launchClient(const Installation& installation) {
    ::DeleteFileW(kReportFile);
    const LaunchResult result = launch(installation);
    EXPECT_FALSE(result.dialogShown) << utf8(result.dialogText);
    EXPECT_TRUE(waitFor([] { return exists(kReportFile); }, 30000))
        << "the client wrote no report; java said:\n"
        << readBytes(installation.folder() + L"\\jre\\bin\\java-output.log");
    return readReport();
}

bool containsInOrder(const std::vector<std::string>& lines, const std::vector<std::string>& wanted) {
    return std::search(lines.begin(), lines.end(), wanted.begin(), wanted.end()) != lines.end();
}

class RealRuntime : public ::testing::Test {
protected:
    void SetUp() override {
        if (!exists(testdriver::builtFile(L"tools\\democlient.jar")) || !exists(L"Z:\\usr\\bin\\java")) {
            GTEST_SKIP() << "No Java here: this test needs /usr/bin/java under Wine and tools\\democlient.jar, "
                            "which the build makes when it finds javac (scripts/build.sh installs "
                            "openjdk-17-jdk-headless when it can).";
        }
        cleanUp();
    }
    void TearDown() override { cleanUp(); }
    static void cleanUp() {
        removeTree(L"C:\\brivane-tests");
        removeTree(defaultDataDir());
        clearJavaRegistry();
        resetInternetSettings();
    }
};

TEST_F(RealRuntime, ClientReceivesEverythingDecodedAndRunsFromTheSwappedLibrary) {
    // Blanks and characters beyond ASCII, one beyond the ANSI code page too, in every folder the
    // client gets: the installation, and the application folder that launch.ini puts inside it.
    const Installation installation(L"Tavrel Bank Prüfung ä € \u65E5");
    const std::wstring appDir = installation.folder() + L"\\Benutzer Daten é";
    const std::wstring libDir = appDir + L"\\lib";
    installation.addRuntime(L"jre\\bin", L"tools\\java-bridge.exe");
    testdriver::makeFolders(installation.libDir());
    ASSERT_TRUE(::CopyFileW(testdriver::builtFile(L"tools\\democlient.jar").c_str(),
                            (installation.libDir() + L"\\client.jar").c_str(), FALSE));
    writeBytes(installation.libDir() + L"\\win.vmoptions",
               "-Xmx64m -Ddemoclient.report=" + utf8(kReportFile) + " -Ddemoclient.update=client-2.jar\r\n");
    writeBytes(installation.folder() + L"\\launch.ini", "appDir=" + utf8(appDir) + "\r\n");
    testdriver::makeFolders(appDir);
    const std::wstring key = std::wstring(L"\"") + kInternetSettings + L"\"";
    for (const std::wstring& command :
         {L"add " + key + L" /v ProxyEnable /t REG_DWORD /d 1 /f",
          L"add " + key + L" /v ProxyServer /t REG_SZ /d \"http=10.0.0.1:80;https=proxy.example:8443\" /f",
          L"add " + key + L" /v AutoConfigURL /t REG_SZ /d http://wpad.example/wpad.dat /f",
          L"add " + key + L" /v ProxyOverride /t REG_SZ /d \"*.local;<local>\" /f"}) {
        ASSERT_EQ(reg(command), 0u) << utf8(command);
    }
    const Report first = launchClient(installation);

    testdriver::forEachRow<const wchar_t*, std::wstring>({
        {L"property launch.version", L"2"},
        {L"property launch.platform", L"Windows"},
        {L"property launch.proxyEnabled", L"true"},
        {L"property launch.proxyHost", L"proxy.example"},
        {L"property launch.proxyPort", L"8443"},
        {L"property launch.autoConfigUrl", L"http://wpad.example/wpad.dat"},
        {L"property launch.proxyOverride", L"*.local;<local>"},
        {L"decoded appDir", appDir},
        {L"decoded installDir", installation.folder()},
        {L"decoded dataDir", defaultDataDir()},
        {L"arguments", L"3"},
    }, [&](const wchar_t* name, const std::wstring& value) {
        EXPECT_EQ(valuesOf(first, name), std::vector<std::wstring>{value});
    });
    // Those seven and the three encoded folders, nothing else.
    EXPECT_EQ(entriesStartingWith(first, L"property launch.").size(), 10u);
    EXPECT_EQ(windowsForms(valuesOf(first, L"argument 1")), std::vector<std::wstring>{appDir});
    EXPECT_EQ(windowsForms(valuesOf(first, L"argument 2")), std::vector<std::wstring>{installation.folder()});
    EXPECT_EQ(windowsForms(valuesOf(first, L"argument 3")), std::vector<std::wstring>{defaultDataDir()});
    const std::vector<std::wstring> options = valuesOf(first, L"jvm option");
    EXPECT_NE(std::find(options.begin(), options.end(), L"-Xmx64m"), options.end());
    EXPECT_EQ(windowsForms(valuesOf(first, L"class path")), std::vector<std::wstring>{libDir + L"\\client.jar"});
    EXPECT_EQ(windowsForms(valuesOf(first, L"loaded from")), std::vector<std::wstring>{libDir + L"\\client.jar"});

    // The client prepared lib_new with its jar renamed; the next start swaps it in.
    removeTree(appDir + L"\\logs");
    const Report second = launchClient(installation);

    EXPECT_TRUE(containsInOrder(logMessages(onlyLogFile(appDir + L"\\logs")),
                                {utf8(L"New lib folder found at " + appDir + L"\\lib_new"),
                                 utf8(L"Renaming " + libDir + L" to " + appDir + L"\\lib_old"),
                                 utf8(L"Renaming " + appDir + L"\\lib_new to " + libDir)}));
    EXPECT_EQ(windowsForms(valuesOf(second, L"loaded from")), std::vector<std::wstring>{libDir + L"\\client-2.jar"});
    // Each library folder carries the mark of a complete one.
    EXPECT_EQ(filesBelow(libDir), (std::vector<std::wstring>{L"client-2.jar", L"library.complete", L"win.vmoptions"}));
    EXPECT_EQ(filesBelow(appDir + L"\\lib_old"),
              (std::vector<std::wstring>{L"client.jar", L"library.complete", L"win.vmoptions"}));
}

TEST_F(RealRuntime, ClientInTheLastJarStartsThroughTheManifestJar) {
    // 449 jars before the client's own: a class path that only fits through the manifest jar,
    // in folders whose names a URL must escape. The runtime finds a.a only by reading every
    // Class-Path entry up to the last.
    const Installation installation(L"Tavrel Bank Pr\u00FCfung Manifest");
    const std::wstring appDir = installation.folder() + L"\\Benutzer Daten \u00E9";
    const std::wstring libDir = appDir + L"\\lib";
    installation.addRuntime(L"jre\\bin", L"tools\\java-bridge.exe");
    // An empty archive: a valid jar without classes.
    const std::string emptyJar = std::string("PK\x05\x06", 4) + std::string(18, '\0');
    for (int i = 0; i < 449; ++i) {
        writeBytes(installation.libDir() + L"\\Module Pr\u00FCfung\\tavrel-client-library-module-with-a-long-name-" +
                       std::to_wstring(i) + L".jar",
                   emptyJar);
    }
    ASSERT_TRUE(::CopyFileW(testdriver::builtFile(L"tools\\democlient.jar").c_str(),
                            (installation.libDir() + L"\\client.jar").c_str(), FALSE));
    writeBytes(installation.libDir() + L"\\win.vmoptions", "-Xmx64m -Ddemoclient.report=" + utf8(kReportFile) + "\r\n");
    writeBytes(installation.folder() + L"\\launch.ini", "appDir=" + utf8(appDir) + "\r\n");
    testdriver::makeFolders(appDir);

    const Report report = launchClient(installation);

    const std::wstring manifestJar = appDir + L"\\classpath.jar";
    const std::vector<std::string> log = logMessages(onlyLogFile(appDir + L"\\logs"));
    EXPECT_NE(std::find(log.begin(), log.end(), utf8(L"Classpath handed over in manifest jar " + manifestJar)),
              log.end());
    EXPECT_EQ(windowsForms(valuesOf(report, L"class path")), std::vector<std::wstring>{manifestJar});
    EXPECT_EQ(windowsForms(valuesOf(report, L"loaded from")), std::vector<std::wstring>{libDir + L"\\client.jar"});
    EXPECT_EQ(valuesOf(report, L"arguments"), std::vector<std::wstring>{L"3"});
    EXPECT_EQ(windowsForms(valuesOf(report, L"argument 1")), std::vector<std::wstring>{appDir});
}

}  // namespace

namespace {

// One Linux runtime for the bridge, with the release file that tells the launcher its version.
struct LinuxRuntime {
    const char* home;
    const wchar_t* archiveOption;   // when an archive is handed over
    const wchar_t* archiveSuffix;
    const wchar_t* mappedSource;    // how the runtime's class log names the archive a class came from
    // OpenJDK 17 maps the archive of a class path with a blank but loads the client's own classes
    // from the jars again; Java 25 maps them either way.
    const wchar_t* installation;
};

const LinuxRuntime kOpenJdk17 = {"/usr/lib/jvm/java-17-openjdk-amd64", L"-XX:SharedArchiveFile=", L".jsa",
                                 L"a.a source: shared objects file", L"TavrelBankArchiv"};
const LinuxRuntime kTemurin25 = {"/usr/lib/jvm/temurin-25-jdk-amd64", L"-XX:AOTCache=", L".aot",
                                 L"a.a source: shared objects file", L"Tavrel Bank Archiv"};

std::wstring windowsPathOf(const char* linuxPath) {
    std::wstring path = L"Z:" + fromUtf8(linuxPath);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

// The line of text that holds part; empty when none does.
std::string lineWith(const std::string& text, const std::string& part) {
    const std::size_t at = text.find(part);
    if (at == std::string::npos) return std::string();
    const std::size_t start = text.rfind('\n', at);
    return text.substr(start == std::string::npos ? 0 : start + 1, text.find('\n', at) - (start == std::string::npos ? 0 : start + 1));
}

const wchar_t kClassLog[] = L"C:\\brivane-tests\\classes.log";

// The archive line of the launch log of appDir's one run, and the archive path it names.
std::string archiveLine(const std::wstring& appDir) {
    for (const std::string& line : logMessages(onlyLogFile(appDir + L"\\logs"))) {
        if (line.rfind("Class data archive: ", 0) == 0) return line;
    }
    return "(no archive line)";
}

// Starts the client and waits for its runtime to end (the bridge then copies what java said), and
// when expectAssembly says so for the run that assembles the archive beside it.
void launchAndAwaitExit(const Installation& installation, const std::wstring& appDir, bool expectAssembly) {
    removeTree(appDir + L"\\logs");
    const std::wstring output = installation.folder() + L"\\jre\\bin\\java-output.log";
    const std::wstring assemblyOutput = installation.folder() + L"\\jre\\bin\\java-dump-output.log";
    ::DeleteFileW(output.c_str());
    ::DeleteFileW(assemblyOutput.c_str());
    ::DeleteFileW(kClassLog);
    launchClient(installation);
    EXPECT_TRUE(waitFor([&] { return exists(output); }, 120000)) << "the runtime did not end";
    if (expectAssembly) {
        EXPECT_TRUE(waitFor([&] { return exists(assemblyOutput); }, 180000)) << "no assembly ended";
    }
}

void expectArchiveWrittenMappedAndRenewed(const LinuxRuntime& runtime) {
    const Installation installation(runtime.installation);
    const std::wstring appDir = installation.folder() + L"\\Benutzer";
    installation.addRuntime(L"jre\\bin", L"tools\\java-bridge.exe");
    writeBytes(installation.folder() + L"\\jre\\bin\\linux-java-home.txt", std::string(runtime.home) + "\n");
    writeBytes(installation.folder() + L"\\jre\\release", readBytes(windowsPathOf(runtime.home) + L"\\release"));
    testdriver::makeFolders(installation.libDir());
    ASSERT_TRUE(::CopyFileW(testdriver::builtFile(L"tools\\democlient.jar").c_str(),
                            (installation.libDir() + L"\\client.jar").c_str(), FALSE));
    const std::string classLog = " \"-Xlog:class+load=info:file=\\\"" + utf8(kClassLog) + "\\\"\"";
    writeBytes(installation.libDir() + L"\\win.vmoptions", "-Xmx64m -Ddemoclient.report=" + utf8(kReportFile) + classLog + "\r\n");
    writeBytes(installation.folder() + L"\\launch.ini", "appDir=" + utf8(appDir) + "\r\n");
    testdriver::makeFolders(appDir);
    const std::wstring cds = appDir + L"\\cds\\";
    const std::wstring writePrefix = L"Class data archive: -XX:DumpLoadedClassList=" + cds;

    // First start: nothing to hand over; the client lists its classes, and once it is ready a
    // second run of the runtime assembles the archive from them.
    launchAndAwaitExit(installation, appDir, true);
    const std::string first = archiveLine(appDir);
    ASSERT_EQ(first.rfind(utf8(writePrefix), 0), 0u) << first;
    EXPECT_NE(first.find("(to be written, none found)"), std::string::npos) << first;
    const std::wstring fingerprint = fromUtf8(first.substr(utf8(writePrefix).size(), 16));
    const std::wstring archive = cds + fingerprint + runtime.archiveSuffix;
    EXPECT_GT(testdriver::fileSize(archive), 1000000)
        << "java said:\n" << readBytes(installation.folder() + L"\\jre\\bin\\java-output.log")
        << "the assembly said:\n" << readBytes(installation.folder() + L"\\jre\\bin\\java-dump-output.log")
        << readBytes(cds + fingerprint + L".write.log");

    // Second start: the archive is handed over and the runtime maps the client's classes from it.
    // This client prepares lib_new for the third.
    writeBytes(appDir + L"\\lib\\win.vmoptions",
               "-Xmx64m -Ddemoclient.report=" + utf8(kReportFile) + " -Ddemoclient.update=client-2.jar" + classLog + "\r\n");
    launchAndAwaitExit(installation, appDir, false);
    EXPECT_EQ(archiveLine(appDir), utf8(L"Class data archive: " + std::wstring(runtime.archiveOption) + archive + L" (in use)"));
    EXPECT_NE(readBytes(kClassLog).find(utf8(runtime.mappedSource)), std::string::npos)
        << "the client's class did not come from the archive: " << lineWith(readBytes(kClassLog), "a.a source: ")
        << "\nthe runtime's warnings:\n"
        << readBytes(cds + fingerprint + L".use.log") << "java said:\n"
        << readBytes(installation.folder() + L"\\jre\\bin\\java-output.log");

    // Third start: the swapped-in library is another class path, so a new archive replaces the old.
    launchAndAwaitExit(installation, appDir, true);
    const std::string third = archiveLine(appDir);
    EXPECT_EQ(third.rfind(utf8(writePrefix), 0), 0u) << third;
    EXPECT_EQ(third.find(utf8(fingerprint)), std::string::npos) << third;
    EXPECT_FALSE(exists(archive)) << "the old archive is removed";
    const std::wstring renewed = cds + fromUtf8(third.substr(utf8(writePrefix).size(), 16)) + runtime.archiveSuffix;
    EXPECT_GT(testdriver::fileSize(renewed), 1000000);
}

TEST_F(RealRuntime, ArchiveOfOpenJdk17IsWrittenMappedAndRenewedAfterASwap) {
    if (!exists(windowsPathOf(kOpenJdk17.home) + L"\\release")) GTEST_SKIP() << "No OpenJDK 17 in " << kOpenJdk17.home;
    expectArchiveWrittenMappedAndRenewed(kOpenJdk17);
}

TEST_F(RealRuntime, AheadOfTimeCacheOfTemurin25IsWrittenMappedAndRenewedAfterASwap) {
    if (!exists(windowsPathOf(kTemurin25.home) + L"\\release")) {
        GTEST_SKIP() << "No Temurin 25 in " << kTemurin25.home << ": it is no Debian package, so only some machines "
                     << "have it";
    }
    expectArchiveWrittenMappedAndRenewed(kTemurin25);
}

}  // namespace
