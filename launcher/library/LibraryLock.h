#pragma once

#include <string>

#include "support/UniqueResource.h"

class LogfileWriter;

// The name of the mutex that guards the library folders of one application folder: in the
// session's namespace (two users never wait for each other), the same for every spelling of the
// folder that differs only in case. Never throws.
std::wstring libraryMutexName(const std::wstring& appDirFolder);

// Holds the library folders of one application folder for this launcher: seeding, swap, class
// path and repair run under it, so that a second launcher (a double click on a slow first start)
// never copies, swaps or reads a class path from a half-done library. It waits for another holder
// at most timeoutMs, servicing the splash window meanwhile; a holder that died (killed, logged
// off) hands the folders over as they are, and the steps then clean up what it left.
class LibraryLock {
public:
    static constexpr unsigned long kDefaultTimeoutMs = 60000;

    // Throws IOException (kind InUse) when another launcher holds the folders longer than
    // timeoutMs, or (kind Resource) when the mutex cannot be created. Logs when it had to wait.
    LibraryLock(const std::wstring& appDirFolder, LogfileWriter& log, unsigned long timeoutMs = kDefaultTimeoutMs);
    ~LibraryLock();  // releases; never throws

    LibraryLock(const LibraryLock&) = delete;
    LibraryLock& operator=(const LibraryLock&) = delete;

    // Lets the next launcher in before the object ends. Never throws.
    void release() noexcept;

private:
    UniqueHandle mutex_;
    bool owned_ = false;
};
