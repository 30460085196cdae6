#pragma once

#include <string>
#include <vector>

class RegistryEntry;

// The names of the sub-keys of an entry's key, in the registry's order, listed through the key the
// entry already holds (so in the view it was opened with). False (names empty) when the entry is
// not open. Never throws.
bool listRegistrySubKeys(const RegistryEntry& key, std::vector<std::wstring>& names);
