#pragma once

#include <string>
#include <vector>

#include <windows.h>

#include "support/UniqueResource.h"

// Read-only access to one registry key. Never throws: a key that cannot be opened reports itself
// as not open, and every read from it answers false.
class RegistryEntry {
public:
    // Opens path below a predefined root with KEY_READ plus viewFlags (0, KEY_WOW64_64KEY or
    // KEY_WOW64_32KEY). Which key a view flag reaches depends on the build and the Windows it
    // runs on; see RegistryEntry.cpp.
    RegistryEntry(HKEY rootKey, const std::wstring& path, REGSAM viewFlags);
    // Opens name below an open parent; makes no registry call when the parent is not open.
    RegistryEntry(const RegistryEntry& parent, const std::wstring& name, REGSAM viewFlags);
    virtual ~RegistryEntry();

    RegistryEntry(const RegistryEntry&) = delete;
    RegistryEntry& operator=(const RegistryEntry&) = delete;

    virtual bool isOpen() const;
    // REG_SZ, REG_EXPAND_SZ (not expanded) or the first string of REG_MULTI_SZ, at most 32766
    // bytes; false (out empty) for anything else.
    virtual bool getString(const std::wstring& name, std::wstring& out) const;
    // A REG_DWORD value; false (out unchanged) for anything else.
    virtual bool getDword(const std::wstring& name, DWORD& out) const;
    // getDword formatted as "0x%x"; false (out empty) when getDword fails.
    virtual bool getDwordText(const std::wstring& name, std::wstring& out) const;

private:
    // Readers of the key beyond the class's own interface (RegistrySubKeys.h), granted the handle
    // so that they need not open the key a second time.
    friend bool listRegistrySubKeys(const RegistryEntry& key, std::vector<std::wstring>& names);
    friend bool getExpandedString(const RegistryEntry& key, const std::wstring& name, std::wstring& out);

    HKEY rootKey_;       // the predefined root, never closed; null below a parent entry
    UniqueRegKey key_;   // null while not open
    bool open_;
};

// key.getString, with the environment references of a REG_EXPAND_SZ value expanded, as installers
// mean them ("%SystemDrive%\rt\"); other string values as they stand. Never throws.
bool getExpandedString(const RegistryEntry& key, const std::wstring& name, std::wstring& out);
