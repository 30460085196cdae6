// mapirelay through Wine's own Simple MAPI: Wine reads the MapiMessage and MapiRecipDesc records
// with its own definition of their layout and starts xdg-email with a mailto: URL made from them.
// If our records were laid out for the wrong architecture, the address, subject or body would come
// out wrong or empty here, although our own stand-in (built from the same header) reads them fine.
#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <windows.h>

#include "tests/driver/Dialogs.h"
#include "tests/driver/Process.h"
#include "tests/driver/TestPaths.h"

using namespace testdriver;

namespace {

constexpr DWORD kTimeoutMs = 30000;

// The recording xdg-email that CTest puts first on PATH writes here, one argument per line.
std::wstring recordFile() {
    return builtFile(L"wine_mapi\\xdg-email-record.txt");
}

// Waits until the recorder has written its file (Wine starts it from a process of its own, which
// may run on after the relay has ended); empty when it never came.
std::string waitForRecord(DWORD timeoutMs) {
    for (DWORD waited = 0; waited < timeoutMs; waited += 100) {
        std::ifstream in(recordFile().c_str(), std::ios::binary);
        if (in) return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        ::Sleep(100);
    }
    return std::string();
}

std::string percentDecoded(const std::string& text) {
    std::string decoded;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            decoded += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

// The value of one field of the URL's query, decoded; "(none)" when the URL lacks the field.
std::string queryField(const std::string& url, const std::string& name) {
    const size_t query = url.find('?');
    if (query == std::string::npos) return "(none)";
    size_t start = query + 1;
    while (start <= url.size()) {
        const size_t end = std::min(url.find('&', start), url.size());
        const std::string field = url.substr(start, end - start);
        if (field.compare(0, name.size() + 1, name + "=") == 0) return percentDecoded(field.substr(name.size() + 1));
        start = end + 1;
    }
    return "(none)";
}

TEST(WineMapi, ReadsRecipientSubjectAndBodyFromOurRecords) {
    ::DeleteFileW(recordFile().c_str());
    // Texts with the characters a mailto: URL must encode, so Wine's encoder is not a pass-through.
    Process relay(L"\"" + builtFile(L"mapirelay.exe") +
                  L"\" \"Anna Example;smtp:anna@example.com;Report & more? 100%;Line 1\\nLine 2 = ok\"");
    std::vector<std::wstring> seen;
    EXPECT_EQ(answerDialogsUntilExit(relay, IDOK, kTimeoutMs, &seen), 0)
        << "the relay warned: " << testing::PrintToString(seen);
    EXPECT_EQ(relay.exitCode(), 0u);

    const std::string record = waitForRecord(kTimeoutMs);
    ASSERT_FALSE(record.empty()) << "xdg-email was not started";
    const std::string url = record.substr(0, record.find('\n'));
    ASSERT_EQ(url.compare(0, 7, "mailto:"), 0) << url;
    // Wine drops the address type "smtp:" that the relay passes on.
    EXPECT_EQ(percentDecoded(url.substr(7, url.find('?') - 7)), "anna@example.com") << url;
    EXPECT_EQ(queryField(url, "subject"), "Report & more? 100%") << url;
    EXPECT_EQ(queryField(url, "body"), "Line 1\nLine 2 = ok") << url;
    ::DeleteFileW(recordFile().c_str());
}

}  // namespace
