#include "support/CrtFileStream.h"

#include <cstdio>

#include "support/IOException.h"

IOException fileNotOpen(const std::wstring& path) {
    return IOException(L"Die Datei " + path + L" ist nicht offen",
                       L"The file " + path + L" is not open",
                       IOException::Resource);
}

void closeCrtFile(UniqueCrtFile& file, const std::wstring& path) {
    if (!file) return;
    // Forget the stream before closing it: after a failed fclose it counts as closed as well.
    FILE* const raw = file.release();
    if (std::fclose(raw) != 0) {
        throw IOException(L"Fehler beim Schliessen der Datei " + path,
                          L"Error closing file " + path,
                          IOException::Resource);
    }
}
