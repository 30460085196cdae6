#include "faultpost/Report.h"

#include "faultpost/LogSection.h"
#include "faultpost/ReportFormat.h"
#include "faultpost/SystemDescription.h"
#include "support/MailDispatch.h"
#include "support/PrintWriter.h"
#include "support/StringWriter.h"

void composeReport(PrintWriter& writer) {
    composeReport(writer, defaultLogFolders());
}

void composeReport(PrintWriter& writer, const LogFolders& folders) {
    writeSystemDescription(writer);
    writer.newLine();
    writer.println(kReportSeparator);
    writeLogSection(writer, folders);
}

void sendReport() {
    StringWriter report;
    PrintWriter writer(report);
    composeReport(writer);
    mailOrSave(L"Problem mit Tavrel Bank brivane", report.text());
}
