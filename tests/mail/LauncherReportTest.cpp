// The launcher's start-up error report end to end: the launcher runs from a scratch installation
// without any Java runtime (or with a broken splash, or with an application folder whose logs
// folder cannot be created); the tests read the report box, answer it, and check the log, what
// the stand-in MAPI library received and what was saved.
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <windows.h>

#include "support/SupportMailbox.h"
#include "support/UniqueResource.h"
#include "tests/driver/CaseTable.h"
#include "tests/driver/MapiStandIn.h"
#include "tests/driver/TestPaths.h"
#include "tests/driver/TextFiles.h"
#include "tests/mail/MailTestSupport.h"

namespace {

using mailtest::Answer;
using testdriver::MapiVariant;

constexpr unsigned long kUserAbort = 1;  // MAPI_E_USER_ABORT
constexpr int kSplashBitmapId = 102;

const std::wstring kCaption = L"Tavrel Bank brivane - Error";

// Under Wine 8 a child takes its user locale from the Unix environment it inherits, not from
// LANG or LC_ALL in the environment block of CreateProcessW; so the language is chosen for the
// whole test program (CTest runs the language-dependent tests once more with LC_ALL=de_DE.UTF-8),
// and the launcher started from here has the same user locale as this process.
struct Language {
    const char* name;
    bool german;
};

Language userLanguage() {
    const LCID user = ::GetUserDefaultLCID();
    EXPECT_TRUE(user == 0x0407 || user == 0x0409) << "unexpected user locale " << user;
    return user == 0x0407 ? Language{"German", true} : Language{"English", false};
}

bool isGerman(const Language& language) { return language.german; }

// The report text as the user must see it, for a failure with the given texts and hints.
std::wstring reportText(const Language& language, const std::wstring& germanMessage, const std::wstring& englishMessage,
                        const std::wstring& germanHint, const std::wstring& englishHint) {
    if (isGerman(language)) {
        return L"Beim Starten von Tavrel Bank brivane ist folgender Fehler aufgetreten: \n\n" + germanMessage +
               L" (Launcher Version 2)\n\n" + germanHint +
               L"\n\nSoll diese Fehlermeldung per e-Mail an die Tavrel Bank geschickt werden?";
    }
    return L"The following error occured during the startup of Tavrel Bank brivane: \n\n" + englishMessage +
           L" (Launcher version 2)\n\n" + englishHint +
           L"\n\nDo you want do send the error message to the Tavrel Bank by e-mail?";
}

std::wstring noJavaText(const Language& language) {
    return reportText(language,
                      L"Die Java-Laufzeitumgebung mit der Mindestversion 1.8 konnte nicht gefunden werden.",
                      L"The Java Runtime Environment version 1.8 or higher could not be found.",
                      L"Bitte prüfen Sie die Installation.", L"Please verify the Installation.");
}

std::wstring resourceText(const Language& language, const std::wstring& germanMessage,
                          const std::wstring& englishMessage) {
    return reportText(language, germanMessage, englishMessage,
                      L"Bitte stellen Sie sicher, dass der entsprechende Datenträger nicht voll ist und dass keine "
                      L"Anwendung die Ressource verwendet.",
                      L"Please make sure that the volume is not full and that no application locks the resource.");
}

std::wstring libraryFailureText(const Language& language) {
    return resourceText(language, L"Die Bibliothek mapi32.dll kann nicht geladen werden",
                        L"The library mapi32.dll can not be loaded");
}

std::wstring functionFailureText(const Language& language) {
    return resourceText(language, L"Die Funktion MAPISendMail kann kann nicht geladen werden",
                        L"The function MAPISendMail can not be loaded");
}

std::string subject(const Language& language) {
    return isGerman(language) ? "Problem mit Tavrel Bank brivane Launcher" : "Problem with Tavrel Bank brivane Launcher";
}

// The narrow text that reaches the mail, for texts whose characters all lie in code page 1252's
// Latin-1 range (umlauts, no euro sign).
std::string latin1(const std::wstring& text) {
    std::string bytes;
    for (const wchar_t c : text) bytes += static_cast<char>(c <= 0xFF ? c : L'?');
    return bytes;
}

// The log's entries without their "yyyy.MM.dd HH:mm:ss " stamps; an entry ends with CR LF and may
// hold line feeds of its own (the logged report text).
std::vector<std::wstring> logEntries(const std::wstring& logFile) {
    const std::wstring text = testdriver::fromUtf8(testdriver::readBytes(logFile));
    std::vector<std::wstring> entries;
    size_t start = 0;
    for (size_t end = text.find(L"\r\n"); end != std::wstring::npos; end = text.find(L"\r\n", start)) {
        const std::wstring line = text.substr(start, end - start);
        entries.push_back(line.size() >= 20 ? line.substr(20) : line);
        start = end + 2;
    }
    if (start < text.size()) entries.push_back(L"(no line end) " + text.substr(start));
    return entries;
}

std::vector<std::wstring> lastEntries(const std::vector<std::wstring>& entries, size_t count) {
    return std::vector<std::wstring>(entries.end() - static_cast<std::ptrdiff_t>(std::min(count, entries.size())),
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
        const mailtest::RunResult run = mailtest::runAnswering(
            mailtest::quoted(program_), answers, testdriver::standInMapiEnvironment(recordFile_, mapiResult), work_);
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

    void expectMailed(const Language& language, const std::wstring& text) const {
        const testdriver::MapiRecord mail = record();
        ASSERT_TRUE(mail.present);
        EXPECT_EQ(mail.calls, 1);
        EXPECT_EQ(mail.body, latin1(text));
        EXPECT_EQ(mail.subject, subject(language));
        EXPECT_EQ(mail.recipientName, "Tavrel Bank brivane");
        EXPECT_EQ(mail.recipientAddress, "smtp:" + testdriver::utf8(kSupportMailbox));
        EXPECT_EQ(mail.recipientClass, 1u);
        EXPECT_EQ(mail.recipientCount, 1u);
        EXPECT_EQ(mail.conversationId, "SMTP");
        EXPECT_TRUE(mail.messageTypeNull);
        EXPECT_EQ(mail.fileCount, 0u);
        EXPECT_EQ(mail.flags, 9u);
    }

    std::wstring root_;
    std::wstring work_;
    std::wstring install_;
    std::wstring appDir_;
    std::wstring program_;
    std::wstring recordFile_;
};

TEST_F(LauncherReportTest, MissingJavaIsReportedLoggedAndMailedOnYes) {
    if (::GetACP() != 1252) GTEST_SKIP() << "mail expectations are written for code page 1252";
    const Language language = userLanguage();
    SCOPED_TRACE(language.name);
    const std::wstring text = noJavaText(language);
    for (const int answer : {IDYES, IDNO}) {
        SCOPED_TRACE(answer == IDYES ? "Yes" : "No");
        mailtest::freshFolder(L"brivane-report-test\\app");
        const mailtest::RunResult run = runLauncher(0, {Answer::press(answer)});
        mailtest::expectDialogs(run, {{kCaption, text}});

        const std::vector<std::wstring> entries = logEntries(logFile());
        ASSERT_GE(entries.size(), 4u);
        EXPECT_EQ(entries[entries.size() - 4], L"No VM found");
        EXPECT_EQ(lastEntries(entries, 3),
                  (std::vector<std::wstring>{L"Exception occured:", text, L"Launcher terminates with exception"}));

        if (answer == IDYES) {
            expectMailed(language, text);
        } else {
            EXPECT_FALSE(record().present);
        }
    }
}

TEST_F(LauncherReportTest, FailureBeforeTheLogIsReportedWithoutLog) {
    const Language language = userLanguage();
    const std::wstring unreachable = root_ + L"missing\\app";
    testdriver::forEachCase<bool, std::wstring, std::wstring>({
        {"splash bitmap missing", true, appDir_,
         reportText(language, L"Der Splash-Screen konnte nicht gefunden werden.", L"The splash-screen could not be found",
                    L"Bitte prüfen Sie die Installation.", L"Please verify the Installation.")},
        {"logs folder cannot be created", false, unreachable,
         resourceText(language, L"Der Ordner " + unreachable + L"\\logs kann nicht erstellt werden.",
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
        expectMailed(language, text);
        EXPECT_EQ(logFile(), L"");
        EXPECT_EQ(::GetFileAttributesW((root_ + L"missing").c_str()), INVALID_FILE_ATTRIBUTES);
    });
}

TEST_F(LauncherReportTest, RefusedMailOffersTheSaveAndWritesTheReport) {
    const Language language = userLanguage();
    const std::wstring target = work_ + L"Fehlerbericht.txt";
    testdriver::writeBytes(target, std::string(3000, 'x'));
    const mailtest::RunResult run = runLauncher(
        kUserAbort, {Answer::press(IDYES), Answer::press(IDYES), Answer::saveAs(target)});
    const std::wstring text = noJavaText(language);
    ASSERT_EQ(run.dialogs.size(), 3u);
    EXPECT_EQ(run.dialogs[0].caption, kCaption);
    EXPECT_EQ(run.dialogs[0].text, text);
    EXPECT_EQ(run.dialogs[1].caption, L"Fehler - Tavrel Bank brivane Faultpost");
    EXPECT_EQ(run.dialogs[1].text,
              std::wstring(L"Die Daten wurden nicht an die Tavrel Bank geschickt.\n"
                           L"Bitte stellen Sie sicher, dass ihr e-Mail-Programm richtig installiert und konfiguriert "
                           L"ist.\n\nWollen Sie die Daten speichern und per e-Mail an ") +
                  kSupportMailbox + L" verschicken?");
    EXPECT_TRUE(run.dialogs[2].saveDialog);
    EXPECT_EQ(record().calls, 1);
    EXPECT_EQ(testdriver::readBytes(target), "An: " + testdriver::utf8(kSupportMailbox) + "\r\n" + "Subject: " +
                                               subject(language) + "\r\n\r\n" + testdriver::utf8(text));
    EXPECT_EQ(lastEntries(logEntries(logFile()), 1), std::vector<std::wstring>{L"Launcher terminates with exception"});
}

TEST_F(LauncherReportTest, BrokenMailLibraryInTheInnerHandlerGivesASecondReportWithoutLog) {
    const Language language = userLanguage();
    testdriver::forEachCase<MapiVariant, std::wstring>({
        {"no library", MapiVariant::None, libraryFailureText(language)},
        {"no export", MapiVariant::WithoutExport, functionFailureText(language)},
    }, [&](MapiVariant variant, const std::wstring& secondText) {
        testdriver::installMapi(variant);
        mailtest::freshFolder(L"brivane-report-test\\app");
        // Yes to both: the second report's own mail fails as well and must end the run quietly.
        const mailtest::RunResult run =
            runLauncher(0, {Answer::press(IDYES), Answer::press(IDYES)});
        mailtest::expectDialogs(run, {{kCaption, noJavaText(language)}, {kCaption, secondText}});
        EXPECT_FALSE(record().present);
        // The second report is not logged, and the inner handler never got to its last line.
        EXPECT_EQ(lastEntries(logEntries(logFile()), 2),
                  (std::vector<std::wstring>{L"Exception occured:", noJavaText(language)}));
    });
}

TEST_F(LauncherReportTest, BrokenMailLibraryInTheOuterHandlerEndsWithoutCrash) {
    const Language language = userLanguage();
    const std::wstring unreachable = root_ + L"missing\\app";
    useAppDir(unreachable);
    const std::wstring text =
        resourceText(language, L"Der Ordner " + unreachable + L"\\logs kann nicht erstellt werden.",
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
