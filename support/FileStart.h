#pragma once

#include <cstddef>
#include <string>

// Up to limit bytes from the start of a file, opened shared with every other opener. False (bytes
// holding what was read before the failure) when the file cannot be opened or a read fails; for
// callers to which an unreadable file is no file. Never throws.
bool tryReadFileStart(const std::wstring& path, std::size_t limit, std::string& bytes);
