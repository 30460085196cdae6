#include "support/RegistrySubKeys.h"

#include <windows.h>

#include "support/RegistryEntry.h"

namespace {

// A key name has at most 255 units; one more for the terminator.
constexpr DWORD kKeyNameUnits = 256;

}  // namespace

bool listRegistrySubKeys(const RegistryEntry& key, std::vector<std::wstring>& names) {
    names.clear();
    if (!key.key_) return false;
    for (DWORD index = 0;; ++index) {
        wchar_t name[kKeyNameUnits];
        DWORD length = kKeyNameUnits;
        // ERROR_NO_MORE_ITEMS ends the list; any other failure leaves the rest unread, which for
        // a search means fewer candidates, never a wrong one.
        if (::RegEnumKeyExW(key.key_.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(name, length);
    }
    return true;
}
