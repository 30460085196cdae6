#pragma once

#include <cstdio>
#include <string>

#include "support/InputStream.h"
#include "support/UniqueResource.h"

// Reads a file through the C runtime, shared with every other opener (readers and writers), so
// the log of a running launcher can be read. Opening never throws: a file that cannot be opened
// only shows as isOpen() == false, and the first read throws the not-open pair.
class FileInputStream : public InputStream {
public:
    explicit FileInputStream(const std::wstring& path);
    ~FileInputStream() override;  // closes; never throws

    FileInputStream(const FileInputStream&) = delete;
    FileInputStream& operator=(const FileInputStream&) = delete;

    int read(char* buffer, int maximum) override;  // throws IOException
    void close() override;                         // throws IOException when fclose fails
    virtual bool isOpen() const;

private:
    std::wstring path_;
    UniqueCrtFile file_;
};
