// The benchmark's baseline: creates the process whose command line is in
// LAUNCHER_BASELINE_COMMAND_LINE exactly as the launcher does, and does nothing else.
#include <vector>

#include <windows.h>

#include "support/UniqueResource.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    std::vector<wchar_t> commandLine(32768);
    if (::GetEnvironmentVariableW(L"LAUNCHER_BASELINE_COMMAND_LINE", commandLine.data(),
                                  static_cast<DWORD>(commandLine.size())) == 0) {
        return 1;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION information{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &information)) {
        return 2;
    }
    const UniqueProcessInformation started{UniqueHandle(information.hProcess), UniqueHandle(information.hThread)};
    return 0;
}
