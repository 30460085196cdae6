#include "tests/mail/MailTestSupport.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "support/FindEntry.h"
#include "support/SupportMailbox.h"
#include "support/UniqueResource.h"
#include "tests/driver/Dialogs.h"
#include "tests/driver/Process.h"
#include "tests/driver/ScratchFolder.h"
#include "tests/driver/TestPaths.h"
#include "tests/driver/TextFiles.h"

namespace mailtest {

namespace {

constexpr DWORD kDialogTimeoutMs = 20000;
constexpr DWORD kExitTimeoutMs = 30000;

}  // namespace

void expectDialogs(const RunResult& run, const std::vector<ShownDialog>& expected) {
    ASSERT_EQ(run.dialogs.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(run.dialogs[i].caption, expected[i].caption);
        EXPECT_EQ(run.dialogs[i].text, expected[i].text);
        EXPECT_EQ(run.dialogs[i].saveDialog, expected[i].saveDialog);
    }
}

const std::wstring kSaveCaption = L"Fehler - Tavrel Bank brivane Faultpost";
const std::wstring kSaveQuestion =
    std::wstring(L"Die Daten wurden nicht an die Tavrel Bank geschickt.\n"
                 L"Bitte stellen Sie sicher, dass ihr e-Mail-Programm richtig installiert und konfiguriert ist.\n\n"
                 L"Wollen Sie die Daten speichern und per e-Mail an ") +
    kSupportMailbox + L" verschicken?";

std::string savedReport(const std::string& subject, const std::string& body) {
    return "An: " + testdriver::utf8(kSupportMailbox) + "\r\nSubject: " + subject + "\r\n\r\n" + body;
}

void expectSupportMail(const testdriver::MapiRecord& mail, const std::string& subject, const std::string& body) {
    // In the order of MapiRecord's fields: one To recipient (class 1), flags 9 = MAPI_LOGON_UI | MAPI_DIALOG.
    testdriver::expectMapiRecord(mail, {true, 1, "Tavrel Bank brivane", "smtp:" + testdriver::utf8(kSupportMailbox),
                                        1, 1, subject, body, "SMTP", true, 0, 9});
}

RunResult runAnswering(const std::wstring& commandLine, const std::vector<Answer>& answers,
                       const std::map<std::wstring, std::wstring>& environment, const std::wstring& currentFolder) {
    RunResult result;
    testdriver::Process process(commandLine, currentFolder, environment);
    for (const Answer& answer : answers) {
        const testdriver::Dialog dialog = testdriver::waitForDialog(process, kDialogTimeoutMs);
        if (!dialog) break;
        const bool save = testdriver::isSaveDialog(dialog);
        result.dialogs.push_back({testdriver::caption(dialog), save ? L"" : testdriver::messageText(dialog), save});
        const bool done = answer.savePath.empty() ? testdriver::pressButton(dialog, answer.button)
                                                  : testdriver::enterFileNameAndSave(dialog, answer.savePath);
        if (!done) break;
        testdriver::waitUntilGone(dialog, process, kDialogTimeoutMs);
    }
    std::vector<std::wstring> unexpected;
    const int extra = testdriver::answerDialogsUntilExit(process, IDNO, kExitTimeoutMs, &unexpected);
    for (const std::wstring& seen : unexpected) result.dialogs.push_back({seen, L"(unexpected)", false});
    result.ended = extra >= 0;
    result.exitCode = process.exitCode();
    return result;
}

std::wstring freshFolder(const std::wstring& name) {
    const std::wstring folder = testdriver::tempPath(name + L"\\");
    testdriver::removeTree(folder);
    testdriver::makeFolders(folder);
    return folder;
}

std::vector<std::wstring> folderEntries(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    const UniqueFindHandle find(::FindFirstFileW((folder + L"*").c_str(), &data));
    if (!find) return names;
    do {
        if (!isSelfOrParent(data)) names.push_back(data.cFileName);
    } while (::FindNextFileW(find.get(), &data));
    return names;
}

}  // namespace mailtest
