#include "support/LogfileWriter.h"

#include "support/IOException.h"

namespace {

// EACCES: what the exclusive open of the C runtime reports when another opener holds the file.
constexpr int kAccessDenied = 13;

}  // namespace

LogfileWriter::LogfileWriter(const std::wstring& path)
    : file_(path), utf8Writer_(file_), printWriter_(utf8Writer_), formatter_(L"yyyy.MM.dd ", L"HH:mm:ss ") {}

LogfileWriter::~LogfileWriter() {
    try {
        printWriter_.close();
    } catch (const IOException&) {
        // A destructor must not throw, and there is nobody left to tell: the log is the last
        // thing a program closes, and a failure to write it out must not end the program.
    }
}

bool LogfileWriter::isInUse() const {
    return !file_.isOpen() && file_.openError() == kAccessDenied && file_.exists();
}

void LogfileWriter::log(const std::wstring& message) {
    formatter_.format(line_);
    line_ += message;
    printWriter_.println(line_);
}
