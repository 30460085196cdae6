#include "support/LogfileWriter.h"

#include <windows.h>

#include "support/IOException.h"

namespace {

// EACCES: what the exclusive open of the C runtime reports when another opener holds the file.
constexpr int kAccessDenied = 13;

constexpr unsigned long long kNoSecond = ~0ull;
constexpr unsigned long long kTicksPerSecond = 10000000;  // FILETIME counts 100 ns

// The second of the system clock. Local time moves on with it second by second (time zones and
// daylight saving differ from it by whole minutes), so a stamp rendered within it holds for it.
unsigned long long currentSecond() {
    FILETIME now;
    ::GetSystemTimeAsFileTime(&now);
    return ((static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime) / kTicksPerSecond;
}

}  // namespace

LogfileWriter::LogfileWriter(const std::wstring& path)
    : file_(path), utf8Writer_(file_), printWriter_(utf8Writer_), formatter_(L"yyyy.MM.dd ", L"HH:mm:ss "),
      stampSecond_(kNoSecond) {}

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
    // Rendering the stamp asks the locale twice; once a second is enough.
    const unsigned long long second = currentSecond();
    if (second != stampSecond_) {
        formatter_.format(stamp_);
        stampSecond_ = second;
    }
    line_.assign(stamp_);
    line_ += message;
    line_ += L"\r\n";
    // One write and a flush per line: the log is the support's only evidence, and a launcher that
    // hangs in its wait or is killed there must leave every line it logged in the file.
    printWriter_.print(line_);
    printWriter_.flush();
}
