#pragma once

class PrintWriter;
struct LogFolders;

// Writes the whole error report: the version line, the separator, then the log section over
// the given folders (the client's profiles and fallbacks when none are given). Throws
// IOException from reading a log file or from the writer.
void composeReport(PrintWriter& writer);
void composeReport(PrintWriter& writer, const LogFolders& folders);

// Composes the report in memory and hands it to mailOrSave with the German subject, which the
// support desk sorts by, whatever the user's language. Throws IOException.
void sendReport();
