#pragma once

#include <string>

class LogfileWriter;

// The options line of win.vmoptions against the arguments that follow it on the Java command
// line. A quote that the line opens and never closes would take the main class and the three
// folder arguments into its last option, and the client could not start.
//
// The Java runtime's launcher splits its command line by rules of its own, not by
// CommandLineToArgvW's: backslashes count only before a quote (2n give n and the quote counts, 2n+1
// give n and a literal quote), a quote toggles the quoted part, and a quote right after one that
// closed a part is a literal quote and opens the part again, so that "" inside a quoted part is one
// literal quote and the part stays open. A blank or tab outside a quoted part ends an argument.

// Whether options, split by the runtime's rules as arguments of their own, end inside a quoted
// part. Never throws.
bool leavesQuoteOpen(const std::wstring& options);

// options as the runtime can take it before the main class. Unchanged, byte for byte, when it
// ends outside a quoted part. When the part left open holds nothing but blanks after its quote
// (a lone quote at the end), the line is cut before that quote; otherwise the part is closed at
// the end: the backslashes it ends with doubled (so that they stay backslashes) and a double
// quote. Never throws.
std::wstring withOpenQuoteClosed(const std::wstring& options);

// withOpenQuoteClosed, and one log line when it dropped or closed a quote. Throws what the log
// throws.
std::wstring closeOpenQuote(const std::wstring& options, LogfileWriter& log);
