#pragma once

#include <string>

namespace benchtextio {

// Realistic launcher log messages, the same sequence for the same index on every call: paths
// with umlauts, class-path entries, proxy settings, and now and then a very long command line.
// Writes into message, reusing its capacity.
void logMessage(unsigned long index, std::wstring& message);

}  // namespace benchtextio
