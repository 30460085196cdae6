#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <windows.h>

#include "support/DateTimeFormatter.h"
#include "support/IOException.h"
#include "support/LogfileWriter.h"
#include "tests/driver/CaseTable.h"
#include "tests/driver/ScratchFolder.h"
#include "tests/driver/TextFiles.h"
#include "tests/driver/ThrownBy.h"

namespace {

using testdriver::ScratchFolder;

std::wstring twoDigits(int value) { return (value < 10 ? L"0" : L"") + std::to_wstring(value); }

bool sameSecond(const SYSTEMTIME& a, const SYSTEMTIME& b) {
    return a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDay == b.wDay && a.wHour == b.wHour &&
           a.wMinute == b.wMinute && a.wSecond == b.wSecond;
}

TEST(DateTimeFormatter, RendersTheLocalClockWithBothPicturesOnThe24HourClock) {
    const DateTimeFormatter fileName(L"yyyy_MM_dd_", L"HHmmss");
    // Retried until the clock does not move during the call, so the result can be predicted.
    for (int attempt = 0; attempt < 5; ++attempt) {
        SYSTEMTIME before;
        ::GetLocalTime(&before);
        std::wstring out = L"old content that must go";
        fileName.format(out);
        SYSTEMTIME after;
        ::GetLocalTime(&after);
        if (!sameSecond(before, after)) continue;
        const std::wstring expected = std::to_wstring(before.wYear) + L"_" + twoDigits(before.wMonth) + L"_" +
                                      twoDigits(before.wDay) + L"_" + twoDigits(before.wHour) +
                                      twoDigits(before.wMinute) + twoDigits(before.wSecond);
        EXPECT_EQ(out, expected);
        return;
    }
    FAIL() << "the clock moved during every attempt";
}

TEST(DateTimeFormatter, ForcesThe24HourClockEvenForA12HourPicture) {
    // "hh" on its own would give 02 at 14 o'clock; the forced 24-hour clock keeps 14.
    const DateTimeFormatter hours(L"", L"hh");
    for (int attempt = 0; attempt < 5; ++attempt) {
        SYSTEMTIME before;
        ::GetLocalTime(&before);
        std::wstring out;
        hours.format(out);
        SYSTEMTIME after;
        ::GetLocalTime(&after);
        if (before.wHour != after.wHour) continue;
        EXPECT_EQ(out, twoDigits(before.wHour));
        return;
    }
    FAIL() << "the hour changed during every attempt";
}

TEST(DateTimeFormatter, CopiesEverythingButThePictureLetters) {
    const DateTimeFormatter formatter(L"'Datum:' yyyy.MM.dd ", L"HH:mm:ss ");
    std::wstring out;
    formatter.format(out);
    EXPECT_TRUE(std::regex_match(out, std::wregex(LR"(Datum: \d{4}\.\d{2}\.\d{2} ([01]\d|2[0-3]):[0-5]\d:[0-5]\d )")))
        << std::string(out.begin(), out.end());
}

class LogfileWriterTest : public ::testing::Test {
protected:
    ScratchFolder folder{L"support_io_Zürich"};
};

TEST_F(LogfileWriterTest, WritesPrefixedUtf8LinesWithCrLfAndNoByteOrderMark) {
    const std::wstring path = folder / L"kvl_2024_03_05_090702.launch.log";
    {
        LogfileWriter log(path);
        EXPECT_FALSE(log.isInUse());
        EXPECT_EQ(testdriver::fileSize(path), 0) << "nothing written at construction";
        // Every line is with the system when log returns: the file grows by prefix, message and
        // CR LF at each call, while the writer still holds it.
        long long expectedSize = 0;
        for (const std::wstring& message :
             {std::wstring(L"Launcher initialized, version 2"), std::wstring(), std::wstring(L"AppDir=C:\\Users\\J\u00FCrg\\AppData"),
              std::wstring(L"two\nlines")}) {
            log.log(message);
            expectedSize += 20 + static_cast<long long>(testdriver::utf8(message).size()) + 2;
            EXPECT_EQ(testdriver::fileSize(path), expectedSize) << testdriver::utf8(message);
        }
    }
    const std::string content = testdriver::readBytes(path);
    const std::string stamp = R"(\d{4}\.\d{2}\.\d{2} ([01]\d|2[0-3]):[0-5]\d:[0-5]\d )";
    const std::regex expected(stamp + "Launcher initialized, version 2\r\n" +  //
                              stamp + "\r\n" +                                    //
                              stamp + "AppDir=C:\\\\Users\\\\J\xC3\xBCrg\\\\AppData\r\n" +
                              stamp + "two\nlines\r\n");
    EXPECT_TRUE(std::regex_match(content, expected)) << content;
    EXPECT_NE(content.substr(0, 3), "\xEF\xBB\xBF");
}

TEST_F(LogfileWriterTest, EveryLineCarriesTheTimeOfItsOwnSecond) {
    // Lines logged across second boundaries: each stamp must be the time before or after its own
    // log call, never one left over from an earlier second.
    const std::wstring path = folder / L"kvl_stamps.launch.log";
    const DateTimeFormatter clock(L"yyyy.MM.dd ", L"HH:mm:ss ");
    std::vector<std::wstring> before;
    std::vector<std::wstring> after;
    {
        LogfileWriter log(path);
        const ULONGLONG start = ::GetTickCount64();
        std::wstring stamp;
        while (::GetTickCount64() - start < 2200) {
            clock.format(stamp);
            before.push_back(stamp);
            log.log(L"line " + std::to_wstring(before.size()));
            clock.format(stamp);
            after.push_back(stamp);
            ::Sleep(3);
        }
    }
    ASSERT_NE(before.front(), after.back()) << "the clock stood still";
    const std::string content = testdriver::readBytes(path);
    std::size_t start = 0;
    for (std::size_t i = 0; i < before.size(); ++i) {
        const std::size_t end = content.find("\r\n", start);
        ASSERT_NE(end, std::string::npos) << "line " << i + 1 << " missing";
        const std::wstring line = testdriver::fromUtf8(content.substr(start, end - start));
        const std::wstring stamp = line.substr(0, 20);
        EXPECT_TRUE(stamp == before[i] || stamp == after[i]) << testdriver::utf8(line);
        EXPECT_EQ(line.substr(20), L"line " + std::to_wstring(i + 1));
        start = end + 2;
    }
    EXPECT_EQ(start, content.size());
}

TEST_F(LogfileWriterTest, ASecondWriterOnTheSamePathFindsTheFileInUse) {
    const std::wstring path = folder / L"kvl_gleich.launch.log";
    LogfileWriter first(path);
    LogfileWriter second(path);
    EXPECT_FALSE(first.isInUse());
    EXPECT_TRUE(second.isInUse());
    first.log(L"first");
    const IOException e = testdriver::thrownBy([&] { second.log(L"second"); });
    EXPECT_EQ(e.germanMessage, L"Die Datei " + path + L" ist nicht offen");
    EXPECT_EQ(e.englishMessage, L"The file " + path + L" is not open");
}

TEST_F(LogfileWriterTest, AFileThatCannotBeCreatedIsNotInUseAndEveryLogRaises) {
    testdriver::forEachCase<std::wstring>({
        {"missing folder", folder / L"logs\\kvl.launch.log"},
        // Access denied (13) too, but no file of that name: still not in use.
        {"path names a folder", folder.path()},
    }, [&](const std::wstring& path) {
        LogfileWriter log(path);
        EXPECT_FALSE(log.isInUse());
        const IOException e = testdriver::thrownBy([&] { log.log(L"x"); });
        EXPECT_EQ(e.englishMessage, L"The file " + path + L" is not open");
        EXPECT_EQ(e.kind, IOException::Resource);
    });
}

}  // namespace
