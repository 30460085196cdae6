#pragma once

#include <map>
#include <string>
#include <vector>

#include <windows.h>

#include "support/UniqueResource.h"

namespace testdriver {

// A program started by a test. The destructor ends it if it still runs, so a failing test leaves
// no process behind in the shared prefix.
class Process {
public:
    // Starts commandLine (program path quoted by the caller as needed) in currentFolder (empty:
    // the test's own) with the test's environment plus the given variables. Throws
    // std::runtime_error when the program cannot be started.
    Process(const std::wstring& commandLine, const std::wstring& currentFolder = L"",
            const std::map<std::wstring, std::wstring>& extraEnvironment = {});
    ~Process();

    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    DWORD id() const { return id_; }
    HANDLE handle() const { return info_.process.get(); }
    // True when the program ended within the time-out.
    bool waitForExit(DWORD timeoutMs);
    // The exit code; STILL_ACTIVE while it runs.
    DWORD exitCode() const;

private:
    UniqueProcessInformation info_;
    DWORD id_ = 0;
};

// The arguments of a command line as Windows splits them (CommandLineToArgvW), the program
// first; a Java runtime splits its command line by the same rules.
std::vector<std::wstring> splitArguments(const std::wstring& commandLine);

// Starts a program, waits up to timeoutMs and returns its exit code; fails the calling test
// (through the returned code 0xFFFFFFFF) when it does not end in time.
DWORD runToExit(const std::wstring& commandLine, DWORD timeoutMs, const std::wstring& currentFolder = L"",
                const std::map<std::wstring, std::wstring>& extraEnvironment = {});

}  // namespace testdriver
