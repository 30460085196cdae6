// The real faultpost.exe in the test prefix: logs laid out in the user's profile folders, the
// stand-in MAPI library in the system folder, dialogs answered through the test driver.
#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include "faultpost/ReportFormat.h"
#include "faultpost/ReportLimit.h"
#include "support/SupportMailbox.h"
#include "support/UniqueResource.h"
#include "tests/driver/CaseTable.h"
#include "tests/driver/Dialogs.h"
#include "tests/driver/MapiStandIn.h"
#include "tests/driver/Process.h"
#include "tests/driver/ScratchFolder.h"
#include "tests/driver/TestPaths.h"
#include "tests/driver/TextFiles.h"
#include "tests/driver/UserLanguage.h"

namespace {

using namespace testdriver;

constexpr DWORD kTimeoutMs = 30000;
const wchar_t* const kProfiles[] = {L"brivane", L"brivane_quorsel", L"brivane_stage", L"cm"};

// The first report line for the Windows that runs (the name table itself is covered by the unit
// tests).
std::wstring versionLine() {
    OSVERSIONINFOEXW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    const auto rtlGetVersion = reinterpret_cast<LONG(WINAPI*)(OSVERSIONINFOEXW*)>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
    if (rtlGetVersion == nullptr || rtlGetVersion(&info) != 0) return std::wstring();
    return systemDescription(info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber, info.dwPlatformId,
                             info.wProductType, info.szCSDVersion);
}

bool runsUnderWine() {
    return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// The Windows version that Wine reports to the programs of this prefix (HKCU\Software\Wine,
// value Version), set for one scope and put back as it was when the scope ends.
class WineVersionSetting {
public:
    explicit WineVersionSetting(const std::wstring& version) {
        wchar_t previous[64] = {};
        DWORD size = sizeof previous;
        had_ = ::RegGetValueW(HKEY_CURRENT_USER, kKey, L"Version", RRF_RT_REG_SZ, nullptr, previous, &size) ==
               ERROR_SUCCESS;
        previous_ = previous;
        set_ = set(version);
    }
    ~WineVersionSetting() {
        if (had_) {
            set(previous_);
        } else {
            ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, L"Version");
        }
    }
    bool isSet() const { return set_; }

private:
    static constexpr const wchar_t* kKey = L"Software\\Wine";
    static bool set(const std::wstring& version) {
        return ::RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"Version", REG_SZ, version.c_str(),
                                 static_cast<DWORD>((version.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    }

    bool had_ = false;
    bool set_ = false;
    std::wstring previous_;
};

std::wstring reportOf(const std::wstring& logSection) {
    return versionLine() + L"\r\n----------\r\n" + logSection;
}

class FaultpostEndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        installMapi(MapiVariant::StandIn);
        const std::wstring local = shellFolder(CSIDL_LOCAL_APPDATA);
        ASSERT_FALSE(local.empty());
        for (const wchar_t* profile : kProfiles) {
            logFolders_.push_back(local + L"\\TavrelBank\\" + profile + L"\\logs\\");
        }
        clearLogs();
        scratch_ = scratchFolder_.path() + L"\\";
        recordFile_ = scratch_ + L"mapi-record.txt";
        workFolder_ = scratch_ + L"work\\";
        makeFolders(workFolder_);
    }

    void TearDown() override {
        clearLogs();
    }

    // Removes the logs folders, and the profile folders too when nothing else is left in them.
    void clearLogs() {
        for (const std::wstring& folder : logFolders_) {
            removeTree(folder);
            const std::wstring profile = folder.substr(0, folder.size() - std::wstring(L"\\logs\\").size());
            ::RemoveDirectoryW(profile.c_str());
            ::RemoveDirectoryW(profile.substr(0, profile.find_last_of(L'\\')).c_str());
        }
    }

    // Writes a log into a profile's logs folder and returns its full path.
    std::wstring writeLog(int profile, const std::wstring& name, const std::string& bytes) {
        makeFolders(logFolders_[profile]);
        const std::wstring path = logFolders_[profile] + name;
        writeBytes(path, bytes);
        return path;
    }

    std::unique_ptr<Process> start(const std::wstring& arguments, unsigned long mapiResult = 0,
                                   const std::wstring& currentFolder = L"",
                                   const std::wstring& program = builtFile(L"faultpost.exe")) {
        return std::make_unique<Process>(L"\"" + program + L"\" " + arguments,
                                         currentFolder.empty() ? workFolder_ : currentFolder,
                                         standInMapiEnvironment(recordFile_, mapiResult));
    }

    void answer(const Process& process, const Dialog& dialog, int button) {
        ASSERT_TRUE(pressButton(dialog, button));
        waitUntilGone(dialog, process, kTimeoutMs);
    }

    // Lets the program run to its end; any dialog it shows on the way fails the test.
    void expectEndWithoutDialog(Process& process) {
        std::vector<std::wstring> seen;
        EXPECT_EQ(answerDialogsUntilExit(process, IDCANCEL, kTimeoutMs, &seen), 0)
            << (seen.empty() ? std::string("did not end") : utf8(seen.front()));
        EXPECT_EQ(process.exitCode(), 0u);
    }

    // A silent run that must mail without any dialog; returns the mailed body.
    std::string mailedBody(const std::wstring& currentFolder = L"") {
        const std::unique_ptr<Process> process = start(L"silent", 0, currentFolder);
        expectEndWithoutDialog(*process);
        const MapiRecord record = readMapiRecord(recordFile_);
        EXPECT_TRUE(record.present);
        EXPECT_EQ(record.calls, 1);
        return record.body;
    }

    std::vector<std::wstring> logFolders_;
    const ScratchFolder scratchFolder_{L"faultpost-e2e"};
    std::wstring scratch_;
    std::wstring recordFile_;
    std::wstring workFolder_;
};

TEST_F(FaultpostEndToEndTest, ReportOfTwoProfilesIsMailedByteExact) {
    const std::wstring upper = writeLog(0, L"Upper.log", "first\r\nzweite Zeile\r\n");
    const std::wstring launch = writeLog(0, L"kvl_2024_05_01_120000.launch.log",
                                         "2024.05.01 12:00:00 Launcher started\r\n");
    const std::wstring lower = writeLog(0, L"lower.log", "only line, no line end");
    const std::wstring cm = writeLog(3, L"client.log", "a\nb\n");
    const std::wstring empty = writeLog(3, L"Empty.log", "");
    // The profiles hold logs, so this relative fallback must not be read.
    makeFolders(workFolder_ + L"logs");
    writeBytes(workFolder_ + L"logs\\fallback.log", "must not appear\n");

    const std::string body = mailedBody();
    EXPECT_EQ(body, ansi(reportOf(upper + L"\r\nfirst\r\nzweite Zeile\r\n----------\r\n" +
                                  launch + L"\r\n2024.05.01 12:00:00 Launcher started\r\n----------\r\n" +
                                  lower + L"\r\nonly line, no line end\r\n----------\r\n" +
                                  empty + L"\r\n----------\r\n" +
                                  cm + L"\r\na\r\nb\r\n----------\r\n")));
    const MapiRecord record = readMapiRecord(recordFile_);
    EXPECT_EQ(record.subject, "Problem mit Tavrel Bank brivane");
    EXPECT_EQ(record.recipientName, "Tavrel Bank brivane");
    EXPECT_EQ(record.recipientAddress, "smtp:" + utf8(kSupportMailbox));
}

TEST_F(FaultpostEndToEndTest, NoLogsAtAll) {
    EXPECT_EQ(mailedBody(), ansi(reportOf(L"no logs found\r\n----------\r\n")));
}

TEST_F(FaultpostEndToEndTest, RelativeFallbacksOnlyWithoutProfileLogs) {
    // work\logs\ is "logs\" seen from work\ and "..\logs\" seen from work\inner\.
    makeFolders(workFolder_ + L"logs");
    makeFolders(workFolder_ + L"inner\\logs");
    writeBytes(workFolder_ + L"logs\\outer.log", "outer\n");
    writeBytes(workFolder_ + L"inner\\logs\\inner.log", "inner\n");
    makeFolders(workFolder_ + L"lonely");

    {
        SCOPED_TRACE("\"logs\\\" before \"..\\logs\\\"");
        EXPECT_EQ(mailedBody(workFolder_ + L"inner\\"),
                  ansi(reportOf(L"logs\\inner.log\r\ninner\r\n----------\r\n")));
    }
    {
        SCOPED_TRACE("\"..\\logs\\\" when \"logs\\\" has nothing");
        EXPECT_EQ(mailedBody(workFolder_ + L"lonely\\"),
                  ansi(reportOf(L"..\\logs\\outer.log\r\nouter\r\n----------\r\n")));
    }
    {
        SCOPED_TRACE("a profile log wins over both");
        const std::wstring stage = writeLog(2, L"stage.log", "stage\n");
        EXPECT_EQ(mailedBody(workFolder_ + L"inner\\"), ansi(reportOf(stage + L"\r\nstage\r\n----------\r\n")));
    }
}

TEST_F(FaultpostEndToEndTest, SilentAnywhereInTheCommandLineSkipsTheConfirmation) {
    // A copy of the program inside a folder whose name holds the word: the path alone suffices.
    const std::wstring copyFolder = scratch_ + L"nonsilent tools\\";
    makeFolders(copyFolder);
    ASSERT_TRUE(::CopyFileW(builtFile(L"faultpost.exe").c_str(), (copyFolder + L"faultpost.exe").c_str(), FALSE));

    testdriver::forEachCase<std::wstring, std::wstring>({
        {"argument", builtFile(L"faultpost.exe"), L"silent"},
        {"dash", builtFile(L"faultpost.exe"), L"-silent"},
        {"slash inside a word", builtFile(L"faultpost.exe"), L"/xsilentx"},
        {"folder name", copyFolder + L"faultpost.exe", L""},
    }, [&](const std::wstring& program, const std::wstring& arguments) {
        const std::unique_ptr<Process> process = start(arguments, 0, L"", program);
        expectEndWithoutDialog(*process);
        EXPECT_TRUE(readMapiRecord(recordFile_).present);
    });
}

TEST_F(FaultpostEndToEndTest, AnsweringNoReadsNothingAndSendsNothing) {
    // A log nobody may open: had the program read it, the error box would follow the question.
    const std::wstring path = writeLog(0, L"locked.log", "x\n");
    const UniqueFileHandle holder(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder);

    const std::unique_ptr<Process> process = start(L"Silent");  // other case: not the word
    const Dialog question = waitForDialog(*process, kTimeoutMs);
    ASSERT_TRUE(question);
    EXPECT_EQ(caption(question), L"Tavrel Bank brivane Faultpost");
    answer(*process, question, IDNO);
    expectEndWithoutDialog(*process);
    EXPECT_FALSE(readMapiRecord(recordFile_).present);
}

TEST_F(FaultpostEndToEndTest, ConfirmationInTheUsersLanguageSubjectAlwaysGerman) {
    ASSERT_TRUE(userLanguageOfThisRun());
    const std::wstring path = writeLog(1, L"quorsel.log", "q\n");
    const std::unique_ptr<Process> process = start(L"");
    const Dialog question = waitForDialog(*process, kTimeoutMs);
    ASSERT_TRUE(question);
    EXPECT_EQ(caption(question), L"Tavrel Bank brivane Faultpost");
    EXPECT_EQ(messageText(question),
              userIsGerman() ? L"Wollen Sie wirklich brivane Logdaten per e-Mail an die Tavrel Bank verschicken?"
                             : L"Do you really want to send the brivane log files to the Tavrel Bank?");
    answer(*process, question, IDYES);
    expectEndWithoutDialog(*process);
    const MapiRecord record = readMapiRecord(recordFile_);
    EXPECT_EQ(record.subject, "Problem mit Tavrel Bank brivane");
    EXPECT_EQ(record.body, ansi(reportOf(path + L"\r\nq\r\n----------\r\n")));
}

TEST_F(FaultpostEndToEndTest, LogHeldOpenByARunningWriterIsRead) {
    // A client writing its log lets others read but not write (FILE_SHARE_READ only). A reader
    // that asks to keep writers out (the C runtime's secure open does so for reading) collides
    // with the writer's open write access; the report's deny-none open must get in.
    const std::wstring path = writeLog(0, L"running.log", "");
    const UniqueFileHandle writer(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(writer);
    const std::string line = "2024.05.01 12:00:00 still running\r\n";
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(writer.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr));

    EXPECT_EQ(mailedBody(), ansi(reportOf(path + L"\r\n2024.05.01 12:00:00 still running\r\n----------\r\n")));
}

TEST_F(FaultpostEndToEndTest, LogHeldByAnotherProgramIsNamedAndTheReportStillGoesOut) {
    // A program that locks its log keeps every other opener out (share mode 0); Wine enforces
    // share modes between processes as Windows does. A missing file cannot serve here, since only
    // found files are opened.
    const std::wstring fine = writeLog(0, L"a-fine.log", "fine\n");
    const std::wstring path = writeLog(0, L"b-locked.log", "x\n");
    FileHolder holder(path, 60000, true);
    ASSERT_TRUE(holder.waitUntilHeld(kTimeoutMs)) << "holder did not lock the file";

    // The failure's text is the English one for every user.
    ASSERT_TRUE(userLanguageOfThisRun());
    EXPECT_EQ(mailedBody(), ansi(reportOf(fine + L"\r\nfine\r\n----------\r\n" + path +
                                          L"\r\nCould not be read: The file " + longForm(path) +
                                          L" is not open\r\n----------\r\n")));
    holder.release();
    EXPECT_TRUE(holder.process().waitForExit(kTimeoutMs));
    EXPECT_EQ(holder.process().exitCode(), 0u);
}

TEST_F(FaultpostEndToEndTest, RefusedMailIsSavedOnRequest) {
    const std::wstring path = writeLog(0, L"kvl_2024_05_01_120000.launch.log", "Stra\xC3\x9F" "e\r\n");
    const std::wstring saved = scratch_ + L"report.txt";

    const std::unique_ptr<Process> process = start(L"silent", 1 /* MAPI_USER_ABORT */);
    const Dialog question = waitForDialog(*process, kTimeoutMs);
    ASSERT_TRUE(question);
    EXPECT_EQ(caption(question), L"Fehler - Tavrel Bank brivane Faultpost");
    answer(*process, question, IDYES);
    const Dialog saveDialog = waitForDialog(*process, kTimeoutMs);
    ASSERT_TRUE(saveDialog && isSaveDialog(saveDialog));
    ASSERT_TRUE(enterFileNameAndSave(saveDialog, saved));
    ASSERT_TRUE(process->waitForExit(kTimeoutMs));
    EXPECT_EQ(process->exitCode(), 0u);

    EXPECT_TRUE(readMapiRecord(recordFile_).present);
    const std::wstring report = reportOf(path + L"\r\nStra\u00dfe\r\n----------\r\n");
    EXPECT_EQ(readBytes(saved), "An: " + utf8(kSupportMailbox) + "\r\nSubject: Problem mit Tavrel Bank brivane\r\n\r\n" +
                                             utf8(report));
}

// Seven years of two starts a day: the mail body stays under the limit, the newest logs whole,
// the oldest left out with one line in their place.
TEST_F(FaultpostEndToEndTest, FiveThousandLogsAreMailedWithinTheLimitNewestWhole) {
    makeFolders(logFolders_[0]);
    const std::string content = [] {
        std::string log;
        while (log.size() + 60 <= 3000) log += "2024.03.05 09:07:02 Launcher initialized, version 2 ......\r\n";
        return log;
    }();
    std::vector<std::wstring> names;
    for (int i = 0; i < 5000; ++i) {
        wchar_t name[64];
        // In name order oldest first, as the launcher's stamps are.
        std::swprintf(name, 64, L"kvl_2015_06_01_%06d.launch.log", i);
        names.push_back(name);
    }
    for (const std::wstring& name : names) writeBytes(logFolders_[0] + name, content);

    const std::string body = mailedBody();
    EXPECT_LE(body.size(), static_cast<std::size_t>(kReportLimitUnits));
    const std::string newest = ansi(logFolders_[0] + names.back()) + "\r\n" + content + "----------\r\n";
    ASSERT_GE(body.size(), newest.size());
    EXPECT_EQ(body.substr(body.size() - newest.size()), newest);
    // Everything after the left-out line is whole logs, the newest ones in name order.
    const std::string leftOut = "Older log files left out to keep the report mailable: ";
    const std::size_t at = body.find(leftOut);
    ASSERT_NE(at, std::string::npos);
    const std::size_t count = std::stoul(body.substr(at + leftOut.size(), 10));
    const std::string line = leftOut + std::to_string(count) + " in " +
                             ansi(logFolders_[0].substr(0, logFolders_[0].size() - 1)) + "\r\n----------\r\n";
    EXPECT_EQ(body.compare(at, line.size(), line), 0) << body.substr(at, 200);
    EXPECT_EQ(body.find(leftOut, at + 1), std::string::npos) << "one line for the one folder";
    ASSERT_LT(count, names.size());
    std::string kept;
    for (std::size_t i = count; i < names.size(); ++i) {
        kept += ansi(logFolders_[0] + names[i]) + "\r\n" + content + "----------\r\n";
    }
    EXPECT_EQ(at + line.size() + kept.size(), body.size()) << "the newest logs follow the line directly";
    EXPECT_EQ(body.substr(body.size() - std::min(kept.size(), body.size())), kept);
    // Short of the limit by less than one more log, the slack of the longest version line and the
    // line end counted for each log in case its last line has none.
    EXPECT_GT(body.size() + newest.size() + 400 + 2 * (names.size() - count), static_cast<std::size_t>(kReportLimitUnits))
        << "the room is used";
}

// By its plain path a log named like a device is the device: AUX is a serial port under Wine,
// whose read never returns, so the run would hang; COM1 is another port. Found logs are files.
TEST_F(FaultpostEndToEndTest, LogsNamedLikeDevicesAreReadAsFiles) {
    makeFolders(logFolders_[0]);
    const std::wstring aux = logFolders_[0] + L"aux.log";
    const std::wstring com1 = logFolders_[0] + L"com1.log";
    // Made through the long form: the plain path would name the device here too.
    writeBytes(longForm(aux), "aux line\n");
    writeBytes(longForm(com1), "com1 line\n");

    EXPECT_EQ(mailedBody(), ansi(reportOf(aux + L"\r\naux line\r\n----------\r\n" + com1 +
                                          L"\r\ncom1 line\r\n----------\r\n")));
}

// Windows 8.1 and 10 answer GetVersionExW of a program that declares no supported systems with
// 6.2.9200, "Windows 8"; Wine does the same for a prefix set to either. The line must name the
// Windows that runs. Wine 8 knows no Windows 11 and no servers: they are rows of the name table.
TEST_F(FaultpostEndToEndTest, VersionLineNamesTheWindowsThatRuns) {
    if (!runsUnderWine()) GTEST_SKIP() << "only Wine sets the reported Windows per prefix";
    testdriver::forEachCase<std::wstring, std::wstring>({
        {"Windows 10", L"win10", L"OS Version = 10.0.18362 Windows 10 "},
        {"Windows 8.1", L"win81", L"OS Version = 6.3.9600 Windows 8.1 "},
    }, [&](const std::wstring& version, const std::wstring& line) {
        const WineVersionSetting setting(version);
        ASSERT_TRUE(setting.isSet());
        const std::string body = mailedBody();
        EXPECT_EQ(body.substr(0, body.find("\r\n")), ansi(line));
    });
}

}  // namespace
