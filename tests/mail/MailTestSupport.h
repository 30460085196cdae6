#pragma once

#include <map>
#include <string>
#include <vector>

#include "tests/driver/MapiStandIn.h"

// Helpers of the mail tests: a scratch folder, and one run of a program whose dialogs are
// answered in a given order.
namespace mailtest {

// A dialog as the user saw it.
struct ShownDialog {
    std::wstring caption;
    std::wstring text;  // a message box's text; empty for the Save dialog
    bool saveDialog = false;
};

// How to answer the next dialog: press a button, or type a path into the Save dialog and save.
struct Answer {
    int button = 0;
    std::wstring savePath;
    static Answer press(int button) { return Answer{button, L""}; }
    static Answer saveAs(const std::wstring& path) { return Answer{0, path}; }
};

struct RunResult {
    std::vector<ShownDialog> dialogs;  // in the order shown, including any beyond the answers
    bool ended = false;                // ended within the time-out
    unsigned long exitCode = 0;
};

// Starts commandLine, answers its dialogs with the given answers in order, then answers any
// further dialog with No (OK on a box without No, Cancel on a Save dialog) until it ends.
RunResult runAnswering(const std::wstring& commandLine, const std::vector<Answer>& answers,
                       const std::map<std::wstring, std::wstring>& environment,
                       const std::wstring& currentFolder = L"");

// Expects exactly the given dialogs, in order.
void expectDialogs(const RunResult& run, const std::vector<ShownDialog>& expected);

// The question after a refused mail to the support mailbox, and the file saved instead (UTF-8).
extern const std::wstring kSaveCaption;
extern const std::wstring kSaveQuestion;
std::string savedReport(const std::string& subject, const std::string& body);

// Expects the record of exactly one mail to the support mailbox as the dispatch sends it (one To
// recipient, SMTP, no files, MAPI_LOGON_UI | MAPI_DIALOG), with this subject and body.
void expectSupportMail(const testdriver::MapiRecord& mail, const std::string& subject, const std::string& body);

// A fresh, empty folder under the temp folder, with a trailing backslash. The name is fixed, so a
// test can empty a folder it made before.
std::wstring freshFolder(const std::wstring& name);
// Every entry of a folder except "." and "..".
std::vector<std::wstring> folderEntries(const std::wstring& folder);

}  // namespace mailtest
