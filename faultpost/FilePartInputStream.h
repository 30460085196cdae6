#pragma once

#include <string>

#include "support/InputStream.h"
#include "support/UniqueResource.h"

// Reads the bytes of a file from firstByte up to endByte (or its end, when it is shorter), shared
// with every other opener like FileInputStream: the last part of a log that a client may still
// write, without reading what comes before. Opening never throws: a file that cannot be opened,
// or not positioned, shows as isOpen() == false, and the first read throws the not-open pair.
class FilePartInputStream : public InputStream {
public:
    FilePartInputStream(const std::wstring& path, unsigned long long firstByte, unsigned long long endByte);
    ~FilePartInputStream() override;  // closes; never throws

    FilePartInputStream(const FilePartInputStream&) = delete;
    FilePartInputStream& operator=(const FilePartInputStream&) = delete;

    int read(char* buffer, int maximum) override;  // throws IOException
    void close() override;                         // throws IOException when fclose fails
    bool isOpen() const;

private:
    std::wstring path_;
    UniqueCrtFile file_;
    unsigned long long left_;
};

// Where the first whole line of the file at or after firstByte begins: firstByte itself when the
// byte before it ends a line, else just after the next LF; endByte when no line begins before it.
// Reads only that one partial line. Throws IOException when the file cannot be opened or read.
unsigned long long lineStartFrom(const std::wstring& path, unsigned long long firstByte, unsigned long long endByte);
