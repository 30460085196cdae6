// The mail dispatch end to end: mail_probe calls mailOrSave, mailOrWarn or sendMail; the tests
// answer its boxes and the Save dialog as a user would and read what the stand-in MAPI library
// received and what landed on disk.
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
#include "tests/mail/MailTestSupport.h"

namespace {

using mailtest::Answer;
using mailtest::kSaveCaption;
using mailtest::kSaveQuestion;
using testdriver::MapiVariant;

constexpr unsigned long kUserAbort = 1;  // MAPI_E_USER_ABORT
constexpr unsigned long kFailure = 2;    // MAPI_E_FAILURE

const std::wstring kWarnCaption = L"Fehler - Tavrel Bank brivane Mapirelay";
const std::wstring kWarnText =
    L"Die Daten wurden nicht verschickt.\n"
    L"Bitte stellen Sie sicher, dass ihr e-Mail-Programm richtig installiert und konfiguriert ist.";
const std::wstring kLibraryFailure =
    L"IOException 0\nDie Bibliothek mapi32.dll kann nicht geladen werden\nThe library mapi32.dll can not be loaded";
const std::wstring kFunctionFailure =
    L"IOException 0\nDie Funktion MAPISendMail kann kann nicht geladen werden\n"
    L"The function MAPISendMail can not be loaded";

class MailDispatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        testdriver::installMapi(MapiVariant::StandIn);
        folder_ = mailtest::freshFolder(L"brivane-mail-test");
        work_ = mailtest::freshFolder(L"brivane-mail-work");
        recordFile_ = work_ + L"mapi.rec";
        outcomeFile_ = work_ + L"outcome.txt";
    }
    void TearDown() override { testdriver::installMapi(MapiVariant::StandIn); }

    std::wstring probe(const std::vector<std::wstring>& arguments, const std::wstring& program = L"") const {
        std::wstring commandLine =
            testdriver::quoted(program.empty() ? testdriver::builtFile(L"mail_probe.exe") : program);
        commandLine += L" " + testdriver::quoted(outcomeFile_);
        for (const std::wstring& argument : arguments) commandLine += L" " + testdriver::quoted(argument);
        return commandLine;
    }
    // Runs the probe in the test folder (the Save dialog's default folder) with the stand-in
    // answering result.
    mailtest::RunResult run(const std::vector<std::wstring>& arguments, unsigned long result,
                            const std::vector<Answer>& answers = {}, const std::wstring& program = L"") {
        const mailtest::RunResult run = mailtest::runAnswering(
            probe(arguments, program), answers, testdriver::standInMapiEnvironment(recordFile_, result), folder_);
        EXPECT_TRUE(run.ended);
        EXPECT_EQ(run.exitCode, 0u);
        return run;
    }
    std::wstring outcome() const { return testdriver::fromUtf8(testdriver::readBytes(outcomeFile_)); }
    testdriver::MapiRecord record() const { return testdriver::readMapiRecord(recordFile_); }
    std::vector<std::wstring> folderContent() const { return mailtest::folderEntries(folder_); }

    std::wstring folder_;
    std::wstring work_;
    std::wstring recordFile_;
    std::wstring outcomeFile_;
};

using mailtest::expectDialogs;

TEST_F(MailDispatchTest, MailOrSaveHandsTheMessageToTheSupportMailbox) {
    const mailtest::RunResult run = this->run({L"save", L"Problem mit Tavrel Bank brivane", L"Zeile 1\r\nZeile 2\n"}, 0);
    expectDialogs(run, {});
    EXPECT_EQ(outcome(), L"done");

    const testdriver::MapiRecord mail = record();
    mailtest::expectSupportMail(mail, "Problem mit Tavrel Bank brivane", "Zeile 1\r\nZeile 2\n");
    EXPECT_EQ(mail.uiParam, 0u);
    EXPECT_TRUE(folderContent().empty());
}

TEST_F(MailDispatchTest, MailOrWarnSendsToTheCallersRecipientAndWarnsOnlyWhenRefused) {
    testdriver::forEachCase<unsigned long, std::vector<mailtest::ShownDialog>>({
        {"sent", 0, {}},
        {"user aborted", kUserAbort, {{kWarnCaption, kWarnText, false}}},
        {"no mail program", kFailure, {{kWarnCaption, kWarnText, false}}},
    }, [&](unsigned long result, const std::vector<mailtest::ShownDialog>& dialogs) {
        const mailtest::RunResult run =
            this->run({L"warn", L"Max Muster", L"smtp:max.muster@example.org", L"Betreff", L"Text"}, result,
                      {Answer::press(IDOK)});
        expectDialogs(run, dialogs);
        EXPECT_EQ(outcome(), L"done");
        const testdriver::MapiRecord mail = record();
        EXPECT_EQ(mail.calls, 1);
        EXPECT_EQ(mail.recipientName, "Max Muster");
        EXPECT_EQ(mail.recipientAddress, "smtp:max.muster@example.org");
        EXPECT_EQ(mail.subject, "Betreff");
        EXPECT_EQ(mail.body, "Text");
        EXPECT_EQ(mail.conversationId, "SMTP");
        EXPECT_EQ(mail.flags, 9u);
        EXPECT_TRUE(folderContent().empty());
    });
}

TEST_F(MailDispatchTest, RefusedMailWritesNothingWhenTheUserDeclinesOrCancels) {
    testdriver::forEachCase<std::vector<Answer>>({
        {"No to the question", {Answer::press(IDNO)}},
        {"Save dialog cancelled", {Answer::press(IDYES), Answer::press(IDCANCEL)}},
    }, [&](const std::vector<Answer>& answers) {
        const mailtest::RunResult run = this->run({L"save", L"Betreff", L"Text"}, kUserAbort, answers);
        // Exactly the answered dialogs: no message follows a refusal.
        ASSERT_EQ(run.dialogs.size(), answers.size());
        EXPECT_EQ(run.dialogs[0].caption, kSaveCaption);
        EXPECT_EQ(run.dialogs[0].text, kSaveQuestion);
        EXPECT_FALSE(run.dialogs[0].saveDialog);
        if (answers.size() > 1) {
            EXPECT_TRUE(run.dialogs[1].saveDialog);
        }
        EXPECT_EQ(outcome(), L"done");
        EXPECT_EQ(record().calls, 1);
        EXPECT_TRUE(folderContent().empty());
    });
}

TEST_F(MailDispatchTest, RefusedMailIsSavedAsTheUserChose) {
    // existing is the chosen file's content before; empty: no such file.
    testdriver::forEachCase<std::wstring, std::wstring, std::string>({
        {"new file", L"Problem mit Tavrel Bank brivane", L"Zeile 1\r\nZeile 2\nohne Zeilenende", ""},
        {"existing longer file replaced", L"Kurz", L"x", std::string(5000, 'A') + "\r\nold\r\n"},
        {"empty subject keeps its blank", L"", L"Text\r\n", ""},
        {"umlauts kept as UTF-8", L"Grüße", L"Größe: 3 €\r\n", ""},
    }, [&](const std::wstring& subject, const std::wstring& body, const std::string& existing) {
        const std::wstring target = folder_ + L"Fehlerbericht.txt";
        if (!existing.empty()) testdriver::writeBytes(target, existing);
        const mailtest::RunResult run = this->run({L"save", subject, body}, kUserAbort,
                                                  {Answer::press(IDYES), Answer::saveAs(target)});
        ASSERT_EQ(run.dialogs.size(), 2u);
        EXPECT_EQ(run.dialogs[0].text, kSaveQuestion);
        EXPECT_TRUE(run.dialogs[1].saveDialog);
        EXPECT_EQ(outcome(), L"done");
        EXPECT_EQ(testdriver::readBytes(target),
                  mailtest::savedReport(testdriver::utf8(subject), testdriver::utf8(body)));
        ::DeleteFileW(target.c_str());
    });
}

// The Save dialog asks no question about an existing file, so a file that cannot be written is
// only found out when it is opened: the stream's failure reaches the caller. Held open without
// sharing here, since a read-only attribute does not stop Wine running as root.
TEST_F(MailDispatchTest, UnwritableChosenFileRaisesTheStreamFailure) {
    const std::wstring target = folder_ + L"gesperrt.txt";
    testdriver::writeBytes(target, "alt");
    UniqueFileHandle holder(::CreateFileW(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    const mailtest::RunResult run = this->run({L"save", L"Betreff", L"Text"}, kUserAbort,
                                              {Answer::press(IDYES), Answer::saveAs(target)});
    holder.reset();
    EXPECT_EQ(run.dialogs.size(), 2u);
    EXPECT_EQ(outcome(), L"IOException 0\nDie Datei " + target + L" ist nicht offen\nThe file " + target +
                             L" is not open");
    EXPECT_EQ(testdriver::readBytes(target), "alt");
}

TEST_F(MailDispatchTest, MissingLibraryOrExportRaisesWithoutQuestionOrWarning) {
    const struct { const char* name; MapiVariant variant; std::wstring expected; } kVariants[] = {
        {"no library", MapiVariant::None, kLibraryFailure},
        {"no export", MapiVariant::WithoutExport, kFunctionFailure},
    };
    const std::vector<std::vector<std::wstring>> kCalls = {
        {L"save", L"Betreff", L"Text"},
        {L"warn", L"Max Muster", L"smtp:max.muster@example.org", L"Betreff", L"Text"},
    };
    for (const auto& v : kVariants) {
        testdriver::installMapi(v.variant);
        for (const auto& call : kCalls) {
            SCOPED_TRACE(std::string(v.name) + ", " + testdriver::utf8(call[0]));
            const mailtest::RunResult run = this->run(call, kUserAbort, {});
            expectDialogs(run, {});
            EXPECT_EQ(outcome(), v.expected);
            EXPECT_FALSE(record().present);
            EXPECT_TRUE(folderContent().empty());
        }
    }
}

TEST_F(MailDispatchTest, CharactersOutsideTheAnsiCodePageReachTheMailReplacedAndTheFileIntact) {
    if (::GetACP() != 1252) GTEST_SKIP() << "expectations are written for code page 1252, this prefix uses " << ::GetACP();
    const std::wstring body = L"Grüße \u20AC \u6F22\u5B57 Ende";  // euro sign is in 1252, the two CJK characters are not

    this->run({L"save", L"Betreff \u6F22", body}, 0);
    EXPECT_EQ(record().body, "Gr\xFC\xDF" "e \x80 ?? Ende");
    EXPECT_EQ(record().subject, "Betreff ?");

    const std::wstring target = folder_ + L"bericht.txt";
    this->run({L"save", L"Betreff \u6F22", body}, kUserAbort, {Answer::press(IDYES), Answer::saveAs(target)});
    EXPECT_EQ(testdriver::readBytes(target), mailtest::savedReport("Betreff \xE6\xBC\xA2", testdriver::utf8(body)));
}

TEST_F(MailDispatchTest, SendingTwiceInOneProcessLoadsAndSendsBothTimes) {
    this->run({L"send", L"2", L"Max Muster", L"smtp:max@example.org", L"Betreff", L"Text"}, 0);
    EXPECT_EQ(outcome(), L"sent\nsent\n");
    EXPECT_EQ(record().calls, 2);

    this->run({L"send", L"1", L"Max Muster", L"smtp:max@example.org", L"Betreff", L"Text"}, kUserAbort);
    EXPECT_EQ(outcome(), L"not sent\n");
}

// A MAPI32.dll beside the program (and in its current folder) must never be loaded: only the
// system folder's library counts.
TEST_F(MailDispatchTest, PlantedLibraryBesideTheProgramIsNotLoaded) {
    const std::wstring planted = mailtest::freshFolder(L"brivane-mail-planted");
    const std::wstring program = planted + L"mail_probe.exe";
    ASSERT_TRUE(::CopyFileW(testdriver::builtFile(L"mail_probe.exe").c_str(), program.c_str(), FALSE));
    ASSERT_TRUE(::CopyFileW(testdriver::builtFile(L"tools\\mapi32.dll").c_str(), (planted + L"MAPI32.dll").c_str(), FALSE));

    testdriver::forEachCase<MapiVariant, std::wstring>({
        {"nothing in the system folder", MapiVariant::None, kLibraryFailure},
        {"system library without export", MapiVariant::WithoutExport, kFunctionFailure},
    }, [&](MapiVariant system, const std::wstring& expected) {
        testdriver::installMapi(system);
        const mailtest::RunResult result = mailtest::runAnswering(
            probe({L"save", L"Betreff", L"Text"}, program), {},
            testdriver::standInMapiEnvironment(recordFile_, 0), planted);
        EXPECT_TRUE(result.ended);
        expectDialogs(result, {});
        EXPECT_EQ(outcome(), expected);
        EXPECT_FALSE(record().present);
    });
}

}  // namespace
