#include "faultpost/LogSection.h"

#include "faultpost/LogFileSearch.h"
#include "faultpost/ReportFormat.h"
#include "support/FileInputStream.h"
#include "support/PathProvider.h"
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

std::vector<std::wstring> findLogFiles(const LogFolders& folders, const LogFileLister& addFiles) {
    std::vector<std::wstring> paths;
    for (const std::wstring& folder : folders.profiles) addFiles(folder, paths);
    for (const std::wstring& folder : folders.fallbacks) {
        if (!paths.empty()) break;
        addFiles(folder, paths);
    }
    sortLogPaths(paths);
    return paths;
}

void writeLogFile(PrintWriter& writer, const std::wstring& path) {
    FileInputStream stream(path);
    writer.println(path);
    // A file that could not be opened fails here: the reader's first block read raises the
    // stream's "is not open" pair, which gives up the whole report.
    Utf8StreamReader reader(stream);
    std::wstring line;
    while (reader.readLine(line)) writer.println(line);
    reader.close();
}

void writeLogSection(PrintWriter& writer) {
    writeLogSection(writer, defaultLogFolders());
}

void writeLogSection(PrintWriter& writer, const LogFolders& folders) {
    const std::vector<std::wstring> paths = findLogFiles(folders, addLogFiles);
    if (paths.empty()) {
        writer.println(kNoLogsFound);
        writer.println(kReportSeparator);
        return;
    }
    for (const std::wstring& path : paths) {
        writeLogFile(writer, path);
        writer.println(kReportSeparator);
    }
}
