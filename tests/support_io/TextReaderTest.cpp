#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/BufferedInputStream.h"
#include "support/FileInputStream.h"
#include "support/IOException.h"
#include "support/Utf8StreamReader.h"
#include "tests/driver/CaseTable.h"
#include "tests/driver/ScratchFolder.h"
#include "tests/driver/TextFiles.h"
#include "tests/driver/ThrownBy.h"
#include "tests/support_io/MemoryStreams.h"

namespace {

using supportio::MemoryInputStream;

std::vector<std::string> byteLines(const std::string& bytes, int chunk) {
    MemoryInputStream source(bytes, chunk);
    BufferedInputStream buffered(source);
    std::vector<std::string> lines;
    int length = -1;
    while (const char* line = buffered.readLine(length)) {
        EXPECT_EQ(line[length], '\0');
        lines.emplace_back(line, static_cast<std::size_t>(length));
    }
    EXPECT_EQ(length, 0);
    EXPECT_EQ(buffered.readLine(length), nullptr) << "end of input repeats";
    return lines;
}

TEST(BufferedInputStream, OnlyLineFeedEndsALineAndOneCarriageReturnBeforeItIsDropped) {
    const std::string a990(990, 'a');
    const std::string b997(997, 'b');
    testdriver::forEachCase<std::string, std::vector<std::string>>({
        {"mixed endings, last line open", "a\r\nb\nc", {"a", "b", "c"}},
        {"final line end adds no empty line", "a\r\n", {"a"}},
        {"two empty lines", "\r\n\r\n", {"", ""}},
        {"inner CR stays", "x\ry\n", {"x\ry"}},
        {"only one CR is dropped", "x\r\r\n", {"x\r"}},
        {"CR at the very end is dropped", "x\r", {"x"}},
        {"lone CR line", "\r", {""}},
        {"empty input", "", {}},
        {"BOM is not recognised", "\xEF\xBB\xBF" "a\n", {"\xEF\xBB\xBF" "a"}},
        {"line across the first refill", a990 + "\n" + std::string(50, 'c') + "\n", {a990, std::string(50, 'c')}},
        {"CR and LF on both sides of a refill", "x\n" + b997 + "\r\nnext", {"x", b997, "next"}},
        {"line ends exactly at the buffer end", std::string(999, 'd') + "\n" + "e", {std::string(999, 'd'), "e"}},
        {"exactly one buffer without line end", std::string(1000, 'f'), {std::string(1000, 'f')}},
    }, [&](const std::string& bytes, const std::vector<std::string>& lines) {
        for (const int chunk : {1 << 30, 7, 1}) {
            SCOPED_TRACE("chunk " + std::to_string(chunk));
            EXPECT_EQ(byteLines(bytes, chunk), lines);
        }
    });
}

TEST(BufferedInputStream, ALongLineIsReturnedWholeWhileTheBufferDoubles) {
    const std::string line(2500, 'L');
    MemoryInputStream source(line + "\r\nshort\n");
    BufferedInputStream buffered(source);
    EXPECT_EQ(buffered.capacity(), 1000);
    int length = 0;
    const char* first = buffered.readLine(length);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(std::string(first, static_cast<std::size_t>(length)), line);
    EXPECT_EQ(buffered.capacity(), 4000);
    const char* second = buffered.readLine(length);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(std::string(second), "short");
    EXPECT_EQ(buffered.readLine(length), nullptr);
    EXPECT_EQ(buffered.capacity(), 4000) << "never shrinks";
}

TEST(BufferedInputStream, DoublingStopsBeforeA32BitCountOverflows) {
    testdriver::expectEachCase<int, int>(doubledCapacity, {
        {"initial", 1000, 2000},
        {"largest that doubles with its terminator", 1073741823, 2147483646},
        {"one more", 1073741824, -1},
        {"the largest reached from 1000", 1000 << 20, 2097152000},
        {"beyond it", 2097152000, -1},
    });
}

TEST(BufferedInputStream, ReadsAtConstructionAndClosesOnlyOnRequest) {
    MemoryInputStream source("abc");
    {
        BufferedInputStream buffered(source);
        EXPECT_EQ(source.reads, 2) << "filled until the source reported its end";
    }
    EXPECT_EQ(source.closes, 0) << "destruction does not close the source";
    BufferedInputStream buffered(source);
    buffered.close();
    EXPECT_EQ(source.closes, 1);
}

std::vector<std::wstring> wideLines(const std::string& bytes) {
    MemoryInputStream source(bytes, 13);
    Utf8StreamReader reader(source);
    std::vector<std::wstring> lines;
    std::wstring line = L"vorher";
    while (reader.readLine(line)) lines.push_back(line);
    EXPECT_EQ(line, L"") << "emptied when no line is left";
    return lines;
}

// Bytes from memory whose one chosen read raises without delivering anything, as a file on a
// failing network share may; the reads after it go on where the data stopped.
class FailingOnceInputStream : public supportio::MemoryInputStream {
public:
    FailingOnceInputStream(std::string bytes, int failingRead)
        : MemoryInputStream(std::move(bytes)), failingRead_(failingRead) {}
    int read(char* buffer, int maximum) override {
        if (++calls_ == failingRead_) throw IOException(L"Lesefehler", L"read failure", IOException::Resource);
        return MemoryInputStream::read(buffer, maximum);
    }

private:
    int failingRead_;
    int calls_ = 0;
};

TEST(BufferedInputStream, RefillThatRaisesLeavesTheStreamAsItWas) {
    const std::string x1500(1500, 'x');
    const std::string y2500(2500, 'y');
    testdriver::forEachCase<std::string, std::vector<std::string>>({
        // The second read is the refill behind a line that was moved to the front.
        {"moving a started line", "first line\n" + x1500 + "\nlast\n", {"first line", x1500, "last"}},
        // The second read is the refill of a buffer that one line made double.
        {"doubling for a long line", y2500 + "\nz\n", {y2500, "z"}},
    }, [&](const std::string& bytes, const std::vector<std::string>& expectedLines) {
        FailingOnceInputStream source(bytes, 2);
        BufferedInputStream buffered(source);
        std::vector<std::string> lines;
        int failures = 0;
        for (int call = 0; call < 20; ++call) {
            int length = -1;
            const char* line = nullptr;
            try {
                line = buffered.readLine(length);
            } catch (const IOException& e) {
                EXPECT_EQ(e.englishMessage, L"read failure");
                ++failures;
                continue;
            }
            if (!line) break;
            lines.emplace_back(line, static_cast<std::size_t>(length));
        }
        EXPECT_EQ(failures, 1);
        EXPECT_EQ(lines, expectedLines) << "no byte twice, none that was never read";
    });
}

TEST(Utf8StreamReader, DecodesLinesWithoutTreatingTheByteOrderMark) {
    std::string longUmlauts;
    std::wstring longUmlautsText;
    // 700 two-byte characters: the line passes the first buffer and sequences straddle the refills.
    for (int i = 0; i < 700; ++i) {
        longUmlauts += "\xC3\xBC";
        longUmlautsText += L'\u00FC';
    }
    testdriver::expectEachCase<std::string, std::vector<std::wstring>>(wideLines, {
        {"empty file", "", {}},
        {"BOM stays as U+FEFF", "\xEF\xBB\xBF" "Erste\r\nZweite", {L"\uFEFFErste", L"Zweite"}},
        {"umlauts and CR LF", "Gr\xC3\xBC\xC3\x9F" "e\r\n\xE2\x82\xAC\n", {L"Gr\u00FC\u00DF" L"e", L"\u20AC"}},
        {"long line of umlauts", "x\n" + longUmlauts + "\r\n", {L"x", longUmlautsText}},
        {"empty lines", "\n\r\n", {L"", L""}},
        {"zero unit cuts the string form", std::string("a\0b\nc", 5), {L"a", L"c"}},
        // Invalid UTF-8 does not stop the file: Wine 8 gives U+FFFD per bad byte, as Windows does.
        {"invalid bytes in a line", "a\xFF" "b\r\n\xC3\n", {L"a\uFFFD" L"b", L"\uFFFD"}},
    });
}

TEST(Utf8StreamReader, CountedFormReportsEveryUnitAndLeavesTheLengthAtTheEnd) {
    MemoryInputStream source(std::string("a\0b\xC3\x84\n", 6));
    Utf8StreamReader reader(source);
    int length = 0;
    const wchar_t* line = reader.readLine(length);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(std::wstring(line, static_cast<std::size_t>(length)), std::wstring(L"a\0b\u00C4", 4));
    length = 42;
    EXPECT_EQ(reader.readLine(length), nullptr);
    EXPECT_EQ(length, 42);
    reader.close();
    EXPECT_EQ(source.closes, 1);
}

TEST(Utf8StreamReader, OverAFileThatDidNotOpenRaisesTheNotOpenPairAtConstruction) {
    testdriver::ScratchFolder folder{L"support_io_Zürich"};
    const std::wstring path = folder / L"launch.ini";
    FileInputStream input(path);
    const IOException e = testdriver::thrownBy([&] { Utf8StreamReader reader(input); });
    EXPECT_EQ(e.englishMessage, L"The file " + path + L" is not open");
    EXPECT_EQ(e.germanMessage, L"Die Datei " + path + L" ist nicht offen");
}

TEST(Utf8StreamReader, ReadsTheFirstLineOfARealFile) {
    testdriver::ScratchFolder folder{L"support_io_Zürich"};
    const std::wstring path = folder / L"win.vmoptions";
    testdriver::writeBytes(path, "-Xmx512m -Dname=M\xC3\xBCller\r\n-Xss2m\r\n");
    FileInputStream input(path);
    ASSERT_TRUE(input.isOpen());
    Utf8StreamReader reader(input);
    std::wstring line;
    ASSERT_TRUE(reader.readLine(line));
    EXPECT_EQ(line, L"-Xmx512m -Dname=M\u00FCller");
    reader.close();
    EXPECT_FALSE(input.isOpen());
}

}  // namespace
