// The stand-in MAPI library and its reader, tested in-process: what other areas' end-to-end tests
// conclude from a record is only as good as this round trip.
#include <string>

#include <gtest/gtest.h>

#include <windows.h>

#include <mapi.h>

#include "support/UniqueResource.h"
#include "tests/driver/MapiStandIn.h"
#include "tests/driver/TestPaths.h"

namespace {

class MapiStandInTest : public ::testing::Test {
protected:
    void SetUp() override {
        recordFile_ = testdriver::tempPath(L"brivane-standin-selftest.rec");
        ::DeleteFileW(recordFile_.c_str());
        // Loaded from the build tree by full path: this test does not depend on the prefix.
        module_.reset(::LoadLibraryW(testdriver::builtFile(L"tools\\mapi32.dll").c_str()));
        ASSERT_TRUE(module_);
        send_ = reinterpret_cast<LPMAPISENDMAIL>(
            reinterpret_cast<void*>(::GetProcAddress(module_.get(), "MAPISendMail")));
        ASSERT_NE(send_, nullptr);
    }
    void TearDown() override {
        ::SetEnvironmentVariableW(L"STANDIN_MAPI_RECORD", nullptr);
        ::SetEnvironmentVariableW(L"STANDIN_MAPI_RESULT", nullptr);
        send_ = nullptr;
        module_.reset();
        ::DeleteFileW(recordFile_.c_str());
    }
    void useEnvironment(unsigned long result) {
        for (const auto& [name, value] : testdriver::standInMapiEnvironment(recordFile_, result))
            ::SetEnvironmentVariableW(name.c_str(), value.c_str());
    }

    std::wstring recordFile_;
    UniqueModule module_;
    LPMAPISENDMAIL send_ = nullptr;
};

TEST_F(MapiStandInTest, RecordsEveryFieldOfTheLastCallAndCountsCalls) {
    useEnvironment(0);
    // Texts that look like the record's own framing must come back unchanged.
    char name[] = "Name 5\nfake\n";
    char address[] = "smtp:a@b.example";
    char subject[] = "call\n";
    char body[] = "line 1\r\nbody 3\n\xFC\x80?";
    char conversation[] = "SMTP";
    char type[] = "IPM.Note";
    MapiRecipDesc recipient = {};
    recipient.ulRecipClass = MAPI_CC;
    recipient.lpszName = name;
    recipient.lpszAddress = address;
    MapiMessage message = {};
    message.lpszSubject = subject;
    message.lpszNoteText = body;
    message.lpszConversationID = conversation;
    message.lpszMessageType = type;
    message.nRecipCount = 1;
    message.lpRecips = &recipient;
    message.nFileCount = 3;

    EXPECT_EQ(testdriver::readMapiRecord(recordFile_).present, false);
    EXPECT_EQ(send_(0, 0, &message, 0, 0), 0u);
    message.lpszMessageType = nullptr;
    EXPECT_EQ(send_(0, 0x1234, &message, MAPI_LOGON_UI | MAPI_DIALOG, 0), 0u);

    const testdriver::MapiRecord record = testdriver::readMapiRecord(recordFile_);
    // In the order of MapiRecord's fields; flags 9 = MAPI_LOGON_UI | MAPI_DIALOG.
    testdriver::expectMapiRecord(record, {true, 2, name, address, MAPI_CC, 1, subject, body, "SMTP", true, 3, 9});
    EXPECT_EQ(record.uiParam, 0x1234u);
}

TEST_F(MapiStandInTest, AnswersWithTheRequestedResult) {
    for (const unsigned long result : {0ul, 1ul, 2ul, 26ul}) {
        SCOPED_TRACE(result);
        useEnvironment(result);
        MapiMessage message = {};
        EXPECT_EQ(send_(0, 0, &message, 0, 0), result);
        EXPECT_EQ(testdriver::readMapiRecord(recordFile_).calls, 1);
    }
}

}  // namespace
