#include <climits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/FileOutputStream.h"
#include "support/IOException.h"
#include "support/PrintWriter.h"
#include "support/StringWriter.h"
#include "support/Utf8StreamWriter.h"
#include "tests/driver/CaseTable.h"
#include "tests/driver/ScratchFolder.h"
#include "tests/driver/TextFiles.h"
#include "tests/driver/ThrownBy.h"
#include "tests/support_io/MemoryStreams.h"

namespace {

using supportio::MemoryOutputStream;

TEST(PrintWriter, PrintlnWritesUtf8ThenCrLfInTwoWritesWithoutByteOrderMark) {
    MemoryOutputStream target;
    Utf8StreamWriter utf8(target);
    PrintWriter printer(utf8);
    printer.println(L"\u00C4");
    EXPECT_EQ(target.writes, (std::vector<std::string>{"\xC3\x84", "\r\n"}));
    EXPECT_EQ(target.flushes, 0) << "no automatic flush";

    printer.print(L"");
    printer.newLine();
    printer.write(L"a\nb", 3);
    EXPECT_EQ(target.all(), "\xC3\x84\r\n\r\na\nb") << "no line-end translation";
}

TEST(PrintWriter, FlushAndCloseReachTheFileButDestructionClosesNothing) {
    testdriver::ScratchFolder folder{L"support_io_Zürich"};
    const std::wstring path = folder / L"kette.txt";
    FileOutputStream file(path);
    ASSERT_TRUE(file.isOpen());
    {
        Utf8StreamWriter utf8(file);
        PrintWriter printer(utf8);
        printer.print(L"eins");
        EXPECT_EQ(testdriver::fileSize(path), 0) << "still in the C runtime buffer";
        printer.flush();
        EXPECT_EQ(testdriver::fileSize(path), 4);
    }
    EXPECT_TRUE(file.isOpen()) << "upper layers do not own the stream";
    {
        Utf8StreamWriter utf8(file);
        PrintWriter printer(utf8);
        printer.println(L"zwei");
        printer.close();
    }
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(testdriver::readBytes(path), "einszwei\r\n");
}

TEST(Utf8StreamWriter, WritingToAClosedFileRaisesTheNotOpenPair) {
    testdriver::ScratchFolder folder{L"support_io_Zürich"};
    const std::wstring path = folder / L"zu.txt";
    FileOutputStream file(path);
    file.close();
    Utf8StreamWriter utf8(file);
    const IOException e = testdriver::thrownBy([&] { utf8.write(L"x", 1); });
    EXPECT_EQ(e.germanMessage, L"Die Datei " + path + L" ist nicht offen");
}

TEST(StringWriter, GrowsByThirtyPercentAndKeepsTheText) {
    StringWriter writer;
    EXPECT_EQ(writer.capacity(), 8000);
    EXPECT_EQ(std::wstring(writer.text()), L"");

    const std::wstring first(7999, L'\u00E4');
    writer.write(first.c_str(), 7999);
    EXPECT_EQ(writer.capacity(), 8000) << "7999 units and the terminator fit";
    writer.write(L"!", 1);
    EXPECT_EQ(writer.capacity(), 10401);
    EXPECT_EQ(writer.length(), 8000);
    EXPECT_EQ(std::wstring(writer.text()), first + L"!");

    writer.write(L"zero\0inside", 11);
    EXPECT_EQ(writer.length(), 8011);
    EXPECT_EQ(std::wstring(writer.text(), 8011), first + L"!" + std::wstring(L"zero\0inside", 11));
    EXPECT_EQ(writer.text()[8011], L'\0');
}

TEST(StringWriter, ReserveGrowsOnceByTheSameRuleAndLaterWritesFitWithoutMoving) {
    // The capacity is the one after the reserve.
    testdriver::forEachCase<long long, int>({
        {"less than held: nothing", 100, 8000},
        {"exactly held: nothing", 8000, 8000},
        {"negative: nothing", -5, 8000},
        {"one more than held", 8001, 10401},
        {"report sized", 1000000, 1300000},
    }, [&](long long units, int capacity) {
        StringWriter writer;
        writer.write(L"Kopf\r\n", 6);
        writer.reserve(units);
        EXPECT_EQ(writer.capacity(), capacity);
        EXPECT_EQ(writer.length(), 6);
        EXPECT_EQ(std::wstring(writer.text()), L"Kopf\r\n") << "text and terminator moved over";

        // Filling the reserved room up to its last unit (the terminator's) neither grows nor moves
        // the buffer.
        const wchar_t* const buffer = writer.text();
        const std::wstring rest(static_cast<size_t>(capacity - 6 - 1), L'\u00FC');
        writer.write(rest.c_str(), static_cast<int>(rest.size()));
        EXPECT_EQ(writer.capacity(), capacity);
        EXPECT_EQ(writer.text(), buffer);
        EXPECT_EQ(writer.text()[writer.length()], L'\0');
        EXPECT_EQ(std::wstring(writer.text(), 6), L"Kopf\r\n");
    });
}

TEST(StringWriter, ReservingMoreThanA32BitCountHoldsRaisesNotEnoughMemoryAndKeepsTheText) {
    for (const long long units : {2000000000LL, 1LL << 40}) {
        SCOPED_TRACE(units);
        StringWriter writer;
        writer.write(L"Bericht", 7);
        const IOException e = testdriver::thrownBy([&] { writer.reserve(units); });
        EXPECT_EQ(e.englishMessage, L"Not enough memory");
        EXPECT_EQ(e.kind, IOException::Resource);
        EXPECT_EQ(writer.capacity(), 8000);
        EXPECT_EQ(std::wstring(writer.text()), L"Bericht");
    }
}

TEST(StringWriter, ATextThatWouldPassA32BitCountRaisesNotEnoughMemoryAndStaysIntact) {
    testdriver::forEachCase<int>({
        {"length + count + 1 overflows int", INT_MAX - 3},
        {"need fits but the 30 percent do not", 1700000000},
    }, [&](int count) {
        StringWriter writer;
        writer.write(L"Bericht", 7);
        // The limit is checked before the text is read, so a short text stands in for a huge one.
        const IOException e = testdriver::thrownBy([&] { writer.write(L"x", count); });
        EXPECT_EQ(e.germanMessage, L"Nicht genügend Speicher");
        EXPECT_EQ(e.englishMessage, L"Not enough memory");
        EXPECT_EQ(e.kind, IOException::Resource);
        EXPECT_EQ(writer.length(), 7);
        EXPECT_EQ(writer.capacity(), 8000);
        EXPECT_EQ(std::wstring(writer.text()), L"Bericht");
        writer.write(L" weiter", 7);
        EXPECT_EQ(std::wstring(writer.text()), L"Bericht weiter");
    });
}

}  // namespace
