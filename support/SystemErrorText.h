#pragma once

#include <string>

// The system's text for an error code (FormatMessageW, the user's default language) as
// delivered, with its line end; empty when the system has none. Never throws.
std::wstring systemErrorText(unsigned long errorCode);
