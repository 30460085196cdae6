#include "tests/driver/MapiStandIn.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

#include <windows.h>

#include <gtest/gtest.h>

#include "support/GrowingBuffer.h"
#include "tests/driver/TestPaths.h"

namespace testdriver {

namespace {

std::wstring systemFolder() {
    const std::wstring folder = callWithGrowingBuffer([](wchar_t* buffer, unsigned long capacity) {
        return ::GetSystemDirectoryW(buffer, capacity);
    });
    if (folder.empty()) throw std::runtime_error("GetSystemDirectoryW failed");
    return folder;
}

std::string readFileBytes(const std::wstring& path, bool& found) {
    std::ifstream in(path.c_str(), std::ios::binary);
    found = static_cast<bool>(in);
    if (!found) return std::string();
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// One "<name> <byte count>\n<bytes>\n" field, or the "call" line that starts a record.
struct Field {
    std::string name;
    std::string value;
};

std::vector<Field> parseFields(const std::string& bytes) {
    std::vector<Field> fields;
    size_t position = 0;
    while (position < bytes.size()) {
        const size_t lineEnd = bytes.find('\n', position);
        if (lineEnd == std::string::npos) throw std::runtime_error("stand-in record truncated");
        const std::string header = bytes.substr(position, lineEnd - position);
        position = lineEnd + 1;
        if (header == "call") {
            fields.push_back({"call", ""});
            continue;
        }
        const size_t blank = header.find(' ');
        if (blank == std::string::npos) throw std::runtime_error("stand-in record malformed: " + header);
        const size_t count = std::strtoul(header.c_str() + blank + 1, nullptr, 10);
        if (position + count + 1 > bytes.size()) throw std::runtime_error("stand-in record truncated");
        fields.push_back({header.substr(0, blank), bytes.substr(position, count)});
        position += count + 1;
    }
    return fields;
}

unsigned long long number(const std::string& value) {
    return std::strtoull(value.c_str(), nullptr, 10);
}

}  // namespace

void installMapi(MapiVariant variant) {
    const std::wstring target = systemFolder() + L"\\mapi32.dll";
    const std::wstring source =
        builtFile(variant == MapiVariant::StandIn ? L"tools\\mapi32.dll" : L"tools\\mapi32-noexport.dll");
    // A program that has just ended may still have the library mapped for a moment, and a mapped
    // image can be neither deleted nor overwritten: retry for a while before giving up.
    DWORD error = 0;
    for (int attempt = 0; attempt < 50; ++attempt) {
        const bool done = variant == MapiVariant::None
                              ? ::DeleteFileW(target.c_str()) || ::GetLastError() == ERROR_FILE_NOT_FOUND
                              : ::CopyFileW(source.c_str(), target.c_str(), FALSE) != FALSE;
        if (done) return;
        error = ::GetLastError();
        ::Sleep(100);
    }
    throw std::runtime_error("cannot put the chosen MAPI library into the system folder, error " +
                             std::to_string(error));
}

std::map<std::wstring, std::wstring> standInMapiEnvironment(const std::wstring& recordFile, unsigned long result) {
    ::DeleteFileW(recordFile.c_str());
    return {{L"STANDIN_MAPI_RECORD", recordFile}, {L"STANDIN_MAPI_RESULT", std::to_wstring(result)}};
}

MapiRecord readMapiRecord(const std::wstring& recordFile) {
    MapiRecord record;
    bool found = false;
    const std::string bytes = readFileBytes(recordFile, found);
    if (!found) return record;
    // Every call appends a complete record; the fields of the last one win.
    for (const Field& field : parseFields(bytes)) {
        if (field.name == "call") {
            const int calls = record.calls + 1;
            record = MapiRecord();
            record.calls = calls;
            record.present = true;
        } else if (field.name == "uiParam") {
            record.uiParam = number(field.value);
        } else if (field.name == "flags") {
            record.flags = static_cast<unsigned long>(number(field.value));
        } else if (field.name == "subject") {
            record.subject = field.value;
        } else if (field.name == "body") {
            record.body = field.value;
        } else if (field.name == "messageTypeNull") {
            record.messageTypeNull = field.value == "1";
        } else if (field.name == "conversationId") {
            record.conversationId = field.value;
        } else if (field.name == "recipientCount") {
            record.recipientCount = static_cast<unsigned long>(number(field.value));
        } else if (field.name == "fileCount") {
            record.fileCount = static_cast<unsigned long>(number(field.value));
        } else if (field.name == "recipientClass") {
            record.recipientClass = static_cast<unsigned long>(number(field.value));
        } else if (field.name == "recipientName") {
            record.recipientName = field.value;
        } else if (field.name == "recipientAddress") {
            record.recipientAddress = field.value;
        }
    }
    return record;
}

void expectMapiRecord(const MapiRecord& record, const MapiRecord& expected) {
    ASSERT_TRUE(record.present);
    EXPECT_EQ(record.calls, expected.calls);
    EXPECT_EQ(record.recipientName, expected.recipientName);
    EXPECT_EQ(record.recipientAddress, expected.recipientAddress);
    EXPECT_EQ(record.recipientClass, expected.recipientClass);
    EXPECT_EQ(record.recipientCount, expected.recipientCount);
    EXPECT_EQ(record.subject, expected.subject);
    EXPECT_EQ(record.body, expected.body);
    EXPECT_EQ(record.conversationId, expected.conversationId);
    EXPECT_EQ(record.messageTypeNull, expected.messageTypeNull);
    EXPECT_EQ(record.fileCount, expected.fileCount);
    EXPECT_EQ(record.flags, expected.flags);
}

}  // namespace testdriver
