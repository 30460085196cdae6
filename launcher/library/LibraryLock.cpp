#include "launcher/library/LibraryLock.h"

#include <cstdint>
#include <vector>

#include <windows.h>
#include <sddl.h>

#include "support/GrowingBuffer.h"
#include "support/IOException.h"
#include "support/LogfileWriter.h"
#include "support/MessageQueue.h"

namespace {

const wchar_t kNamePrefix[] = L"Local\\TavrelBank.brivane.library.";

std::wstring hexDigits(std::uint64_t value, int digits) {
    const wchar_t* const hex = L"0123456789abcdef";
    std::wstring text;
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) text += hex[(value >> shift) & 15];
    return text;
}

// The path joined to the current folder with "." and ".." segments resolved, doubled backslashes
// made single (past a network path's leading pair) and without a trailing backslash.
std::wstring fullFolderPath(const std::wstring& folder) {
    if (folder.empty()) return folder;
    std::wstring full = callWithGrowingBuffer([&folder](wchar_t* buffer, unsigned long capacity) {
        return ::GetFullPathNameW(folder.c_str(), capacity, buffer, nullptr);
    });
    if (full.empty()) full = folder;
    std::wstring folded;
    for (std::size_t i = 0; i < full.size(); ++i) {
        if (i >= 2 && full[i] == L'\\' && folded.back() == L'\\') continue;
        folded += full[i];
    }
    while (folded.size() > 3 && folded.back() == L'\\') folded.pop_back();
    return folded;
}

// The volume serial number and file index of the folder; false when it cannot be opened.
bool readFolderIdentity(const std::wstring& folder, std::uint32_t& volume, std::uint64_t& index) {
    // Only the attributes: a folder held by another program without sharing still answers.
    const UniqueFileHandle handle(::CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION information{};
    if (!handle || !::GetFileInformationByHandle(handle.get(), &information)) return false;
    volume = information.dwVolumeSerialNumber;
    index = (static_cast<std::uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
    return true;
}

// The long form of every 8.3 name in the path, upper-cased (file names compare without case),
// hashed: a mutex name may not hold a backslash after its namespace and is limited to MAX_PATH.
std::wstring canonicalPathKey(const std::wstring& fullPath) {
    std::wstring path = callWithGrowingBuffer([&fullPath](wchar_t* buffer, unsigned long capacity) {
        return ::GetLongPathNameW(fullPath.c_str(), buffer, capacity);
    });
    if (path.empty()) path = fullPath;  // a folder not there yet keeps the names it was given
    std::vector<wchar_t> folded(path.begin(), path.end());
    if (!folded.empty()) ::CharUpperBuffW(folded.data(), static_cast<DWORD>(folded.size()));
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a, 64 bits
    for (const wchar_t unit : folded) {
        hash ^= static_cast<std::uint16_t>(unit);
        hash *= 1099511628211ull;
    }
    return hexDigits(hash, 16);
}

// A security descriptor that lets this user wait on and release the mutex from every one of its
// processes, elevated or not. An elevated process otherwise gives its objects a default security
// that only administrators may open, and a launcher started normally beside it is refused instead
// of waiting; the medium label lets such a launcher use the mutex of an elevated one. Null (the
// default security) when the user cannot be named.
UniqueLocalMemory sharedMutexSecurity() {
    HANDLE rawToken = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &rawToken)) return UniqueLocalMemory();
    const UniqueHandle token(rawToken);
    DWORD needed = 0;
    ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &needed);
    std::vector<unsigned char> buffer(needed);
    if (needed == 0 || !::GetTokenInformation(token.get(), TokenUser, buffer.data(), needed, &needed)) {
        return UniqueLocalMemory();
    }
    LPWSTR sidText = nullptr;
    if (!::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &sidText)) {
        return UniqueLocalMemory();
    }
    const UniqueLocalMemory sidOwner(sidText);
    const std::wstring access = L"(A;;0x1f0001;;;" + std::wstring(sidText) + L")(A;;0x1f0001;;;BA)(A;;0x1f0001;;;SY)";
    for (const std::wstring& descriptor : {L"D:" + access + L"S:(ML;;NW;;;ME)", L"D:" + access}) {
        PSECURITY_DESCRIPTOR security = nullptr;
        if (::ConvertStringSecurityDescriptorToSecurityDescriptorW(descriptor.c_str(), SDDL_REVISION_1, &security,
                                                                   nullptr)) {
            return UniqueLocalMemory(security);
        }
    }
    return UniqueLocalMemory();
}

UniqueHandle openLibraryMutex(const std::wstring& name) {
    const UniqueLocalMemory security = sharedMutexSecurity();
    SECURITY_ATTRIBUTES attributes{sizeof attributes, security.get(), FALSE};
    // Only what waiting and releasing need: all that the mutex of an elevated launcher grants.
    constexpr DWORD kAccess = SYNCHRONIZE | MUTEX_MODIFY_STATE;
    UniqueHandle mutex(::CreateMutexExW(security ? &attributes : nullptr, name.c_str(), 0, kAccess));
    // A mutex made with other security (an older launcher): waiting may still be granted.
    if (!mutex && ::GetLastError() == ERROR_ACCESS_DENIED) mutex.reset(::OpenMutexW(kAccess, FALSE, name.c_str()));
    return mutex;
}

// Waits for the mutex while the splash window stays painted; the result of the wait that ended it.
DWORD waitServicingMessages(HANDLE mutex, unsigned long timeoutMs) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        const ULONGLONG now = ::GetTickCount64();
        const DWORD remaining = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
        const DWORD result = ::MsgWaitForMultipleObjects(1, &mutex, FALSE, remaining, QS_ALLINPUT);
        if (result != WAIT_OBJECT_0 + 1) return result;
        drainMessages();
    }
}

IOException notReserved(const std::wstring& appDirFolder) {
    return IOException(L"Der Ordner " + appDirFolder + L" kann nicht für diesen Start reserviert werden.",
                       L"The folder " + appDirFolder + L" can not be reserved for this start.",
                       IOException::Resource);
}

}  // namespace

std::wstring libraryMutexName(const std::wstring& appDirFolder) {
    const std::wstring full = fullFolderPath(appDirFolder);
    std::uint32_t volume = 0;
    std::uint64_t index = 0;
    if (readFolderIdentity(full, volume, index)) return kNamePrefix + hexDigits(volume, 8) + L"." + hexDigits(index, 16);
    return kNamePrefix + std::wstring(L"path.") + canonicalPathKey(full);
}

LockWaitResult lockWaitResultOf(unsigned long waitResult) {
    switch (waitResult) {
        case WAIT_OBJECT_0: return LockWaitResult::Owned;
        case WAIT_ABANDONED_0: return LockWaitResult::TakenOver;
        case WAIT_TIMEOUT: return LockWaitResult::Busy;
        default: return LockWaitResult::Failed;
    }
}

LibraryLock::LibraryLock(const std::wstring& appDirFolder, LogfileWriter& log, unsigned long timeoutMs) {
    mutex_ = openLibraryMutex(libraryMutexName(appDirFolder));
    if (!mutex_) throw notReserved(appDirFolder);
    LockWaitResult result = lockWaitResultOf(::WaitForSingleObject(mutex_.get(), 0));
    DWORD error = ::GetLastError();
    if (result == LockWaitResult::Busy) {
        log.log(L"Waiting for another launcher to finish the library folders in " + appDirFolder);
        const ULONGLONG started = ::GetTickCount64();
        result = lockWaitResultOf(waitServicingMessages(mutex_.get(), timeoutMs));
        error = ::GetLastError();
        if (result == LockWaitResult::Busy) {
            log.log(L"Still busy after " + std::to_wstring(timeoutMs) + L" ms");
            throw IOException(L"Der Ordner " + appDirFolder +
                                  L" wird gerade von einem anderen Start der Anwendung vorbereitet.",
                              L"The folder " + appDirFolder +
                                  L" is being prepared by another start of the application.",
                              IOException::InUse);
        }
        if (result != LockWaitResult::Failed) {
            log.log(L"Library folders free after " + std::to_wstring(::GetTickCount64() - started) + L" ms");
        }
    }
    if (result == LockWaitResult::Failed) {
        log.log(L"Waiting for the library folders failed, error " + std::to_wstring(error));
        throw notReserved(appDirFolder);
    }
    if (result == LockWaitResult::TakenOver) {
        log.log(L"Library folders taken over from a launcher that ended without releasing them");
    }
    owned_ = true;
}

LibraryLock::~LibraryLock() {
    release();
}

void LibraryLock::release() noexcept {
    if (owned_) ::ReleaseMutex(mutex_.get());
    owned_ = false;
}
