#pragma once

#include <map>
#include <string>

namespace testdriver {

// What the stand-in MAPI32.dll received in its last MAPISendMail call. Texts are the narrow
// (ANSI code page) bytes exactly as the program handed them over. The tests write expected
// records as braced lists in this field order.
struct MapiRecord {
    bool present = false;  // false: MAPISendMail was not called (no record file)
    int calls = 0;         // MAPISendMail calls recorded since the record file was cleared
    std::string recipientName;
    std::string recipientAddress;
    unsigned long recipientClass = 0;
    unsigned long recipientCount = 0;
    std::string subject;
    std::string body;
    std::string conversationId;
    bool messageTypeNull = true;
    unsigned long fileCount = 0;
    unsigned long flags = 0;
    unsigned long long uiParam = 0;
};

// Which library the tests put into the prefix's system folder as mapi32.dll.
enum class MapiVariant {
    StandIn,          // exports MAPISendMail, records and answers as told
    WithoutExport,    // loads, but has no MAPISendMail
    None              // no mapi32.dll in the system folder at all
};

// Installs the chosen variant into the system folder (the tests run with mapi32 set to native).
void installMapi(MapiVariant variant);

// Environment for a program under test: the stand-in records into recordFile (deleted first by
// this call) and answers MAPISendMail with result (0 = success, 1 = user abort, ...).
std::map<std::wstring, std::wstring> standInMapiEnvironment(const std::wstring& recordFile, unsigned long result);

// Reads the stand-in's record file.
MapiRecord readMapiRecord(const std::wstring& recordFile);

// Expects a record to be present and to hold expected's calls and mail, field by field (a
// failure names the field). uiParam is left to the caller: it is the window of the call, not
// part of the mail.
void expectMapiRecord(const MapiRecord& record, const MapiRecord& expected);

}  // namespace testdriver
