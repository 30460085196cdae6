#include "launcher/ProcessStart.h"

#include <vector>

#include <windows.h>

unsigned long startProcess(const std::wstring& commandLine, unsigned long creationFlags,
                           UniqueProcessInformation& process) {
    // CreateProcessW may write into the command line: hand it a copy of its own.
    std::vector<wchar_t> writableCommandLine(commandLine.begin(), commandLine.end());
    writableCommandLine.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION information{};
    if (!::CreateProcessW(nullptr, writableCommandLine.data(), nullptr, nullptr, FALSE, creationFlags, nullptr,
                          nullptr, &startup, &information)) {
        return ::GetLastError();
    }
    process.process.reset(information.hProcess);
    process.thread.reset(information.hThread);
    return 0;
}
