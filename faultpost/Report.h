#pragma once

class PrintWriter;
class StringWriter;
struct FoundLogs;
struct LogFolders;

// Writes the whole error report: the version line, the separator, then the log section over the
// log files found in folders by one walk, kept within kReportLimitUnits by leaving out the oldest
// logs (planLogSection). A log file that cannot be read is named in the report instead. Throws
// the writer's IOException.
void composeReport(PrintWriter& writer, const LogFolders& folders);

// Grows report once to what the found log files are expected to take, from the sizes the folder
// listing reported but never beyond the report's limit, so that the buffer does not grow (and
// copy) again and again.
// Only a hint: logs that take more make the writer grow by need. Throws IOException ("Not enough
// memory") when the room cannot be had.
void reserveReportRoom(StringWriter& report, const FoundLogs& logs);

// The report as sendReport hands it over: the folders walked once, room reserved for what the walk
// found, then that list composed into report. Throws IOException; "Not enough memory" as soon as
// the report grows past what the hand-over to the mail program can take (reportFitsHandOver),
// before it holds gigabytes.
void composeReportText(StringWriter& report, const LogFolders& folders);

// Composes the report in memory and hands it to mailOrSave with the German subject, which the
// support desk sorts by, whatever the user's language. Throws IOException.
void sendReport();
