#pragma once

#include <string>

#include "support/UniqueResource.h"

class IOException;

// What FileInputStream and FileOutputStream share about the C runtime stream they own.

// The pair raised when a stream is used after it was closed or failed to open.
IOException fileNotOpen(const std::wstring& path);

// Closes file if it is open; a closed one is left alone. Throws IOException when fclose fails;
// the stream counts as closed either way.
void closeCrtFile(UniqueCrtFile& file, const std::wstring& path);
