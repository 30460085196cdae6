#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <windows.h>

#include "tests/driver/CaseTable.h"
#include "tests/driver/Dialogs.h"
#include "tests/driver/Process.h"
#include "tests/driver/TestPaths.h"
#include "tests/driver/TextFiles.h"

namespace {

using testdriver::Process;

constexpr DWORD kDialogTimeoutMs = 15000;

std::wstring messageBoxCommand(const std::wstring& captionText, const std::wstring& text, UINT style) {
    return testdriver::quoted(testdriver::builtFile(L"harness_msgbox.exe")) + L" " + testdriver::quoted(captionText) +
           L" " + testdriver::quoted(text) + L" " + std::to_wstring(style);
}

TEST(DialogDriver, ReadsAndAnswersAMessageBox) {
    const std::wstring captionText = L"Tavrel Bank brivane";
    const std::wstring text = L"Der Fehlerbericht konnte nicht gesendet werden.\nMöchten Sie ihn speichern?";
    testdriver::forEachCase<UINT, int>({
        {"yes/no answered no", MB_YESNO | MB_ICONQUESTION, IDNO},
        {"yes/no answered yes", MB_YESNO | MB_ICONQUESTION, IDYES},
        {"ok only", MB_OK | MB_ICONERROR, IDOK},
        {"yes/no/cancel answered cancel", MB_YESNOCANCEL, IDCANCEL},
    }, [&](UINT style, int button) {
        Process process(messageBoxCommand(captionText, text, style));
        const testdriver::Dialog dialog = testdriver::waitForDialog(process, kDialogTimeoutMs);
        ASSERT_TRUE(dialog);
        EXPECT_EQ(testdriver::utf8(testdriver::caption(dialog)), testdriver::utf8(captionText));
        EXPECT_EQ(testdriver::utf8(testdriver::messageText(dialog)), testdriver::utf8(text));
        EXPECT_FALSE(testdriver::isSaveDialog(dialog));
        ASSERT_TRUE(testdriver::pressButton(dialog, button));
        ASSERT_TRUE(process.waitForExit(kDialogTimeoutMs));
        EXPECT_EQ(process.exitCode(), static_cast<DWORD>(button));
    });
}

TEST(DialogDriver, AnswersWithOkWhereTheWantedButtonIsMissing) {
    Process process(messageBoxCommand(L"Hinweis", L"Nur OK", MB_OK));
    const testdriver::Dialog dialog = testdriver::waitForDialog(process, kDialogTimeoutMs);
    ASSERT_TRUE(dialog);
    EXPECT_FALSE(testdriver::pressButton(dialog, IDNO));

    std::vector<std::wstring> seen;
    EXPECT_EQ(testdriver::answerDialogsUntilExit(process, IDNO, kDialogTimeoutMs, &seen), 1);
    EXPECT_EQ(process.exitCode(), static_cast<DWORD>(IDOK));
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(testdriver::utf8(seen[0]), "Hinweis: Nur OK");
}

TEST(DialogDriver, FindsNoDialogWhenTheProgramEndsWithoutOne) {
    Process process(testdriver::quoted(testdriver::builtFile(L"harness_locale.exe")));
    EXPECT_FALSE(testdriver::waitForDialog(process, kDialogTimeoutMs));
    EXPECT_EQ(testdriver::answerDialogsUntilExit(process, IDNO, kDialogTimeoutMs), 0);
}

TEST(DialogDriver, SavesUnderTheTypedFileName) {
    const std::wstring target =
        testdriver::tempPath(L"harness save " + std::to_wstring(::GetCurrentProcessId()) + L".txt");
    ::DeleteFileW(target.c_str());
    Process process(testdriver::quoted(testdriver::builtFile(L"harness_savedialog.exe")));
    const testdriver::Dialog dialog = testdriver::waitForDialog(process, kDialogTimeoutMs);
    ASSERT_TRUE(dialog);
    ASSERT_TRUE(testdriver::isSaveDialog(dialog));
    ASSERT_TRUE(testdriver::enterFileNameAndSave(dialog, target));
    ASSERT_TRUE(process.waitForExit(kDialogTimeoutMs));
    EXPECT_EQ(process.exitCode(), 1u);
    EXPECT_EQ(testdriver::readBytes(target), "saved");
    ::DeleteFileW(target.c_str());
}

TEST(DialogDriver, CancelsASaveDialogWhenAnsweringNo) {
    Process process(testdriver::quoted(testdriver::builtFile(L"harness_savedialog.exe")));
    EXPECT_EQ(testdriver::answerDialogsUntilExit(process, IDNO, kDialogTimeoutMs), 1);
    EXPECT_EQ(process.exitCode(), 2u);
}

}  // namespace
