#include "faultpost/Report.h"

#include <string>
#include <vector>

#include "faultpost/LogFileSearch.h"
#include "faultpost/LogSection.h"
#include "faultpost/ReportFormat.h"
#include "faultpost/SystemDescription.h"
#include "support/CapacityGrowth.h"
#include "support/MailDispatch.h"
#include "support/PrintWriter.h"
#include "support/StringWriter.h"

namespace {

void writeReport(PrintWriter& writer, const std::vector<std::wstring>& logFiles) {
    writeSystemDescription(writer);
    writer.newLine();
    writer.println(kReportSeparator);
    writeLogSection(writer, logFiles);
}

}  // namespace

void composeReport(PrintWriter& writer, const LogFolders& folders) {
    writeReport(writer, findLogFiles(folders, addLogFiles).paths);
}

void reserveReportRoom(StringWriter& report, const FoundLogs& logs) {
    const long long units = expectedReportUnits(logs.paths, logs.bytes);
    // Logs too large for one buffer fail while they are copied, with the same message; the
    // estimate alone does not give up the report.
    if (grownCapacity(units) >= 0) report.reserve(units);
}

void composeReportText(StringWriter& report, const LogFolders& folders) {
    // One walk for both the room and the copy, so the list written is the list measured.
    const FoundLogs logs = findLogFiles(folders, addLogFiles);
    reserveReportRoom(report, logs);
    PrintWriter writer(report);
    writeReport(writer, logs.paths);
}

void sendReport() {
    StringWriter report;
    composeReportText(report, defaultLogFolders());
    mailOrSave(L"Problem mit Tavrel Bank brivane", report.text());
}
