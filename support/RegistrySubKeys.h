#pragma once

#include <string>
#include <vector>

#include <windows.h>

// The names of the sub-keys of path below a predefined root, opened for reading in the view that
// viewFlags selects (0, KEY_WOW64_64KEY or KEY_WOW64_32KEY), in the registry's order. False (names
// empty) when the key cannot be opened. Never throws.
bool listRegistrySubKeys(HKEY rootKey, const std::wstring& path, REGSAM viewFlags, std::vector<std::wstring>& names);
