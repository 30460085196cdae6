#pragma once

#include <string>

#include <windows.h>

#include <gtest/gtest.h>

// The user's language in the end-to-end tests. Under Wine 8 a started program takes its user
// locale from the Unix environment of the Wine process tree, not from LANG or LC_ALL in the
// environment block of CreateProcessW; so a program started from a test shares the test's own
// locale, and CTest runs the language tests once as they are and once with LC_ALL=de_DE.UTF-8.
namespace testdriver {

inline bool userIsGerman() {
    return ::GetUserDefaultLCID() == 0x0407;
}

// Use as ASSERT_TRUE(userLanguageOfThisRun()): the user is German or English, and German exactly
// when this run set LC_ALL=de_*, so a locale that did not take effect cannot pass as a second
// English run.
inline ::testing::AssertionResult userLanguageOfThisRun() {
    const LCID user = ::GetUserDefaultLCID();
    char locale[32] = {};
    const bool germanRun = ::GetEnvironmentVariableA("LC_ALL", locale, sizeof(locale)) > 0 &&
                           std::string(locale).compare(0, 3, "de_") == 0;
    if ((user == 0x0407 || user == 0x0409) && userIsGerman() == germanRun) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "user locale " << user << " in a run with LC_ALL=" << locale;
}

}  // namespace testdriver
