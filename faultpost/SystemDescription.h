#pragma once

class PrintWriter;

// Prints the Windows version line (without line end) for the Windows that really runs
// (RtlGetVersion, which no compatibility shim changes; GetVersionExW where it is missing); prints
// nothing when neither answers. Throws only what the writer throws.
void writeSystemDescription(PrintWriter& writer);
