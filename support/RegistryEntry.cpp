#include "support/RegistryEntry.h"

#include <cwchar>
#include <vector>

#include "support/EnvironmentVariable.h"

namespace {

// Room for 32766 bytes of value plus one terminating NUL that the value may lack.
constexpr DWORD kStringBufferBytes = 32768;
constexpr DWORD kStringValueLimitBytes = kStringBufferBytes - sizeof(wchar_t);

}  // namespace

RegistryEntry::RegistryEntry(HKEY rootKey, const std::wstring& path, REGSAM viewFlags)
    : rootKey_(rootKey), key_(), open_(false) {
    // The view flags in the two builds we ship:
    // - In a 64-bit program, viewFlags 0 and KEY_WOW64_64KEY both open the native (64-bit) keys, and
    //   KEY_WOW64_32KEY opens what 32-bit programs see (below "SOFTWARE\WOW6432Node" for the
    //   redirected HKEY_LOCAL_MACHINE keys).
    // - In a 32-bit program on 64-bit Windows, viewFlags 0 and KEY_WOW64_32KEY open the 32-bit keys;
    //   only KEY_WOW64_64KEY reaches the 64-bit ones. On 32-bit Windows both flags are ignored and
    //   select the same single key, so the 64-bit and the 32-bit runtime search read the same values.
    // The callers pass the view explicitly wherever it matters (the Java runtime search), so their
    // result is the same for either build; only the proxy settings below HKEY_CURRENT_USER use 0,
    // and that key is shared by both views.
    open_ = ::RegOpenKeyExW(rootKey_, path.c_str(), 0, KEY_READ | viewFlags, key_.put()) == ERROR_SUCCESS;
}

RegistryEntry::RegistryEntry(const RegistryEntry& parent, const std::wstring& name, REGSAM viewFlags)
    : rootKey_(nullptr), key_(), open_(false) {
    // Below a key that did not open there is nothing to look up.
    if (!parent.isOpen()) return;
    open_ = ::RegOpenKeyExW(parent.key_.get(), name.c_str(), 0, KEY_READ | viewFlags, key_.put()) ==
            ERROR_SUCCESS;
}

RegistryEntry::~RegistryEntry() = default;

bool RegistryEntry::isOpen() const {
    return open_;
}

bool RegistryEntry::getString(const std::wstring& name, std::wstring& out) const {
    out.clear();
    if (!key_) return false;
    std::vector<wchar_t> buffer(kStringBufferBytes / sizeof(wchar_t));
    DWORD type = 0;
    DWORD size = kStringValueLimitBytes;
    if (::RegQueryValueExW(key_.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                           &size) != ERROR_SUCCESS) {
        return false;  // missing, unreadable, or longer than the limit (ERROR_MORE_DATA)
    }
    if (type != REG_SZ && type != REG_MULTI_SZ && type != REG_EXPAND_SZ) return false;
    // A value may be stored without its terminator (or with an odd byte count): end it at the
    // size the registry returned. The first NUL also ends the first string of a REG_MULTI_SZ.
    buffer[size / sizeof(wchar_t)] = L'\0';
    out = buffer.data();
    return true;
}

bool RegistryEntry::getDword(const std::wstring& name, DWORD& out) const {
    if (!key_) return false;
    DWORD value = 0;
    DWORD type = 0;
    DWORD size = sizeof(value);
    if (::RegQueryValueExW(key_.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD) {
        return false;
    }
    out = value;
    return true;
}

bool RegistryEntry::getDwordText(const std::wstring& name, std::wstring& out) const {
    DWORD value = 0;
    if (!getDword(name, value)) {
        out.clear();
        return false;
    }
    wchar_t text[16] = {};
    std::swprintf(text, sizeof(text) / sizeof(text[0]), L"0x%x", static_cast<unsigned int>(value));
    out = text;
    return true;
}

bool getExpandedString(const RegistryEntry& key, const std::wstring& name, std::wstring& out) {
    if (!key.getString(name, out)) return false;
    DWORD type = 0;
    if (::RegQueryValueExW(key.key_.get(), name.c_str(), nullptr, &type, nullptr, nullptr) == ERROR_SUCCESS &&
        type == REG_EXPAND_SZ) {
        out = expandEnvironmentStrings(out);
    }
    return true;
}
