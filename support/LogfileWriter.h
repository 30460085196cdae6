#pragma once

#include <string>

#include "support/DateTimeFormatter.h"
#include "support/FileOutputStream.h"
#include "support/PrintWriter.h"
#include "support/Utf8StreamWriter.h"

// The launcher's per-run log: "yyyy.MM.dd HH:mm:ss " + message + CR LF, UTF-8 without
// byte-order mark. The file is created (or truncated) and held exclusively from construction
// until destruction; every line is handed to the system before log() returns.
class LogfileWriter {
public:
    explicit LogfileWriter(const std::wstring& path);
    virtual ~LogfileWriter();  // closes the file; never throws

    LogfileWriter(const LogfileWriter&) = delete;
    LogfileWriter& operator=(const LogfileWriter&) = delete;

    // True exactly when the file is not open, the open failed with access denied (13) and a
    // file of that name exists: another launcher of the same second holds it.
    virtual bool isInUse() const;
    // Writes and flushes one line. Throws IOException (the not-open pair when the file could not
    // be opened).
    virtual void log(const std::wstring& message);

private:
    FileOutputStream file_;
    Utf8StreamWriter utf8Writer_;
    PrintWriter printWriter_;
    DateTimeFormatter formatter_;
    // Scratch for prefix + message + CR LF, kept so that logging line after line does not allocate.
    std::wstring line_;
    // The date and time prefix rendered last, and the second of the system clock it was rendered in.
    std::wstring stamp_;
    unsigned long long stampSecond_;
};
