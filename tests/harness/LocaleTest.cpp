#include <map>
#include <string>

#include <gtest/gtest.h>

#include <windows.h>

#include "tests/driver/Process.h"
#include "tests/driver/TestPaths.h"

namespace {

// Under Wine the user's default locale of a program comes from the Unix environment of the Wine
// process tree (LC_ALL; LANG only where that Linux locale has been generated), not from the
// Windows environment block handed to CreateProcessW. Tests that need a German user therefore set
// LC_ALL on the whole CTest test; the programs they start inherit it. These tests run once as a
// German and once as an English user (Wine shows the Unix variables in the Windows environment).
DWORD expectedLocale() {
    wchar_t value[64] = {};
    ::GetEnvironmentVariableW(L"LC_ALL", value, 64);
    const std::wstring unixLocale = value;
    if (unixLocale == L"de_DE.UTF-8") return 0x0407;
    if (unixLocale == L"en_US.UTF-8") return 0x0409;
    return 0;
}

DWORD childLocale(const std::map<std::wstring, std::wstring>& extraEnvironment = {}) {
    return testdriver::runToExit(L"\"" + testdriver::builtFile(L"harness_locale.exe") + L"\"", 15000, L"",
                                 extraEnvironment);
}

TEST(Locale, StartedProgramsGetTheLocaleOfTheTestRun) {
    const DWORD expected = expectedLocale();
    ASSERT_NE(expected, 0u) << "run this test with LC_ALL de_DE.UTF-8 or en_US.UTF-8";
    EXPECT_EQ(::GetUserDefaultLCID(), expected);
    EXPECT_EQ(childLocale(), expected);
}

TEST(Locale, EnvironmentBlockOfAChildDoesNotChangeItsLocale) {
    const DWORD expected = expectedLocale();
    ASSERT_NE(expected, 0u) << "run this test with LC_ALL de_DE.UTF-8 or en_US.UTF-8";
    const wchar_t* other = expected == 0x0407 ? L"en_US.UTF-8" : L"de_DE.UTF-8";
    EXPECT_EQ(childLocale({{L"LC_ALL", other}, {L"LANG", other}}), expected);
}

}  // namespace
