#include "tests/mail/MailTestSupport.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

#include <windows.h>

#include "tests/driver/Dialogs.h"
#include "tests/driver/Process.h"

namespace mailtest {

namespace {

constexpr DWORD kDialogTimeoutMs = 20000;
constexpr DWORD kExitTimeoutMs = 30000;

void waitUntilGone(const testdriver::Dialog& dialog) {
    const ULONGLONG deadline = ::GetTickCount64() + kDialogTimeoutMs;
    while (::IsWindow(dialog.window) && ::IsWindowVisible(dialog.window) && ::GetTickCount64() < deadline)
        ::Sleep(20);
}

void removeTree(const std::wstring& folder) {
    for (const std::wstring& name : folderEntries(folder)) {
        const std::wstring path = folder + name;
        if (::GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY) {
            removeTree(path + L"\\");
            ::RemoveDirectoryW(path.c_str());
        } else {
            ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileW(path.c_str());
        }
    }
}

}  // namespace

RunResult runAnswering(const std::wstring& commandLine, const std::vector<Answer>& answers,
                       const std::map<std::wstring, std::wstring>& environment, const std::wstring& currentFolder) {
    RunResult result;
    testdriver::Process process(commandLine, currentFolder, environment);
    for (const Answer& answer : answers) {
        const testdriver::Dialog dialog = testdriver::waitForDialog(process, kDialogTimeoutMs);
        if (!dialog) break;
        const bool save = testdriver::isSaveDialog(dialog);
        result.dialogs.push_back({testdriver::caption(dialog), save ? L"" : testdriver::messageText(dialog), save});
        const bool done = answer.savePath.empty() ? testdriver::pressButton(dialog, answer.button)
                                                  : testdriver::enterFileNameAndSave(dialog, answer.savePath);
        if (!done) break;
        waitUntilGone(dialog);
    }
    std::vector<std::wstring> unexpected;
    const int extra = testdriver::answerDialogsUntilExit(process, IDNO, kExitTimeoutMs, &unexpected);
    for (const std::wstring& seen : unexpected) result.dialogs.push_back({seen, L"(unexpected)", false});
    result.ended = extra >= 0;
    result.exitCode = process.exitCode();
    return result;
}

std::wstring freshFolder(const std::wstring& name) {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + name + L"\\";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    removeTree(folder);
    return folder;
}

std::vector<std::wstring> folderEntries(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    const HANDLE find = ::FindFirstFileW((folder + L"*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
    return names;
}

bool fileExists(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string readBytes(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write a test file");
}

std::string utf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0], size, nullptr, nullptr);
    return bytes;
}

std::wstring fromUtf8(const std::string& bytes) {
    if (bytes.empty()) return std::wstring();
    const int size = ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0], size);
    return text;
}

std::string narrow(const std::wstring& asciiText) {
    return std::string(asciiText.begin(), asciiText.end());
}

std::wstring quoted(const std::wstring& argument) {
    // Backslashes count only before a quote: double them there, and before the closing quote.
    std::wstring result = L"\"";
    size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
        } else if (c == L'"') {
            result.append(backslashes + 1, L'\\');
            backslashes = 0;
        } else {
            backslashes = 0;
        }
        result += c;
    }
    result.append(backslashes, L'\\');
    return result + L"\"";
}

}  // namespace mailtest
