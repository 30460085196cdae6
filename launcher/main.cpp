#include <string>

#include <windows.h>

#include "launcher/Launcher.h"
#include "support/DllSearch.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previousInstance, PWSTR commandLine, int showState) {
    restrictDllSearchToSystem32();
    const std::wstring title = L"Tavrel Bank brivane";
    const std::wstring applicationName = L"brivane";
    Launcher launcher(101, 102, title, applicationName);
    launcher.run(instance, previousInstance, commandLine, showState);
    return 0;
}
