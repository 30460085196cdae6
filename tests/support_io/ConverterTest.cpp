#include <climits>
#include <string>

#include <gtest/gtest.h>

#include <windows.h>

#include "support/CapacityGrowth.h"
#include "support/IOException.h"
#include "support/ToAnsiConverter.h"
#include "support/ToMultiByteConverter.h"
#include "support/ToUnicodeConverter.h"
#include "support/ToUtf8Converter.h"
#include "tests/driver/CaseTable.h"
#include "tests/driver/ThrownBy.h"

namespace {

void expectNotEnoughMemory(const IOException& e) {
    EXPECT_EQ(e.germanMessage, L"Nicht genügend Speicher");
    EXPECT_EQ(e.englishMessage, L"Not enough memory");
    EXPECT_EQ(e.kind, IOException::Resource);
}

TEST(GrowthRule, NeedPlusThirtyPercentUnlessItPassesA32BitCount) {
    testdriver::expectEachCase<long long, int>(grownCapacity, {
        {"1200 bytes", 1200, 1560},
        {"2000 bytes", 2000, 2600},
        {"1500 units", 1500, 1950},
        {"8001 units", 8001, 10401},
        {"integer division rounds down", 9, 11},
        {"largest need that still fits", 1651910497, 2147483646},
        {"one more", 1651910498, -1},
        {"a whole 32-bit count", INT_MAX, -1},
        {"a doubled 32-bit count", 2LL * INT_MAX, -1},
        {"negative", -1, -1},
    });
}

TEST(GrowthRule, SizesBeyondA32BitCountRaiseNotEnoughMemory) {
    EXPECT_EQ(checkedCount(0), 0);
    EXPECT_EQ(checkedCount(static_cast<std::size_t>(INT_MAX)), INT_MAX);
    expectNotEnoughMemory(testdriver::thrownBy([&] { checkedCount(static_cast<std::size_t>(INT_MAX) + 1); }));
}

TEST(ToUtf8Converter, BuffersGrowAsNeededAndAreReused) {
    ToUtf8Converter converter;
    EXPECT_EQ(converter.capacity(), 1000);

    // 600 units need room for 1200 bytes before the first attempt.
    const std::wstring ascii(600, L'a');
    converter.convert(ascii.c_str(), static_cast<int>(ascii.size()));
    EXPECT_EQ(converter.capacity(), 1560);
    EXPECT_EQ(converter.length(), 600);
    EXPECT_EQ(std::string(converter.data()), std::string(600, 'a'));

    // 400 euro signs fit the 2-per-unit guess (800 of 1000) but need 1200 bytes: the first attempt
    // fails with error 122, the second gets room for 2 x 1000.
    ToUtf8Converter threeByte;
    const std::wstring euros(400, L'\u20AC');
    threeByte.convert(euros.c_str(), static_cast<int>(euros.size()));
    EXPECT_EQ(threeByte.capacity(), 2600);
    ASSERT_EQ(threeByte.length(), 1200);
    std::string expected;
    for (int i = 0; i < 400; ++i) expected += "\xE2\x82\xAC";
    EXPECT_EQ(std::string(threeByte.data(), 1200), expected);
    EXPECT_EQ(threeByte.data()[1200], '\0');

    // A short text afterwards overwrites the result; the buffer keeps its size.
    threeByte.convert(L"\u00C4b");
    EXPECT_EQ(threeByte.length(), 3);
    EXPECT_EQ(std::string(threeByte.data()), "\xC3\x84" "b");
    EXPECT_EQ(threeByte.capacity(), 2600);
}

TEST(ToUtf8Converter, CountedConvertTakesZeroUnitsAsDataTheOtherStopsAtTheFirst) {
    ToUtf8Converter converter;
    const wchar_t text[] = L"ab\0cd";
    converter.convert(text, 5);
    ASSERT_EQ(converter.length(), 5);
    EXPECT_EQ(std::string(converter.data(), 5), std::string("ab\0cd", 5));
    EXPECT_EQ(converter.data()[5], '\0');

    converter.convert(text);
    EXPECT_EQ(converter.length(), 2);
    EXPECT_EQ(std::string(converter.data()), "ab");

    converter.convert(text, 0);
    EXPECT_EQ(converter.length(), 0);
    EXPECT_EQ(converter.data()[0], '\0');
}

TEST(ToUtf8Converter, LoneSurrogateDoesNotStopTheConversion) {
    // Without WC_ERR_INVALID_CHARS the system writes U+FFFD for an unpaired surrogate (Windows
    // since Vista, and Wine 8).
    ToUtf8Converter converter;
    const wchar_t text[] = {L'a', static_cast<wchar_t>(0xD800), L'b'};
    converter.convert(text, 3);
    EXPECT_EQ(std::string(converter.data(), static_cast<std::size_t>(converter.length())), "a\xEF\xBF\xBD" "b");
}

TEST(ToAnsiConverter, ConvertsIntoTheAnsiCodePage) {
    ToAnsiConverter converter;
    converter.convert(L"Betreff: Fehler");
    EXPECT_EQ(std::string(converter.data()), "Betreff: Fehler");
    const std::wstring longText(700, L'x');
    converter.convert(longText.c_str(), 700);
    EXPECT_EQ(converter.length(), 700);
    EXPECT_EQ(converter.capacity(), 1820);
}

TEST(Converters, CountsPastA32BitBufferRaiseNotEnoughMemoryBeforeTouchingTheText) {
    // The need is computed before any allocation or system call, so the short texts below are
    // never read past their end.
    ToUtf8Converter toUtf8;
    toUtf8.convert(L"vorher");
    expectNotEnoughMemory(testdriver::thrownBy([&] { toUtf8.convert(L"x", INT_MAX); }));
    EXPECT_EQ(toUtf8.capacity(), 1000);
    toUtf8.convert(L"nachher");
    EXPECT_EQ(std::string(toUtf8.data()), "nachher");

    ToUnicodeConverter toUnicode;
    expectNotEnoughMemory(testdriver::thrownBy([&] { toUnicode.convert("x", INT_MAX); }));
    EXPECT_EQ(toUnicode.capacity(), 1000);
    toUnicode.convert("ok", 2);
    EXPECT_EQ(std::wstring(toUnicode.data()), L"ok");
}

TEST(ToUnicodeConverter, GrowsToTheByteCountPlusThirtyPercent) {
    testdriver::forEachCase<int, int>({
        {"fits the first buffer", 1000, 1000},
        {"one byte more", 1001, 1301},
        {"1500 bytes", 1500, 1950},
    }, [&](int bytes, int capacity) {
        ToUnicodeConverter converter;
        EXPECT_EQ(converter.capacity(), 1000);
        const std::string ascii(static_cast<std::size_t>(bytes), 'q');
        converter.convert(ascii.data(), bytes);
        EXPECT_EQ(converter.capacity(), capacity);
        EXPECT_EQ(converter.length(), bytes);
        EXPECT_EQ(std::wstring(converter.data()), std::wstring(ascii.begin(), ascii.end()));
    });
}

TEST(ToUnicodeConverter, AnEmptyConversionKeepsTheGrownBuffer) {
    ToUnicodeConverter converter;
    const std::string ascii(1500, 'q');
    converter.convert(ascii.data(), 1500);

    converter.convert("", 0);
    EXPECT_EQ(converter.length(), 0);
    EXPECT_EQ(converter.data()[0], L'\0');
    EXPECT_EQ(converter.capacity(), 1950);
}

TEST(ToUnicodeConverter, InvalidUtf8BecomesReplacementCharacters) {
    // Without MB_ERR_INVALID_CHARS, Wine 8 (like Windows since Vista) turns every byte that does
    // not start or continue a valid sequence into U+FFFD and goes on with the next byte.
    ToUnicodeConverter converter;
    testdriver::forEachCase<std::string, std::wstring>({
        {"stray continuation byte", "a\x80" "b", L"a\uFFFD" L"b"},
        {"invalid byte FF", "\xFF" "z", L"\uFFFD" L"z"},
        {"truncated two-byte sequence at the end", "Z\xC3", L"Z\uFFFD"},
        {"overlong slash", "\xC0\xAF", L"\uFFFD\uFFFD"},
        {"valid umlaut and BOM stay", "\xEF\xBB\xBF\xC3\xA4", L"\uFEFF\u00E4"},
        {"zero byte is data", std::string("a\0b", 3), std::wstring(L"a\0b", 3)},
    }, [&](const std::string& bytes, const std::wstring& text) {
        converter.convert(bytes.data(), static_cast<int>(bytes.size()));
        EXPECT_EQ(std::wstring(converter.data(), static_cast<std::size_t>(converter.length())), text);
        EXPECT_EQ(converter.data()[converter.length()], L'\0');
    });
}

TEST(ToUnicodeConverter, EveryMixOfAsciiAndOtherBytesConvertsAsTheSystemConvertsTheWholeLine) {
    // ASCII runs of every length around the eight-byte steps, then valid, broken and stray
    // sequences, then ASCII again: the text must be what the system makes of the whole line.
    const std::string kOthers[] = {"", "\xC3\xA4", "\x80", "\xE2\x82", "\xFF", "\xF0\x9F\x98\x80", "\xC3\xA4\xC3"};
    ToUnicodeConverter converter;
    for (int asciiLength = 0; asciiLength <= 17; ++asciiLength) {
        for (const std::string& other : kOthers) {
            for (const std::string& tail : {std::string(), std::string("tail 0123456789")}) {
                const std::string bytes = std::string(static_cast<std::size_t>(asciiLength), 'a') + other + tail;
                SCOPED_TRACE(bytes);
                std::wstring expected(bytes.size(), L'\0');
                expected.resize(static_cast<std::size_t>(::MultiByteToWideChar(
                    CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), &expected[0], static_cast<int>(bytes.size()))));
                converter.convert(bytes.data(), static_cast<int>(bytes.size()));
                EXPECT_EQ(std::wstring(converter.data(), static_cast<std::size_t>(converter.length())), expected);
                EXPECT_EQ(converter.data()[converter.length()], L'\0');
            }
        }
    }
}

}  // namespace
