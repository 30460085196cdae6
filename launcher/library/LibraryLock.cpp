#include "launcher/library/LibraryLock.h"

#include <cstdint>
#include <vector>

#include <windows.h>

#include "support/IOException.h"
#include "support/LogfileWriter.h"
#include "support/MessageQueue.h"

std::wstring libraryMutexName(const std::wstring& appDirFolder) {
    // A mutex name may not hold a backslash after its namespace and is limited to MAX_PATH, so
    // the folder goes in as a hash of its upper-case form (file names compare without case).
    std::vector<wchar_t> folded(appDirFolder.begin(), appDirFolder.end());
    if (!folded.empty()) ::CharUpperBuffW(folded.data(), static_cast<DWORD>(folded.size()));
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a, 64 bits
    for (const wchar_t unit : folded) {
        hash ^= static_cast<std::uint16_t>(unit);
        hash *= 1099511628211ull;
    }
    const wchar_t* const digits = L"0123456789abcdef";
    std::wstring name = L"Local\\TavrelBank.brivane.library.";
    for (int shift = 60; shift >= 0; shift -= 4) name += digits[(hash >> shift) & 15];
    return name;
}

namespace {

// Waits for the mutex while the splash window stays painted. True once this thread owns it (also
// when the previous owner died), false after timeoutMs.
bool waitOwning(HANDLE mutex, unsigned long timeoutMs) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        const ULONGLONG now = ::GetTickCount64();
        const DWORD remaining = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
        const DWORD result = ::MsgWaitForMultipleObjects(1, &mutex, FALSE, remaining, QS_ALLINPUT);
        if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED_0) return true;
        if (result != WAIT_OBJECT_0 + 1) return false;
        drainMessages();
    }
}

}  // namespace

LibraryLock::LibraryLock(const std::wstring& appDirFolder, LogfileWriter& log, unsigned long timeoutMs) {
    mutex_.reset(::CreateMutexW(nullptr, FALSE, libraryMutexName(appDirFolder).c_str()));
    if (!mutex_) {
        throw IOException(L"Der Ordner " + appDirFolder + L" kann nicht für diesen Start reserviert werden.",
                          L"The folder " + appDirFolder + L" can not be reserved for this start.",
                          IOException::Resource);
    }
    const DWORD immediate = ::WaitForSingleObject(mutex_.get(), 0);
    if (immediate == WAIT_OBJECT_0 || immediate == WAIT_ABANDONED) {
        owned_ = true;
        return;
    }
    log.log(L"Waiting for another launcher to finish the library folders in " + appDirFolder);
    const ULONGLONG started = ::GetTickCount64();
    if (!waitOwning(mutex_.get(), timeoutMs)) {
        log.log(L"Still busy after " + std::to_wstring(timeoutMs) + L" ms");
        throw IOException(L"Der Ordner " + appDirFolder +
                              L" wird gerade von einem anderen Start der Anwendung vorbereitet.",
                          L"The folder " + appDirFolder + L" is being prepared by another start of the application.",
                          IOException::InUse);
    }
    owned_ = true;
    log.log(L"Library folders free after " + std::to_wstring(::GetTickCount64() - started) + L" ms");
}

LibraryLock::~LibraryLock() {
    release();
}

void LibraryLock::release() noexcept {
    if (owned_) ::ReleaseMutex(mutex_.get());
    owned_ = false;
}
