// Stand-in for MAPISendMail. Every call appends one record of the message it received to the
// file named by STANDIN_MAPI_RECORD and answers with STANDIN_MAPI_RESULT (default 0, success).
// The format is read back by tests/driver/MapiStandIn.cpp: a line "call", then one field per
// entry as "<name> <byte count>\n<bytes>\n", so texts with any bytes survive unchanged.
#include <cstdlib>
#include <string>

#include <windows.h>

#include <mapi.h>

#include "support/UniqueResource.h"

namespace {

std::wstring environmentValue(const wchar_t* name) {
    wchar_t buffer[32768];
    const DWORD length = ::GetEnvironmentVariableW(name, buffer, 32768);
    if (length == 0 || length >= 32768) return std::wstring();
    return std::wstring(buffer, length);
}

void addField(std::string& record, const char* name, const std::string& bytes) {
    record += name;
    record += ' ';
    record += std::to_string(bytes.size());
    record += '\n';
    record += bytes;
    record += '\n';
}

void addText(std::string& record, const char* name, const char* text) {
    addField(record, name, text ? std::string(text) : std::string());
    addField(record, (std::string(name) + "Null").c_str(), text ? "0" : "1");
}

void addNumber(std::string& record, const char* name, unsigned long long value) {
    addField(record, name, std::to_string(value));
}

std::string describe(ULONG_PTR uiParam, const MapiMessage* message, FLAGS flags) {
    std::string record = "call\n";
    addNumber(record, "uiParam", uiParam);
    addNumber(record, "flags", flags);
    addNumber(record, "messageNull", message ? 0 : 1);
    if (message) {
        addText(record, "subject", message->lpszSubject);
        addText(record, "body", message->lpszNoteText);
        addText(record, "messageType", message->lpszMessageType);
        addText(record, "conversationId", message->lpszConversationID);
        addNumber(record, "recipientCount", message->nRecipCount);
        addNumber(record, "fileCount", message->nFileCount);
        if (message->nRecipCount > 0 && message->lpRecips) {
            const MapiRecipDesc& recipient = message->lpRecips[0];
            addNumber(record, "recipientClass", recipient.ulRecipClass);
            addText(record, "recipientName", recipient.lpszName);
            addText(record, "recipientAddress", recipient.lpszAddress);
        }
    }
    return record;
}

void append(const std::wstring& path, const std::string& record) {
    // Opened and closed per call, shared, so a test can read the file while the program still runs.
    const UniqueFileHandle file(::CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    DWORD written = 0;
    ::WriteFile(file.get(), record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
}

}  // namespace

extern "C" ULONG WINAPI MAPISendMail(LHANDLE, ULONG_PTR uiParam, lpMapiMessage message, FLAGS flags, ULONG) {
    const std::wstring recordFile = environmentValue(L"STANDIN_MAPI_RECORD");
    if (!recordFile.empty()) append(recordFile, describe(uiParam, message, flags));
    const std::wstring result = environmentValue(L"STANDIN_MAPI_RESULT");
    return result.empty() ? SUCCESS_SUCCESS : static_cast<ULONG>(std::wcstoul(result.c_str(), nullptr, 10));
}
