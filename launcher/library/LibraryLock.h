#pragma once

#include <string>

#include "support/UniqueResource.h"

class LogfileWriter;

// The name of the mutex that guards the library folders of one application folder, in the
// session's namespace (two users never wait for each other). It comes from the folder's identity
// (its volume's serial number and its file index), so every spelling of one folder gives one name:
// 8.3 names, trailing or doubled backslashes, "." segments, a relative path, another drive letter
// for the same volume. Where the identity cannot be read (no folder there yet, no rights), it
// comes from the canonical long path, case folded. Never throws.
std::wstring libraryMutexName(const std::wstring& appDirFolder);

// What one wait for the mutex came to: owned; taken over from a holder that ended without
// releasing it (killed, logged off); still held by another launcher; or failed (WAIT_FAILED, the
// system's error in GetLastError). Never throws.
enum class LockWaitResult { Owned, TakenOver, Busy, Failed };
LockWaitResult lockWaitResultOf(unsigned long waitResult);

// Holds the library folders of one application folder for this launcher: seeding, swap, class
// path and repair run under it, so that a second launcher (a double click on a slow first start)
// never copies, swaps or reads a class path from a half-done library. It waits for another holder
// at most timeoutMs, servicing the splash window meanwhile; a holder that died (killed, logged
// off) hands the folders over as they are, and the steps then clean up what it left. Every
// process of the user shares the one mutex, elevated or not.
class LibraryLock {
public:
    static constexpr unsigned long kDefaultTimeoutMs = 60000;

    // Throws IOException (kind InUse) when another launcher holds the folders longer than
    // timeoutMs, or (kind Resource) when the mutex cannot be created or waited for (the failed
    // wait is logged with the system's error). Logs when it had to wait and when it took the
    // folders over from a holder that ended.
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
