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
    Process(const std::wstring& commandLine, const std::wstring& currentFolder = std::wstring(),
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

// A second process (support_fs_file_holder.exe) holding a file open, as a running client holds
// its files: shared for reading but not for deleting, or with exclusive shared with nobody. It
// keeps the file until release() or for holdMs at the most. Throws std::runtime_error when the
// holder cannot be started.
class FileHolder {
public:
    FileHolder(const std::wstring& path, DWORD holdMs, bool exclusive = false);
    // True once the holder has the file open.
    bool waitUntilHeld(DWORD timeoutMs) const;
    void release() const { ::SetEvent(release_.get()); }
    Process& process() { return process_; }

private:
    std::wstring tag_;  // makes the event names unique
    UniqueHandle ready_;
    UniqueHandle release_;
    Process process_;  // last: ended before the events are closed
};

// The arguments of a command line as Windows splits them (CommandLineToArgvW), the program
// first; a Java runtime splits its command line by the same rules.
std::vector<std::wstring> splitArguments(const std::wstring& commandLine);

// One command-line argument, quoted so that CommandLineToArgvW gives it back unchanged.
std::wstring quoted(const std::wstring& argument);

// Starts a program, waits up to timeoutMs and returns its exit code; fails the calling test
// (through the returned code 0xFFFFFFFF) when it does not end in time.
DWORD runToExit(const std::wstring& commandLine, DWORD timeoutMs, const std::wstring& currentFolder = L"",
                const std::map<std::wstring, std::wstring>& extraEnvironment = {});

}  // namespace testdriver
