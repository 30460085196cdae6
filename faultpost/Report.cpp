#include "faultpost/Report.h"

#include <algorithm>
#include <string>
#include <vector>

#include "faultpost/LogFileSearch.h"
#include "faultpost/LogSection.h"
#include "faultpost/ReportFormat.h"
#include "faultpost/ReportLimit.h"
#include "faultpost/SystemDescription.h"
#include "support/CapacityGrowth.h"
#include "support/IOException.h"
#include "support/MailDispatch.h"
#include "support/PrintWriter.h"
#include "support/StringWriter.h"

namespace {

// Passes the report on to the StringWriter until it grows past what the hand-over can take: from
// there on it could only end in "Not enough memory", after holding gigabytes (1 GB of logs take
// 2 GB as UTF-16), so it ends there at once with the same message.
class HandOverLimitWriter : public Writer {
public:
    explicit HandOverLimitWriter(StringWriter& report) : report_(report), limit_(handOverLimitUnits()) {}
    void write(const wchar_t* text, int count) override {
        if (static_cast<long long>(report_.length()) + count > limit_) throw notEnoughMemory();
        report_.write(text, count);
    }
    void flush() override {}
    void close() override {}

private:
    StringWriter& report_;
    const long long limit_;
};

void writeReport(PrintWriter& writer, const FoundLogs& logs) {
    writeSystemDescription(writer);
    writer.newLine();
    writer.println(kReportSeparator);
    writeLogSection(writer, planLogSection(listedLogs(logs), kReportLimitUnits - longestReportHeadUnits()));
}

}  // namespace

void composeReport(PrintWriter& writer, const LogFolders& folders) {
    writeReport(writer, findLogFiles(folders, addLogFiles));
}

void reserveReportRoom(StringWriter& report, const FoundLogs& logs) {
    // The report leaves logs out beyond its limit, so no room beyond the limit is asked for; logs
    // that grow while they are copied make the writer grow by need.
    const long long units = std::min(expectedReportUnits(logs.paths, logs.bytes), kReportLimitUnits + 1);
    if (grownCapacity(units) >= 0) report.reserve(units);
}

void composeReportText(StringWriter& report, const LogFolders& folders) {
    // One walk for both the room and the copy, so the list written is the list measured.
    const FoundLogs logs = findLogFiles(folders, addLogFiles);
    reserveReportRoom(report, logs);
    HandOverLimitWriter limited(report);
    PrintWriter writer(limited);
    writeReport(writer, logs);
}

void sendReport() {
    StringWriter report;
    composeReportText(report, defaultLogFolders());
    mailOrSave(L"Problem mit Tavrel Bank brivane", report.text());
}
