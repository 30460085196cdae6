#include <string>

#include <gtest/gtest.h>

#include "support/URLEncoder.h"
#include "tests/driver/CaseTable.h"

namespace {

TEST(URLEncoder, OnlyAsciiLettersAndDigitsPassEveryOtherByteIsEscapedInUpperCase) {
    URLEncoder encoder;
    testdriver::forEachCase<std::wstring, std::wstring>({
        {"empty", L"", L""},
        {"letters and digits", L"AZaz09", L"AZaz09"},
        {"windows path", L"C:\\Program Files\\App", L"C%3A%5CProgram%20Files%5CApp"},
        {"umlaut as two bytes", L"Z\u00FCrich", L"Z%C3%BCrich"},
        {"hyphen, underscore, full stop", L"a-b_c.d", L"a%2Db%5Fc%2Ed"},
        {"leading zero", L"\n", L"%0A"},
        {"upper-case hex", L"\u9A6C", L"%E9%A9%AC"},
        {"tilde, asterisk, plus, percent", L"~*+%", L"%7E%2A%2B%25"},
        {"stops at a zero unit", std::wstring(L"ab\0cd", 5), L"ab"},
        {"non-ASCII digits and letters", L"\u0663\u00E9", L"%D9%A3%C3%A9"},
    }, [&](const std::wstring& text, const std::wstring& encoded) {
        std::wstring out = L"previous content";
        EXPECT_EQ(&encoder.encode(out, text), &out);
        EXPECT_EQ(out, encoded);
        // The same instance gives the same result again.
        EXPECT_EQ(encoder.encode(out, text), encoded);
    });
}

}  // namespace
