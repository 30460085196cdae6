#include <string>

#include <gtest/gtest.h>
#include <windows.h>

#include "support/TextSelector.h"
#include "tests/driver/CaseTable.h"

namespace {

TEST(TextSelector, GermanExactlyForTheSixWholeLocaleIdentifiers) {
    testdriver::expectEachCase<unsigned long, bool>(isGermanLocale, {
        {"German, Germany", 0x0407, true},
        {"German, Switzerland", 0x0807, true},
        {"German, Austria", 0x0C07, true},
        {"German, Luxembourg", 0x1007, true},
        {"German, Liechtenstein", 0x1407, true},
        {"French, Switzerland", 0x100C, true},
        {"French, France", 0x040C, false},
        {"French, Belgium", 0x080C, false},
        {"French, Canada", 0x0C0C, false},
        {"French, Luxembourg", 0x140C, false},
        {"Italian, Switzerland", 0x0810, false},
        {"German, phone-book sort order", 0x10407, false},
        {"French, Switzerland with a sort order", 0x1100C, false},
        {"English, United States", 0x0409, false},
        {"neutral German", 0x0007, false},
        {"user default", LOCALE_USER_DEFAULT, false},
    });
}

TEST(TextSelector, ReturnsTheArgumentItselfChosenByTheUsersLocale) {
    const TextSelector selector;
    const std::wstring german = L"Fehler";
    const std::wstring english = L"Error";
    const std::wstring& chosen = selector.select(german, english);
    EXPECT_EQ(&chosen, isGermanLocale(::GetUserDefaultLCID()) ? &german : &english);
}

}  // namespace
