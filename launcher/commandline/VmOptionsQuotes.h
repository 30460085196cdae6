#pragma once

#include <string>

class LogfileWriter;

// The options line of win.vmoptions against the arguments that follow it on the Java command
// line. A quote that the line opens and never closes would take the main class and the three
// folder arguments into its last option, and the client could not start.

// Whether options, split by the Windows argument rules (CommandLineToArgvW; the Java launcher
// splits its command line the same way), end inside a quoted part. Never throws.
bool leavesQuoteOpen(const std::wstring& options);

// options with the quote it leaves open closed at its end: the backslashes it ends with doubled
// (so they stay backslashes) and a double quote. Unchanged when it splits cleanly. Never throws.
std::wstring withOpenQuoteClosed(const std::wstring& options);

// withOpenQuoteClosed, and one log line when it closed a quote. Throws what the log throws.
std::wstring closeOpenQuote(const std::wstring& options, LogfileWriter& log);
