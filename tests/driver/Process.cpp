#include "tests/driver/Process.h"

#include <stdexcept>
#include <vector>

#include <windows.h>
#include <shellapi.h>

#include "tests/driver/TestPaths.h"

namespace testdriver {

namespace {

// Environment block of this process with the given variables added or replaced.
std::vector<wchar_t> environmentWith(const std::map<std::wstring, std::wstring>& extra) {
    std::map<std::wstring, std::wstring> variables;
    LPWCH block = ::GetEnvironmentStringsW();
    for (const wchar_t* entry = block; *entry; entry += wcslen(entry) + 1) {
        const std::wstring text(entry);
        const size_t equals = text.find(L'=', 1);  // names like "=C:" start with '='
        if (equals != std::wstring::npos) variables[text.substr(0, equals)] = text.substr(equals + 1);
    }
    ::FreeEnvironmentStringsW(block);
    for (const auto& [name, value] : extra) variables[name] = value;
    std::vector<wchar_t> result;
    for (const auto& [name, value] : variables) {
        const std::wstring entry = name + L"=" + value;
        result.insert(result.end(), entry.begin(), entry.end());
        result.push_back(L'\0');
    }
    result.push_back(L'\0');
    return result;
}

std::wstring holderTag() {
    static int holders = 0;
    return L"_" + std::to_wstring(::GetCurrentProcessId()) + L"_" + std::to_wstring(++holders);
}

}  // namespace

Process::Process(const std::wstring& commandLine, const std::wstring& currentFolder,
                 const std::map<std::wstring, std::wstring>& extraEnvironment) {
    std::vector<wchar_t> writableCommandLine(commandLine.begin(), commandLine.end());
    writableCommandLine.push_back(L'\0');
    std::vector<wchar_t> environment = environmentWith(extraEnvironment);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(nullptr, writableCommandLine.data(), nullptr, nullptr, FALSE,
                          CREATE_UNICODE_ENVIRONMENT, environment.data(),
                          currentFolder.empty() ? nullptr : currentFolder.c_str(), &startup, &info)) {
        throw std::runtime_error("CreateProcessW failed with error " + std::to_string(::GetLastError()));
    }
    info_.process.reset(info.hProcess);
    info_.thread.reset(info.hThread);
    id_ = info.dwProcessId;
}

Process::~Process() {
    if (exitCode() == STILL_ACTIVE) {
        ::TerminateProcess(info_.process.get(), 1);
        ::WaitForSingleObject(info_.process.get(), 5000);
    }
}

bool Process::waitForExit(DWORD timeoutMs) {
    return ::WaitForSingleObject(info_.process.get(), timeoutMs) == WAIT_OBJECT_0;
}

DWORD Process::exitCode() const {
    DWORD code = 0;
    if (!::GetExitCodeProcess(info_.process.get(), &code)) return 0xFFFFFFFF;
    return code;
}

DWORD runToExit(const std::wstring& commandLine, DWORD timeoutMs, const std::wstring& currentFolder,
                const std::map<std::wstring, std::wstring>& extraEnvironment) {
    Process process(commandLine, currentFolder, extraEnvironment);
    if (!process.waitForExit(timeoutMs)) return 0xFFFFFFFF;
    return process.exitCode();
}

FileHolder::FileHolder(const std::wstring& path, DWORD holdMs, bool exclusive)
    : tag_(holderTag()),
      ready_(::CreateEventW(nullptr, TRUE, FALSE, (L"brivane_holder_ready" + tag_).c_str())),
      release_(::CreateEventW(nullptr, TRUE, FALSE, (L"brivane_holder_release" + tag_).c_str())),
      process_(L"\"" + builtFile(L"support_fs_file_holder.exe") + L"\" \"" + path + L"\" brivane_holder_ready" + tag_ +
               L" brivane_holder_release" + tag_ + L" " + std::to_wstring(holdMs) +
               (exclusive ? L" exclusive" : L"")) {}

bool FileHolder::waitUntilHeld(DWORD timeoutMs) const {
    return ::WaitForSingleObject(ready_.get(), timeoutMs) == WAIT_OBJECT_0;
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

std::vector<std::wstring> splitArguments(const std::wstring& commandLine) {
    int count = 0;
    LPWSTR* arguments = ::CommandLineToArgvW(commandLine.c_str(), &count);
    const UniqueLocalMemory owner(reinterpret_cast<HLOCAL>(arguments));
    std::vector<std::wstring> split;
    for (int i = 0; arguments != nullptr && i < count; ++i) split.push_back(arguments[i]);
    return split;
}

}  // namespace testdriver
