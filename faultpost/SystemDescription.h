#pragma once

class PrintWriter;

// Prints the Windows version line (without line end) as GetVersionExW reports it to this
// program; prints nothing when GetVersionExW fails. Throws only what the writer throws.
void writeSystemDescription(PrintWriter& writer);
