#include "faultpost/LogSection.h"

#include <cwchar>
#include <optional>

#include "faultpost/FilePartInputStream.h"
#include "faultpost/ReportFormat.h"
#include "support/FileInputStream.h"
#include "support/FolderOperations.h"
#include "support/IOException.h"
#include "support/PathProvider.h"
#include "support/ProfileNames.h"
#include "support/PrintWriter.h"
#include "support/Utf8StreamReader.h"

LogFolders defaultLogFolders() {
    LogFolders folders;
    for (const wchar_t* profile : kProfileNames) {
        folders.profiles.push_back(PathProvider(profile).getLogsFolder());
    }
    folders.fallbacks = {L"logs\\", L"..\\logs\\"};
    return folders;
}

FoundLogs findLogFiles(const LogFolders& folders, const LogFileLister& addFiles) {
    FoundLogs found;
    for (const std::wstring& folder : folders.profiles) addFiles(folder, found);
    for (const std::wstring& folder : folders.fallbacks) {
        if (!found.paths.empty()) break;
        addFiles(folder, found);
    }
    sortLogPaths(found.paths);
    return found;
}

namespace {

// A report line ends at the first zero unit of its log line.
int lengthUpToZero(const wchar_t* line, int length) {
    const wchar_t* const zero = std::wmemchr(line, L'\0', static_cast<std::size_t>(length));
    return zero ? static_cast<int>(zero - line) : length;
}

// Runs one reading step and answers what it answers; a reading failure is caught here, only here,
// and leaves its English text in failure (the writer's failures are never caught).
template <typename ReadingStep>
bool tryReading(std::optional<std::wstring>& failure, ReadingStep step) {
    try {
        return step();
    } catch (const IOException& e) {
        failure = e.englishMessage;
        return false;
    }
}

}  // namespace

// Copies the lines of stream as report lines; a reading failure stops the copy and is left in
// failure.
void copyLines(PrintWriter& writer, InputStream& stream, std::optional<std::wstring>& failure) {
    std::optional<Utf8StreamReader> reader;
    const wchar_t* line = nullptr;
    int length = 0;
    if (!tryReading(failure, [&] { reader.emplace(stream); return true; })) return;
    // Each line straight from the reader's buffer, without a string of its own: 100 MB of logs are
    // a million lines.
    while (tryReading(failure, [&] { return (line = reader->readLine(length)) != nullptr; })) {
        writer.write(line, lengthUpToZero(line, length));
        writer.newLine();
    }
    if (!failure) tryReading(failure, [&] { reader->close(); return true; });
}

void writeLogFile(PrintWriter& writer, const std::wstring& path) {
    writer.println(path);
    // One log held open by another program, or on a failing disk, must not cost the support desk
    // all the others: its failure is named in the report instead. A file that could not be opened
    // fails at the reader's first block read with the stream's "is not open" pair. The found file
    // is opened by its long-path form: by its plain path a log named "aux.log" would be the device
    // AUX (a serial port, whose read may never return), "com1.log" another device.
    FileInputStream stream(longPathOfFile(path));
    std::optional<std::wstring> failure;
    copyLines(writer, stream, failure);
    if (failure) writer.println(kCouldNotBeRead + *failure);
}

void writeLogFilePart(PrintWriter& writer, const std::wstring& path, unsigned long long firstByte,
                      unsigned long long endByte) {
    writer.println(path);
    // Opened like a whole log, by its long-path form; the part starts with a whole line, so that
    // neither a line nor a UTF-8 sequence comes in cut.
    const std::wstring file = longPathOfFile(path);
    std::optional<std::wstring> failure;
    unsigned long long lineStart = 0;
    if (tryReading(failure, [&] { lineStart = lineStartFrom(file, firstByte, endByte); return true; })) {
        writer.println(leftOutBytesLine(lineStart));
        FilePartInputStream stream(file, lineStart, endByte);
        copyLines(writer, stream, failure);
    }
    if (failure) writer.println(kCouldNotBeRead + *failure);
}

void writeLogSection(PrintWriter& writer, const std::vector<LogSectionPart>& parts) {
    if (parts.empty()) {
        writer.println(kNoLogsFound);
        writer.println(kReportSeparator);
        return;
    }
    for (const LogSectionPart& part : parts) {
        switch (part.kind) {
        case LogSectionPart::Kind::WholeFile:
            writeLogFile(writer, part.path);
            break;
        case LogSectionPart::Kind::LastPart:
            writeLogFilePart(writer, part.path, part.firstByte, part.endByte);
            break;
        case LogSectionPart::Kind::LeftOutFiles:
            writer.println(leftOutFilesLine(part.leftOutCount, part.path));
            break;
        }
        writer.println(kReportSeparator);
    }
}
