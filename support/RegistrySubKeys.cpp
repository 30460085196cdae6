#include "support/RegistrySubKeys.h"

#include "support/UniqueResource.h"

namespace {

// A key name has at most 255 units; one more for the terminator.
constexpr DWORD kKeyNameUnits = 256;

}  // namespace

bool listRegistrySubKeys(HKEY rootKey, const std::wstring& path, REGSAM viewFlags, std::vector<std::wstring>& names) {
    names.clear();
    UniqueRegKey key;
    if (::RegOpenKeyExW(rootKey, path.c_str(), 0, KEY_READ | viewFlags, key.put()) != ERROR_SUCCESS) return false;
    for (DWORD index = 0;; ++index) {
        wchar_t name[kKeyNameUnits];
        DWORD length = kKeyNameUnits;
        // ERROR_NO_MORE_ITEMS ends the list; any other failure leaves the rest unread, which for
        // a search means fewer candidates, never a wrong one.
        if (::RegEnumKeyExW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(name, length);
    }
    return true;
}
