#include "tests/mail/MailTestSupport.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "support/FindEntry.h"
#include "support/UniqueResource.h"
#include "tests/driver/Dialogs.h"
#include "tests/driver/Process.h"
#include "tests/driver/ScratchFolder.h"

namespace mailtest {

namespace {

constexpr DWORD kDialogTimeoutMs = 20000;
constexpr DWORD kExitTimeoutMs = 30000;

void waitUntilGone(const testdriver::Dialog& dialog) {
    const ULONGLONG deadline = ::GetTickCount64() + kDialogTimeoutMs;
    while (::IsWindow(dialog.window) && ::IsWindowVisible(dialog.window) && ::GetTickCount64() < deadline)
        ::Sleep(20);
}

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
        waitUntilGone(dialog);
    }
    std::vector<std::wstring> unexpected;
    const int extra = testdriver::answerDialogsUntilExit(process, IDNO, kExitTimeoutMs, &unexpected);
    for (const std::wstring& seen : unexpected) result.dialogs.push_back({seen, L"(unexpected)", false});
    result.ended = extra >= 0;
    result.exitCode = process.exitCode();
    return result;
}

std::wstring freshFolder(const std::wstring& name) {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + name + L"\\";
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

std::wstring quoted(const std::wstring& argument) {
    // Backslashes count only before a quote: double them there, and before the closing quote.
    std::wstring result = L"\"";
    size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
        } else if (c == L'"') {
            result.append(backslashes + 1, L'\\');
            backslashes = 0;
        } else {
            backslashes = 0;
        }
        result += c;
    }
    result.append(backslashes, L'\\');
    return result + L"\"";
}

}  // namespace mailtest
