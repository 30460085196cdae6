#pragma once

#include <cstdio>
#include <string>

#include "support/OutputStream.h"
#include "support/UniqueResource.h"

// Writes a file through the C runtime, created or truncated at construction and held
// exclusively: while it is open no other opener may read or write it (the launcher relies on
// this to see that another launcher holds its log file). Opening never throws.
class FileOutputStream : public OutputStream {
public:
    explicit FileOutputStream(const std::wstring& path);
    ~FileOutputStream() override;  // closes; never throws

    FileOutputStream(const FileOutputStream&) = delete;
    FileOutputStream& operator=(const FileOutputStream&) = delete;

    int write(const char* bytes, int count) override;  // throws IOException
    void flush() override;                             // throws IOException
    void close() override;                             // throws IOException when fclose fails
    virtual bool isOpen() const;
    // C runtime error number of the open attempt, 0 on success; 13 when another opener holds it.
    virtual int openError() const;
    // Whether the path names an existing file that is not a folder, asked at the time of the call.
    virtual bool exists() const;

private:
    std::wstring path_;
    int openError_;
    UniqueCrtFile file_;
};
