// Test program for the mail dispatch. Command lines:
//   mail_probe <outcome file> save <subject> <body>
//   mail_probe <outcome file> warn <recipient name> <recipient address> <subject> <body>
//   mail_probe <outcome file> send <times> <recipient name> <recipient address> <subject> <body>
// It writes what happened into the outcome file as UTF-8: "done" (save, warn), one "sent" or
// "not sent" line per send, or "IOException <kind>" followed by the German and the English text.
#include <string>
#include <vector>

#include <windows.h>

#include <shellapi.h>

#include "support/IOException.h"
#include "support/MailDispatch.h"
#include "support/UniqueResource.h"

namespace {

std::vector<std::wstring> arguments() {
    int count = 0;
    wchar_t** const values = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    const UniqueLocalMemory valuesOwner(values);
    if (!values) return {};
    return std::vector<std::wstring>(values, values + count);
}

void writeOutcome(const std::wstring& path, const std::wstring& text) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string bytes(size, '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0], size, nullptr, nullptr);
    const UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    DWORD written = 0;
    ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::wstring run(const std::vector<std::wstring>& a) {
    const std::wstring& command = a[2];
    if (command == L"save" && a.size() == 5) {
        mailOrSave(a[3].c_str(), a[4].c_str());
        return L"done";
    }
    if (command == L"warn" && a.size() == 7) {
        mailOrWarn(a[3].c_str(), a[4].c_str(), a[5].c_str(), a[6].c_str());
        return L"done";
    }
    if (command == L"send" && a.size() == 8) {
        std::wstring outcome;
        for (int i = std::stoi(a[3]); i > 0; --i) {
            outcome += sendMail(a[4].c_str(), a[5].c_str(), a[6].c_str(), a[7].c_str()) ? L"sent\n" : L"not sent\n";
        }
        return outcome;
    }
    return L"usage";
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const std::vector<std::wstring> a = arguments();
    if (a.size() < 3) return 2;
    try {
        writeOutcome(a[1], run(a));
    } catch (const IOException& e) {
        writeOutcome(a[1], L"IOException " + std::to_wstring(e.kind) + L"\n" + e.germanMessage + L"\n" +
                               e.englishMessage);
    }
    return 0;
}
