#pragma once

#include <string>

// The first line of a text file, verbatim but for a leading byte-order mark: UTF-16LE after the
// mark FF FE, UTF-16BE after FE FF, UTF-8 otherwise (after a UTF-8 mark or none); empty when the
// file cannot be opened or holds no byte. Throws IOException on read or conversion errors.
std::wstring readFirstLine(const std::wstring& path);
