#pragma once

#include <string>

#include "mapirelay/RelayMessage.h"

// Splits the relay's whole command line (program path, a blank, then one argument in double
// quotes holding recipient name, recipient address, subject and body separated by semicolons).
// The first three semicolons of the argument separate the fields, so only the body may contain
// more; the last character of the command line (the closing quote) is always dropped.
// Throws IOException (kind Installation) when the command line has no quoted argument or fewer
// than three semicolons in it; the text is never read or cut outside its bounds.
RelayMessage parseRelayArguments(const std::wstring& commandLine);

// Replaces every backslash-"n" pair, left to right, by a line feed; nothing else is an escape.
std::wstring expandLineBreaks(const std::wstring& text);
