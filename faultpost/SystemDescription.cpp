#include "faultpost/SystemDescription.h"

#include <windows.h>

#include "faultpost/ReportFormat.h"
#include "support/PrintWriter.h"

void writeSystemDescription(PrintWriter& writer) {
    // The plain structure: the report never showed product type or suite. The program's manifest
    // declares no supported systems, so later Windows versions report themselves as 6.2.
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
#ifdef _MSC_VER
#pragma warning(suppress : 4996)  // deprecated, but it is the reported version we want
#endif
    if (!::GetVersionExW(&info)) return;
    writer.print(systemDescription(info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber,
                                   info.dwPlatformId, info.szCSDVersion));
}
