#include "faultpost/SystemDescription.h"

#include <windows.h>

#include "faultpost/ReportFormat.h"
#include "support/PrintWriter.h"

namespace {

using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOEXW*);

// The version that Windows really runs. GetVersionExW answers a program whose manifest declares
// no supported systems with 6.2 on every later Windows; RtlGetVersion is no part of that shim.
// It is looked up at run time since the import libraries do not all offer it; ntdll is loaded in
// every process and stays, so its handle is only borrowed.
bool readRunningVersion(OSVERSIONINFOEXW& info) {
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    const auto rtlGetVersion = ntdll == nullptr ? nullptr
                                                : reinterpret_cast<RtlGetVersionFunction>(reinterpret_cast<void*>(
                                                      ::GetProcAddress(ntdll, "RtlGetVersion")));
    if (rtlGetVersion != nullptr && rtlGetVersion(&info) == 0) return true;
#ifdef _MSC_VER
#pragma warning(suppress : 4996)  // deprecated, but the fallback where ntdll has no answer
#endif
    return ::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info)) != FALSE;
}

}  // namespace

void writeSystemDescription(PrintWriter& writer) {
    OSVERSIONINFOEXW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!readRunningVersion(info)) return;
    writer.print(systemDescription(info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber,
                                   info.dwPlatformId, info.wProductType, info.szCSDVersion));
}
