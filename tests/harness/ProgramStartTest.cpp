#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <windows.h>

#include "tests/driver/Dialogs.h"
#include "tests/driver/Process.h"
#include "tests/driver/TestPaths.h"

namespace {

std::string narrow(const std::wstring& text) {
    std::string result;
    for (const wchar_t c : text) result += c < 0x80 ? static_cast<char>(c) : '?';
    return result;
}

// Whatever a program does when it is started without arguments (refuse, fail to find something,
// ask a question), it answers with exit code 0 once every question has been answered with No.
TEST(ProgramStart, EveryProgramEndsWithExitCodeZeroWhenEveryQuestionIsDeclined) {
    for (const wchar_t* program : {L"tavrel-brivane.exe", L"faultpost.exe", L"mapirelay.exe", L"cfgsweep.exe"}) {
        SCOPED_TRACE(narrow(program));
        testdriver::Process process(L"\"" + testdriver::builtFile(program) + L"\"");
        std::vector<std::wstring> seen;
        const int answered = testdriver::answerDialogsUntilExit(process, IDNO, 60000, &seen);
        std::string dialogs;
        for (const std::wstring& dialog : seen) dialogs += "\n  " + narrow(dialog);
        ASSERT_GE(answered, 0) << "the program did not end; dialogs answered:" << dialogs;
        EXPECT_EQ(process.exitCode(), 0u) << "dialogs answered:" << dialogs;
    }
}

}  // namespace
