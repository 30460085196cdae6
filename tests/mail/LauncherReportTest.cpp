// The launcher's start-up error report end to end: the launcher runs from a scratch installation
// without any Java runtime (or with a broken splash, or with an application folder whose logs
// folder cannot be created); the tests read the report box, answer it, and check the log, what
// the stand-in MAPI library received and what was saved.
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <windows.h>

#include "support/UniqueResource.h"
#include "tests/driver/CaseTable.h"
#include "tests/driver/MapiStandIn.h"
#include "tests/driver/Process.h"
#include "tests/driver/TestPaths.h"
#include "tests/driver/TextFiles.h"
#include "tests/driver/UserLanguage.h"
#include "tests/launcher/LauncherScenario.h"
#include "tests/mail/MailTestSupport.h"

namespace {

using mailtest::Answer;
using launchertest::noJavaReport;
using launchertest::reportText;
using testdriver::MapiVariant;

constexpr unsigned long kUserAbort = 1;  // MAPI_E_USER_ABORT
constexpr int kSplashBitmapId = 102;

const std::wstring kCaption = L"Tavrel Bank brivane - Error";

std::wstring resourceText(bool german, const std::wstring& germanMessage,
                          const std::wstring& englishMessage) {
    return reportText(german, germanMessage, englishMessage,
                      L"Bitte stellen Sie sicher, dass der entsprechende Datenträger nicht voll ist und dass keine "
                      L"Anwendung die Ressource verwendet.",
                      L"Please make sure that the volume is not full and that no application locks the resource.");
}

std::wstring libraryFailureText(bool german) {
    return resourceText(german, L"Die Bibliothek mapi32.dll kann nicht geladen werden",
                        L"The library mapi32.dll can not be loaded");
}

std::wstring functionFailureText(bool german) {
    return resourceText(german, L"Die Funktion MAPISendMail kann kann nicht geladen werden",
                        L"The function MAPISendMail can not be loaded");
}

std::string subject(bool german) {
    return german ? "Problem mit Tavrel Bank brivane Launcher" : "Problem with Tavrel Bank brivane Launcher";
}

// The narrow text that reaches the mail, for texts whose characters all lie in code page 1252's
// Latin-1 range (umlauts, no euro sign).
std::string latin1(const std::wstring& text) {
    std::string bytes;
    for (const wchar_t c : text) bytes += static_cast<char>(c <= 0xFF ? c : L'?');
    return bytes;
}

// The last count messages of the run's log (all of them when there are fewer).
std::vector<std::string> lastEntries(const std::vector<std::string>& entries, size_t count) {
    return std::vector<std::string>(entries.end() - static_cast<std::ptrdiff_t>(std::min(count, entries.size())),
                                    entries.end());
}

// A resource type or name: a number or a string.
struct ResourceId {
    ULONG_PTR number = 0;
    std::wstring text;
    explicit ResourceId(LPCWSTR id) {
        if (IS_INTRESOURCE(id)) {
            number = reinterpret_cast<ULONG_PTR>(id);
        } else {
            text = id;
        }
    }
    LPCWSTR get() const { return text.empty() ? MAKEINTRESOURCEW(number) : text.c_str(); }
    bool is(LPCWSTR id) const { return IS_INTRESOURCE(id) && text.empty() && number == reinterpret_cast<ULONG_PTR>(id); }
};

// One resource of a program file, copied out of it.
struct Resource {
    ResourceId type;
    ResourceId name;
    WORD language;
    std::string data;
};

BOOL CALLBACK collectLanguage(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language, LONG_PTR resources) {
    const HRSRC found = ::FindResourceExW(module, type, name, language);
    const HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
    if (!loaded) return TRUE;
    const char* bytes = static_cast<const char*>(::LockResource(loaded));
    reinterpret_cast<std::vector<Resource>*>(resources)->push_back(
        {ResourceId(type), ResourceId(name), language, std::string(bytes, ::SizeofResource(module, found))});
    return TRUE;
}

BOOL CALLBACK collectName(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR resources) {
    ::EnumResourceLanguagesW(module, type, name, collectLanguage, resources);
    return TRUE;
}

BOOL CALLBACK collectType(HMODULE module, LPWSTR type, LONG_PTR resources) {
    ::EnumResourceNamesW(module, type, collectName, resources);
    return TRUE;
}

// Rewrites a program file without one of its bitmaps, as a damaged installation would have it.
// Wine's UpdateResourceW does not delete a single resource, so every other one is written anew.
bool removeBitmap(const std::wstring& program, int id) {
    std::vector<Resource> resources;
    {
        // Unloaded before the update below: the program file must not stay mapped while it is rewritten.
        const UniqueModule module(::LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
        if (!module) return false;
        ::EnumResourceTypesW(module.get(), collectType, reinterpret_cast<LONG_PTR>(&resources));
    }
    const HANDLE update = ::BeginUpdateResourceW(program.c_str(), TRUE);
    if (!update) return false;
    bool removed = false;
    for (Resource& resource : resources) {
        if (resource.type.is(RT_BITMAP) && resource.name.is(MAKEINTRESOURCEW(id))) {
            removed = true;
            continue;
        }
        ::UpdateResourceW(update, resource.type.get(), resource.name.get(), resource.language, &resource.data[0],
                          static_cast<DWORD>(resource.data.size()));
    }
    return ::EndUpdateResourceW(update, FALSE) != FALSE && removed;
}

class LauncherReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(testdriver::userLanguageOfThisRun());
        testdriver::installMapi(MapiVariant::StandIn);
        root_ = mailtest::freshFolder(L"brivane-report-test");
        work_ = mailtest::freshFolder(L"brivane-report-work");
        install_ = root_ + L"install\\";
        appDir_ = root_ + L"app";
        ::CreateDirectoryW(install_.c_str(), nullptr);
        ::CreateDirectoryW((install_ + L"lib").c_str(), nullptr);
        ::CreateDirectoryW(appDir_.c_str(), nullptr);
        testdriver::writeBytes(install_ + L"lib\\client.jar", "jar");
        program_ = install_ + L"tavrel-brivane.exe";
        ASSERT_TRUE(::CopyFileW(testdriver::builtFile(L"tavrel-brivane.exe").c_str(), program_.c_str(), FALSE));
        useAppDir(appDir_);
        recordFile_ = work_ + L"mapi.rec";
    }
    void TearDown() override { testdriver::installMapi(MapiVariant::StandIn); }

    void useAppDir(const std::wstring& appDir) {
        testdriver::writeBytes(install_ + L"launch.ini", testdriver::utf8(L"appDir=" + appDir) + "\r\n");
    }

    mailtest::RunResult runLauncher(unsigned long mapiResult, const std::vector<Answer>& answers) {
        const mailtest::RunResult run =
            mailtest::runAnswering(testdriver::quoted(program_), answers,
                                   testdriver::standInMapiEnvironment(recordFile_, mapiResult), work_);
        EXPECT_TRUE(run.ended);
        EXPECT_EQ(run.exitCode, 0u);
        return run;
    }

    // The one log file of the run; empty when there is none.
    std::wstring logFile() const {
        const std::wstring logs = appDir_ + L"\\logs\\";
        const std::vector<std::wstring> names = mailtest::folderEntries(logs);
        EXPECT_LE(names.size(), 1u);
        return names.empty() ? std::wstring() : logs + names.front();
    }

    testdriver::MapiRecord record() const { return testdriver::readMapiRecord(recordFile_); }

    void expectMailed(const std::wstring& text) const {
        mailtest::expectSupportMail(record(), subject(german_), latin1(text));
    }

    const bool german_ = testdriver::userIsGerman();
    std::wstring root_;
    std::wstring work_;
    std::wstring install_;
    std::wstring appDir_;
    std::wstring program_;
    std::wstring recordFile_;
};

TEST_F(LauncherReportTest, MissingJavaIsReportedLoggedAndMailedOnYes) {
    if (::GetACP() != 1252) GTEST_SKIP() << "mail expectations are written for code page 1252";
    SCOPED_TRACE(german_ ? "German" : "English");
    const std::wstring text = noJavaReport(german_);
    for (const int answer : {IDYES, IDNO}) {
        SCOPED_TRACE(answer == IDYES ? "Yes" : "No");
        mailtest::freshFolder(L"brivane-report-test\\app");
        const mailtest::RunResult run = runLauncher(0, {Answer::press(answer)});
        mailtest::expectDialogs(run, {{kCaption, text}});

        const std::vector<std::string> entries = launchertest::logMessages(logFile());
        ASSERT_GE(entries.size(), 4u);
        EXPECT_EQ(entries[entries.size() - 4], "No VM found");
        EXPECT_EQ(lastEntries(entries, 3), (std::vector<std::string>{"Exception occured:", testdriver::utf8(text),
                                                                    "Launcher terminates with exception"}));

        if (answer == IDYES) {
            expectMailed(text);
        } else {
            EXPECT_FALSE(record().present);
        }
    }
}

TEST_F(LauncherReportTest, FailureBeforeTheLogIsReportedWithoutLog) {
    const std::wstring unreachable = root_ + L"missing\\app";
    testdriver::forEachCase<bool, std::wstring, std::wstring>({
        {"splash bitmap missing", true, appDir_,
         reportText(german_, L"Der Splash-Screen konnte nicht gefunden werden.",
                    L"The splash-screen could not be found",
                    L"Bitte prüfen Sie die Installation.", L"Please verify the Installation.")},
        {"logs folder cannot be created", false, unreachable,
         resourceText(german_, L"Der Ordner " + unreachable + L"\\logs kann nicht erstellt werden.",
                      L"The folder " + unreachable + L"\\logs can not be created.")},
    }, [&](bool brokenSplash, const std::wstring& appDir, const std::wstring& text) {
        ASSERT_TRUE(::CopyFileW(testdriver::builtFile(L"tavrel-brivane.exe").c_str(), program_.c_str(), FALSE));
        if (brokenSplash) {
            ASSERT_TRUE(removeBitmap(program_, kSplashBitmapId));
        }
        useAppDir(appDir);
        mailtest::freshFolder(L"brivane-report-test\\app");

        const mailtest::RunResult run = runLauncher(0, {Answer::press(IDYES)});
        mailtest::expectDialogs(run, {{kCaption, text}});
        expectMailed(text);
        EXPECT_EQ(logFile(), L"");
        EXPECT_EQ(::GetFileAttributesW((root_ + L"missing").c_str()), INVALID_FILE_ATTRIBUTES);
    });
}

TEST_F(LauncherReportTest, RefusedMailOffersTheSaveAndWritesTheReport) {
    const std::wstring target = work_ + L"Fehlerbericht.txt";
    testdriver::writeBytes(target, std::string(3000, 'x'));
    const mailtest::RunResult run = runLauncher(
        kUserAbort, {Answer::press(IDYES), Answer::press(IDYES), Answer::saveAs(target)});
    const std::wstring text = noJavaReport(german_);
    ASSERT_EQ(run.dialogs.size(), 3u);
    EXPECT_EQ(run.dialogs[0].caption, kCaption);
    EXPECT_EQ(run.dialogs[0].text, text);
    EXPECT_EQ(run.dialogs[1].caption, mailtest::kSaveCaption);
    EXPECT_EQ(run.dialogs[1].text, mailtest::kSaveQuestion);
    EXPECT_TRUE(run.dialogs[2].saveDialog);
    EXPECT_EQ(record().calls, 1);
    EXPECT_EQ(testdriver::readBytes(target), mailtest::savedReport(subject(german_), testdriver::utf8(text)));
    EXPECT_EQ(lastEntries(launchertest::logMessages(logFile()), 1),
              std::vector<std::string>{"Launcher terminates with exception"});
}

TEST_F(LauncherReportTest, BrokenMailLibraryInTheInnerHandlerGivesASecondReportWithoutLog) {
    testdriver::forEachCase<MapiVariant, std::wstring>({
        {"no library", MapiVariant::None, libraryFailureText(german_)},
        {"no export", MapiVariant::WithoutExport, functionFailureText(german_)},
    }, [&](MapiVariant variant, const std::wstring& secondText) {
        testdriver::installMapi(variant);
        mailtest::freshFolder(L"brivane-report-test\\app");
        // Yes to both: the second report's own mail fails as well and must end the run quietly.
        const mailtest::RunResult run =
            runLauncher(0, {Answer::press(IDYES), Answer::press(IDYES)});
        mailtest::expectDialogs(run, {{kCaption, noJavaReport(german_)}, {kCaption, secondText}});
        EXPECT_FALSE(record().present);
        // The second report is not logged, and the inner handler never got to its last line.
        EXPECT_EQ(lastEntries(launchertest::logMessages(logFile()), 2),
                  (std::vector<std::string>{"Exception occured:", testdriver::utf8(noJavaReport(german_))}));
    });
}

TEST_F(LauncherReportTest, BrokenMailLibraryInTheOuterHandlerEndsWithoutCrash) {
    const std::wstring unreachable = root_ + L"missing\\app";
    useAppDir(unreachable);
    const std::wstring text =
        resourceText(german_, L"Der Ordner " + unreachable + L"\\logs kann nicht erstellt werden.",
                     L"The folder " + unreachable + L"\\logs can not be created.");
    for (const MapiVariant variant : {MapiVariant::None, MapiVariant::WithoutExport}) {
        SCOPED_TRACE(variant == MapiVariant::None ? "no library" : "no export");
        testdriver::installMapi(variant);
        // Exit code 0 and no second box: the failure of the outer report's mail ends the run quietly.
        const mailtest::RunResult run = runLauncher(0, {Answer::press(IDYES)});
        mailtest::expectDialogs(run, {{kCaption, text}});
        EXPECT_FALSE(record().present);
    }
}

}  // namespace
