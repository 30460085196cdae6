#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <windows.h>

#include "tests/driver/CaseTable.h"
#include "tests/driver/Dialogs.h"
#include "tests/driver/MapiStandIn.h"
#include "tests/driver/Process.h"
#include "tests/driver/TestPaths.h"
#include "tests/driver/TextFiles.h"
#include "tests/driver/UserLanguage.h"

using namespace testdriver;

namespace {

constexpr DWORD kTimeoutMs = 30000;
constexpr unsigned long kMapiUserAbort = 1;

const std::wstring kCaptionGerman = L"Fehler - Tavrel Bank brivane Mapirelay";
const std::wstring kCaptionEnglish = L"Error - Tavrel Bank brivane Mapirelay";

std::wstring relayCommand(const std::wstring& argument) {
    return L"\"" + builtFile(L"mapirelay.exe") + L"\" " + argument;
}

class RelayEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(userLanguageOfThisRun());
        installMapi(MapiVariant::StandIn);
        recordFile_ = tempPath(L"mapirelay_record.txt");
    }
    void TearDown() override {
        installMapi(MapiVariant::StandIn);
        ::DeleteFileW(recordFile_.c_str());
    }

    // Runs the relay, expects exactly one message box, answers it with OK and returns it as
    // caption and text; the relay must then end with exit code 0.
    std::pair<std::wstring, std::wstring> runExpectingOneBox(const std::wstring& argument, unsigned long mapiResult) {
        Process relay(relayCommand(argument), L"", standInMapiEnvironment(recordFile_, mapiResult));
        const Dialog box = waitForDialog(relay, kTimeoutMs);
        if (!box) {
            ADD_FAILURE() << "no message box appeared";
            return {};
        }
        const std::pair<std::wstring, std::wstring> shown{caption(box), messageText(box)};
        EXPECT_TRUE(pressButton(box, IDOK));
        EXPECT_TRUE(relay.waitForExit(kTimeoutMs));
        EXPECT_EQ(relay.exitCode(), 0u);
        return shown;
    }

    MapiRecord runExpectingNoBox(const std::wstring& argument) {
        Process relay(relayCommand(argument), L"", standInMapiEnvironment(recordFile_, 0));
        EXPECT_TRUE(relay.waitForExit(kTimeoutMs));
        EXPECT_EQ(relay.exitCode(), 0u);
        return readMapiRecord(recordFile_);
    }

    std::wstring recordFile_;
};

TEST_F(RelayEndToEnd, HandsTheFourFieldsToTheMailProgramExactly) {
    const MapiRecord record = runExpectingNoBox(
        L"\"Anna M\u00FCller;smtp:anna@example.com;Gr\u00FC\u00DFe aus Bern;Zeile 1\\nZeile 2; mit Semikolon\\\\n!\"");
    ASSERT_TRUE(record.present);
    EXPECT_EQ(record.calls, 1);
    EXPECT_EQ(record.recipientName, ansi(L"Anna M\u00FCller"));
    EXPECT_EQ(record.recipientAddress, "smtp:anna@example.com");
    EXPECT_EQ(record.subject, ansi(L"Gr\u00FC\u00DFe aus Bern"));
    EXPECT_EQ(record.body, "Zeile 1\nZeile 2; mit Semikolon\\\n!");
    EXPECT_EQ(record.recipientCount, 1u);
}

TEST_F(RelayEndToEnd, EmptyFieldsReachTheMailProgramAsEmptyTexts) {
    const MapiRecord record = runExpectingNoBox(L"\";;;\"");
    ASSERT_TRUE(record.present);
    EXPECT_EQ(record.recipientName, "");
    EXPECT_EQ(record.recipientAddress, "");
    EXPECT_EQ(record.subject, "");
    EXPECT_EQ(record.body, "");
}

TEST_F(RelayEndToEnd, CharacterAfterTheClosingQuoteIsDroppedInsteadOfTheQuote) {
    const MapiRecord record = runExpectingNoBox(L"\"N;A;S;body\"x");
    ASSERT_TRUE(record.present);
    EXPECT_EQ(record.body, "body\"");
}

TEST_F(RelayEndToEnd, RefusedMailShowsTheGermanWarningForEveryUser) {
    const auto shown = runExpectingOneBox(L"\"N;smtp:n@example.com;S;B\"", kMapiUserAbort);
    EXPECT_EQ(shown.first, kCaptionGerman);
    EXPECT_EQ(shown.second,
              L"Die Daten wurden nicht verschickt.\nBitte stellen Sie sicher, dass ihr e-Mail-Programm richtig "
              L"installiert und konfiguriert ist.");
    EXPECT_EQ(readMapiRecord(recordFile_).calls, 1);
}

TEST_F(RelayEndToEnd, MissingMapiSendMailShowsTheErrorBoxInTheUsersLanguage) {
    installMapi(MapiVariant::WithoutExport);
    const auto shown = runExpectingOneBox(L"\"N;smtp:n@example.com;S;B\"", 0);
    if (userIsGerman()) {
        EXPECT_EQ(shown.first, kCaptionGerman);
        EXPECT_EQ(shown.second,
                  L"Es ist folgender Fehler aufgetreten: \n\nDie Funktion MAPISendMail kann kann nicht geladen werden");
    } else {
        EXPECT_EQ(shown.first, kCaptionEnglish);
        EXPECT_EQ(shown.second, L"The following error occured: \n\nThe function MAPISendMail can not be loaded");
    }
}

TEST_F(RelayEndToEnd, MalformedCommandLineShowsTheExpectedFormAndSendsNothing) {
    const bool german = userIsGerman();
    testdriver::forEachCase<std::wstring>({
        {"no argument", L""},
        {"unquoted argument", L"N;A;S;B"},
        {"two semicolons", L"\"N;A;S\""},
        {"no closing quote after the third semicolon", L"\"N;A;S;"},
    }, [&](const std::wstring& argument) {
        const auto shown = runExpectingOneBox(argument, 0);
        EXPECT_EQ(shown.first, german ? kCaptionGerman : kCaptionEnglish);
        const std::wstring prefix =
            german ? L"Es ist folgender Fehler aufgetreten: \n\n" : L"The following error occured: \n\n";
        const std::wstring expectedForm =
            german ? L"ein Argument in doppelten Anf\u00FChrungszeichen mit vier durch Semikolons getrennten Feldern"
                   : L"one argument in double quotes holding four fields separated by semicolons";
        EXPECT_EQ(shown.second.rfind(prefix, 0), 0u) << utf8(shown.second);
        EXPECT_NE(shown.second.find(expectedForm), std::wstring::npos) << utf8(shown.second);
        EXPECT_FALSE(readMapiRecord(recordFile_).present);
    });
}

}  // namespace
