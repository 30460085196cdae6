#include "tests/launcher/LauncherScenario.h"

#include <algorithm>
#include <cwchar>
#include <filesystem>
#include <regex>

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "support/UniqueResource.h"
#include "tests/driver/Dialogs.h"
#include "tests/driver/Process.h"
#include "tests/driver/ScratchFolder.h"
#include "tests/driver/TestPaths.h"
#include "tests/driver/TextFiles.h"

namespace launchertest {

namespace fs = std::filesystem;

const wchar_t kInternetSettings[] = L"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

namespace {
const wchar_t kTestRoot[] = L"C:\\brivane-tests";

REGSAM viewFlag(const std::wstring& view) {
    return view == L"/reg:32" ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
}

// The runtime keys are removed and written in this process, not through reg.exe: the search
// tests clear some twenty keys in both views for every case, and each reg.exe run costs a Wine
// process start. The real HKLM, never an overridden root, so that the views apply.
void deleteSoftwareKey(HKEY root, const std::wstring& key, REGSAM view) {
    UniqueRegKey software;
    if (::RegOpenKeyExW(root, L"SOFTWARE", 0, KEY_ALL_ACCESS | view, software.put()) != ERROR_SUCCESS) {
        return;
    }
    ::RegDeleteTreeW(software.get(), key.c_str());
}
}  // namespace

unsigned long reg(const std::wstring& arguments) {
    return testdriver::runToExit(L"reg.exe " + arguments, 30000);
}

const std::vector<std::wstring>& registrationTitles() {
    static const std::vector<std::wstring> titles = {
        L"JavaSoft\\JRE without CurrentVersion", L"JavaSoft\\JDK without CurrentVersion",
        L"Eclipse Adoptium\\JRE", L"Eclipse Adoptium\\JDK", L"AdoptOpenJDK\\JRE", L"AdoptOpenJDK\\JDK",
        L"Eclipse Foundation\\JDK", L"Microsoft\\JDK", L"Azul Systems\\Zulu", L"Azul Systems\\Zulu 32-bit",
        L"BellSoft\\Liberica",
        L"Semeru\\JRE", L"Semeru\\JDK"};
    return titles;
}

std::vector<std::wstring> registrationDeadEnds(std::size_t first, std::size_t count) {
    std::vector<std::wstring> lines;
    const std::vector<std::wstring>& titles = registrationTitles();
    for (std::size_t i = first; i < titles.size() && i - first < count; ++i) {
        for (const wchar_t* bits : {L"64", L"32"}) {
            lines.push_back(L"Searching preinstalled " + std::wstring(bits) + L" bit Java VM (" + titles[i] + L")");
            lines.push_back(L"No registry entry found");
        }
    }
    return lines;
}

void clearJavaRegistry() {
    std::vector<std::wstring> keys = {L"JavaSoft\\Java Runtime Environment", L"JavaSoft\\JRE", L"JavaSoft\\JDK"};
    // The vendors' keys are the titles of the later registrations (the JavaSoft ones are above).
    for (const std::wstring& title : registrationTitles()) {
        if (title.rfind(L"JavaSoft\\", 0) != 0) keys.push_back(title);
    }
    for (const HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        for (const std::wstring& key : keys) {
            deleteSoftwareKey(root, key, KEY_WOW64_64KEY);
            deleteSoftwareKey(root, key, KEY_WOW64_32KEY);
        }
    }
}

void registerRuntime(const std::wstring& view, const std::wstring& key, const std::wstring& valueName,
                     const std::wstring& value) {
    registerRuntimeValue(L"HKLM", view, key, valueName, value);
}

void registerRuntimeValue(const std::wstring& root, const std::wstring& view, const std::wstring& key,
                          const std::wstring& valueName, const std::wstring& value, bool expandable) {
    UniqueRegKey created;
    ASSERT_EQ(::RegCreateKeyExW(root == L"HKCU" ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE,
                                (L"SOFTWARE\\" + key).c_str(), 0, nullptr, 0,
                                KEY_SET_VALUE | viewFlag(view), nullptr, created.put(), nullptr),
              ERROR_SUCCESS);
    const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    ASSERT_EQ(::RegSetValueExW(created.get(), valueName.c_str(), 0, expandable ? REG_EXPAND_SZ : REG_SZ,
                               reinterpret_cast<const BYTE*>(value.c_str()), bytes),
              ERROR_SUCCESS);
}

void registerJava(const std::wstring& view, const std::wstring& currentVersion, const std::wstring& javaHome,
                  const std::wstring& kind) {
    const std::wstring key = L"JavaSoft\\" + kind;
    registerRuntime(view, key, L"CurrentVersion", currentVersion);
    if (!javaHome.empty()) registerRuntime(view, key + L"\\" + currentVersion, L"JavaHome", javaHome);
}

void resetInternetSettings() {
    // In this process as well: every launcher test starts with it.
    const wchar_t* const belowRoot = std::wcschr(kInternetSettings, L'\\') + 1;  // without "HKCU\"
    UniqueRegKey settings;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, belowRoot, 0, nullptr, 0, KEY_SET_VALUE, nullptr, settings.put(),
                                nullptr),
              ERROR_SUCCESS);
    for (const wchar_t* value : {L"ProxyEnable", L"ProxyServer", L"ProxyOverride", L"AutoConfigURL"}) {
        ::RegDeleteValueW(settings.get(), value);
    }
}

std::wstring defaultAppDir() {
    return testdriver::shellFolder(CSIDL_LOCAL_APPDATA) + L"\\TavrelBank\\brivane";
}

std::wstring defaultDataDir() {
    return testdriver::shellFolder(CSIDL_PERSONAL) + L"\\TavrelBank";
}

std::vector<std::wstring> filesBelow(const std::wstring& folder) {
    std::vector<std::wstring> files;
    std::error_code error;
    for (fs::recursive_directory_iterator it(fs::path(folder), error), end; !error && it != end; it.increment(error)) {
        if (it->is_regular_file()) files.push_back(fs::relative(it->path(), fs::path(folder)).wstring());
    }
    std::sort(files.begin(), files.end());
    return files;
}

Installation::Installation(const std::wstring& caseName) : folder_(std::wstring(kTestRoot) + L"\\" + caseName) {
    removeTree(folder_);
    std::error_code error;
    fs::create_directories(fs::path(folder_), error);
    EXPECT_TRUE(::CopyFileW(testdriver::builtFile(L"tavrel-brivane.exe").c_str(), launcherPath().c_str(), FALSE));
}

void Installation::addJar(const std::wstring& relativePath) const {
    // The launcher never opens the jars; a few bytes that say what they are are enough.
    writeBytes(libDir() + L"\\" + relativePath, "PK stand-in jar " + utf8(relativePath));
}

void Installation::addRuntime(const std::wstring& relativeFolder, const std::wstring& program) const {
    std::error_code error;
    fs::create_directories(fs::path(folder_ + L"\\" + relativeFolder), error);
    EXPECT_TRUE(::CopyFileW(testdriver::builtFile(program).c_str(),
                            runtimePath(relativeFolder).c_str(), FALSE));
}

std::vector<std::string> logMessages(const std::wstring& logFile) {
    std::vector<std::string> messages;
    if (logFile.empty()) return messages;
    const std::string logBytes = readBytes(logFile);
    EXPECT_FALSE(logBytes.size() >= 3 && logBytes.compare(0, 3, "\xEF\xBB\xBF") == 0) << "byte-order mark";
    static const std::regex kStamp("^\\d{4}\\.\\d{2}\\.\\d{2} \\d{2}:\\d{2}:\\d{2} ");
    // A message may itself hold CR LF (the system's error texts do): a line ends only at a CR LF
    // that the next time stamp or the end of the file follows.
    const auto endsLine = [&](std::size_t crlf) {
        const std::size_t next = crlf + 2;
        return next == logBytes.size() || std::regex_search(logBytes.substr(next, 20), kStamp);
    };
    std::size_t start = 0;
    while (start < logBytes.size()) {
        std::size_t end = logBytes.find("\r\n", start);
        while (end != std::string::npos && !endsLine(end)) end = logBytes.find("\r\n", end + 2);
        if (end == std::string::npos) {
            ADD_FAILURE() << "last line without CR LF: " << logBytes.substr(start);
            break;
        }
        const std::string line = logBytes.substr(start, end - start);
        std::smatch stamp;
        if (std::regex_search(line, stamp, kStamp)) {
            messages.push_back(line.substr(stamp.length()));
        } else {
            ADD_FAILURE() << "line without time stamp: " << line;
            messages.push_back(line);
        }
        start = end + 2;
    }
    return messages;
}

std::wstring onlyLogFile(const std::wstring& logsFolder) {
    std::vector<std::wstring> logs;
    for (const std::wstring& file : filesBelow(logsFolder)) {
        static const std::wregex kName(L"^kvl_\\d{4}_\\d{2}_\\d{2}_\\d{6}\\.launch\\.log$");
        EXPECT_TRUE(std::regex_match(file, kName)) << utf8(file);
        logs.push_back(logsFolder + L"\\" + file);
    }
    EXPECT_EQ(logs.size(), 1u) << "log files in " << utf8(logsFolder);
    return logs.size() == 1 ? logs[0] : std::wstring();
}

std::wstring reportText(bool german, const std::wstring& germanMessage, const std::wstring& englishMessage,
                        const std::wstring& germanHint, const std::wstring& englishHint) {
    if (german) {
        return L"Beim Starten von Tavrel Bank brivane ist folgender Fehler aufgetreten: \n\n" + germanMessage +
               L" (Launcher Version 2)\n\n" + germanHint +
               L"\n\nSoll diese Fehlermeldung per e-Mail an die Tavrel Bank geschickt werden?";
    }
    return L"The following error occured during the startup of Tavrel Bank brivane: \n\n" + englishMessage +
           L" (Launcher version 2)\n\n" + englishHint +
           L"\n\nDo you want do send the error message to the Tavrel Bank by e-mail?";
}

std::wstring noJavaReport(bool german) {
    return reportText(german, L"Die Java-Laufzeitumgebung mit der Mindestversion 1.8 konnte nicht gefunden werden.",
                      L"The Java Runtime Environment version 1.8 or higher could not be found.",
                      L"Bitte prüfen Sie die Installation.", L"Please verify the Installation.");
}

std::wstring recordFile() {
    return std::wstring(kTestRoot) + L"\\javaw-record.txt";
}

bool waitFor(const std::function<bool()>& condition, unsigned long timeoutMs) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    while (!condition()) {
        if (::GetTickCount64() >= deadline) return false;
        ::Sleep(5);
    }
    return true;
}

LaunchResult launch(const Installation& installation, const std::map<std::wstring, std::wstring>& environment,
                    const std::wstring& currentFolder, const std::function<void(unsigned long)>& duringRun) {
    ::DeleteFileW(recordFile().c_str());
    std::map<std::wstring, std::wstring> variables = environment;
    variables[L"STANDIN_JAVAW_RECORD"] = recordFile();
    variables.emplace(L"STANDIN_JAVAW_LIFETIME_MS", L"1500");
    // The launcher looks at JAVA_HOME last; a value from the machine running the tests must not
    // reach it unless a test gives one.
    variables.emplace(L"JAVA_HOME", L"");
    LaunchResult result;
    testdriver::Process process(L"\"" + installation.launcherPath() + L"\"", currentFolder, variables);
    if (duringRun) duringRun(process.id());
    // A failure shows one report box; the runs here never ask for more than one.
    const testdriver::Dialog dialog = testdriver::waitForDialog(process, 60000);
    if (dialog) {
        result.dialogShown = true;
        result.dialogCaption = testdriver::caption(dialog);
        result.dialogText = testdriver::messageText(dialog);
        EXPECT_TRUE(testdriver::pressButton(dialog, IDNO));
    }
    EXPECT_TRUE(process.waitForExit(60000)) << "launcher did not end";
    result.exitCode = process.exitCode();
    result.runtimeStarted = exists(recordFile());
    result.recordedCommandLine = fromUtf8(readBytes(recordFile()));
    return result;
}

}  // namespace launchertest
