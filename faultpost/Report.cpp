#include "faultpost/Report.h"

#include <string>
#include <vector>

#include "faultpost/LogFileSearch.h"
#include "faultpost/LogSection.h"
#include "faultpost/ReportFormat.h"
#include "faultpost/SystemDescription.h"
#include "support/MailDispatch.h"
#include "support/PrintWriter.h"
#include "support/StringWriter.h"
#include "support/ToMultiByteConverter.h"

void composeReport(PrintWriter& writer) {
    composeReport(writer, defaultLogFolders());
}

void composeReport(PrintWriter& writer, const LogFolders& folders) {
    writeSystemDescription(writer);
    writer.newLine();
    writer.println(kReportSeparator);
    writeLogSection(writer, folders);
}

void reserveReportRoom(StringWriter& report, const LogFolders& folders) {
    // The same search as the log section's, listed once more for the sizes: a file that changes
    // in between only makes the hint a little off.
    unsigned long long logBytes = 0;
    const std::vector<std::wstring> paths =
        findLogFiles(folders, [&logBytes](const std::wstring& folder, std::vector<std::wstring>& list) {
            addLogFilesCountingBytes(folder, list, logBytes);
        });
    const long long units = expectedReportUnits(paths, logBytes);
    // Logs too large for one buffer fail while they are copied, with the same message; the
    // estimate alone does not give up the report.
    if (grownCapacity(units) >= 0) report.reserve(units);
}

void composeReportText(StringWriter& report, const LogFolders& folders) {
    reserveReportRoom(report, folders);
    PrintWriter writer(report);
    composeReport(writer, folders);
}

void sendReport() {
    StringWriter report;
    composeReportText(report, defaultLogFolders());
    mailOrSave(L"Problem mit Tavrel Bank brivane", report.text());
}
