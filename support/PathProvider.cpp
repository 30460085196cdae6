#include "support/PathProvider.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include "support/FolderOperations.h"
#include "support/GrowingBuffer.h"
#include "support/UniqueResource.h"

namespace {

const wchar_t kVendorFolder[] = L"TavrelBank";

// The shell folder of the given identifier with a trailing backslash; false when the shell
// cannot name it.
bool shellFolder(int folderId, std::wstring& folder) {
    wchar_t buffer[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, folderId, nullptr, SHGFP_TYPE_CURRENT, buffer))) return false;
    folder = withTrailingBackslash(buffer);
    return true;
}

void createIfMissing(const std::wstring& folder) {
    if (!isDirectory(folder)) createMissingFolder(folder);
}

}  // namespace

std::wstring withTrailingBackslash(const std::wstring& folder) {
    if (folder.empty() || folder.back() == L'\\') return folder;
    return folder + L"\\";
}

std::wstring programFilePath() {
    // A path that fills the buffer has been cut: the helper asks again with more room.
    return callWithGrowingBuffer([](wchar_t* buffer, unsigned long capacity) {
        return ::GetModuleFileNameW(nullptr, buffer, capacity);
    });
}

PathProvider::PathProvider(const std::wstring& applicationName) : applicationName_(applicationName) {}

std::wstring PathProvider::getDataFolder(Creation creation) const {
    if (creation == Creation::NameOnly) {
        // The mailer and the cleaner only look: a profile that does not exist is not made.
        std::wstring local;
        if (!shellFolder(CSIDL_LOCAL_APPDATA, local)) return std::wstring();
        return local + kVendorFolder + L"\\" + applicationName_ + L"\\";
    }
    // CSIDL_FLAG_CREATE: a fresh profile may not have its local application data folder yet.
    std::wstring path;
    if (!shellFolder(CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, path)) return std::wstring();
    path += kVendorFolder;
    createIfMissing(path);
    path += L"\\" + applicationName_;
    createIfMissing(path);
    return path + L"\\";
}

std::wstring PathProvider::getDocumentsFolder() const {
    std::wstring path;
    if (!shellFolder(CSIDL_PERSONAL, path)) return std::wstring();
    path += kVendorFolder;
    createIfMissing(path);
    return path + L"\\";
}

std::wstring PathProvider::getLogsFolder() const {
    return getDataFolder(Creation::NameOnly) + L"logs\\";
}

std::wstring getProfilesFolder() {
    // Only a known-folder identifier names this folder; there is no CSIDL for it. The string is
    // the caller's to free whether or not the call succeeds.
    UniqueCoTaskString folder;
    if (FAILED(::SHGetKnownFolderPath(FOLDERID_UserProfiles, KF_FLAG_DONT_VERIFY, nullptr, folder.put()))) {
        return std::wstring();
    }
    return withTrailingBackslash(folder.get());
}

std::wstring getWindowsFolder() {
    return withTrailingBackslash(callWithGrowingBuffer([](wchar_t* buffer, unsigned long capacity) {
        return ::GetSystemWindowsDirectoryW(buffer, capacity);
    }));
}
