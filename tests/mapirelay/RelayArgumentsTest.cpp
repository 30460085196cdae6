#include "mapirelay/RelayArguments.h"

#include <string>

#include <gtest/gtest.h>

#include "support/IOException.h"
#include "tests/driver/CaseTable.h"
#include "tests/driver/ThrownBy.h"

namespace {

TEST(ParseRelayArguments, TakesTheFourFieldsOfWellFormedCommandLines) {
    testdriver::forEachCase<std::wstring, RelayMessage>({
        {"quoted program path", LR"("C:\Program Files\x\mapirelay.exe" "Anna Berg;smtp:anna@example.com;Hallo;Text")",
         {L"Anna Berg", L"smtp:anna@example.com", L"Hallo", L"Text"}},
        {"unquoted program path", LR"(C:\x\mapirelay.exe "Anna;a@example.com;Betreff;Text")",
         {L"Anna", L"a@example.com", L"Betreff", L"Text"}},
        {"unquoted path with blanks", LR"(C:\Program Files\x y\mapirelay.exe "N;A;S;B")",
         {L"N", L"A", L"S", L"B"}},
        {"quoted path with a blank-quote inside the argument", LR"("C:\a b\m.exe" "N;A;S;say "x" now")",
         {L"N", L"A", L"S", L"say \"x\" now"}},
        {"semicolons stay in the body", LR"(m.exe "N;A;S;one;two;;three")", {L"N", L"A", L"S", L"one;two;;three"}},
        {"empty fields", LR"(m.exe ";;;")", {L"", L"", L"", L""}},
        {"escapes are left for expandLineBreaks", LR"(m.exe "N;A;S;a\nb")", {L"N", L"A", L"S", L"a\\nb"}},
        {"character after the closing quote shifts the cut", LR"(m.exe "N;A;S;body"x)",
         {L"N", L"A", L"S", L"body\""}},
        {"blank after the closing quote shifts the cut", LR"(m.exe "N;A;S;body" )", {L"N", L"A", L"S", L"body\""}},
        {"last character dropped even when it is no quote", LR"(m.exe "N;A;S;body)", {L"N", L"A", L"S", L"bod"}},
        {"umlauts and other UTF-16 text", L"m.exe \"J\u00FCrgen;j@example.com;Gr\u00FC\u00DFe;\u20AC 5\"",
         {L"J\u00FCrgen", L"j@example.com", L"Gr\u00FC\u00DFe", L"\u20AC 5"}},
    }, [&](const std::wstring& commandLine, const RelayMessage& expected) {
        const RelayMessage message = parseRelayArguments(commandLine);
        EXPECT_EQ(message.recipientName, expected.recipientName);
        EXPECT_EQ(message.recipientAddress, expected.recipientAddress);
        EXPECT_EQ(message.subject, expected.subject);
        EXPECT_EQ(message.body, expected.body);
    });
}

TEST(ParseRelayArguments, RejectsMalformedCommandLinesWithTheExpectedForm) {
    testdriver::forEachCase<std::wstring>({
        {"empty", L""},
        {"one quote", L"\""},
        {"one blank", L" "},
        {"program path only", L"m.exe"},
        {"quoted program path only", LR"("C:\a b\m.exe")"},
        {"unquoted argument", L"m.exe N;A;S;B"},
        {"quoted path, unquoted argument", LR"("C:\m.exe" N;A;S;B)"},
        {"no semicolon", LR"(m.exe "text")"},
        {"two semicolons", LR"(m.exe "N;A;S")"},
        {"semicolons only in the program path", LR"(C:\a;b;c;d\m.exe "N")"},
        {"third semicolon is the last character", LR"(m.exe "N;A;S;)"},
        {"opening quote is the last character", L"m.exe \""},
    }, [&](const std::wstring& commandLine) {
        const IOException e = testdriver::thrownBy([&] { parseRelayArguments(commandLine); });
        EXPECT_EQ(e.kind, IOException::Installation);
        EXPECT_NE(e.englishMessage.find(L"one argument in double quotes holding four fields separated by semicolons"),
                  std::wstring::npos);
        EXPECT_NE(e.germanMessage.find(L"vier durch Semikolons getrennten Feldern"), std::wstring::npos);
    });
}

TEST(ExpandLineBreaks, TurnsEveryBackslashNIntoALineFeed) {
    testdriver::expectEachCase<std::wstring, std::wstring>(expandLineBreaks, {
        {"empty", L"", L""},
        {"no escape", L"plain text", L"plain text"},
        {"one", L"a\\nb", L"a\nb"},
        {"several, adjacent", L"\\n\\nx\\n", L"\n\nx\n"},
        {"doubled backslash keeps one backslash", L"a\\\\nb", L"a\\\nb"},
        {"other escapes stay", L"a\\tb\\\\c", L"a\\tb\\\\c"},
        {"lone backslash at the end", L"end\\", L"end\\"},
        {"capital N is no escape", L"a\\Nb", L"a\\Nb"},
        {"carriage return stays", L"a\r\nb", L"a\r\nb"},
        {"n before a backslash", L"n\\", L"n\\"},
    });
}

}  // namespace
