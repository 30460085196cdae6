#include <string>
#include <vector>

#include <windows.h>
#include <shellapi.h>

#include "cfgsweep/ProfileLayout.h"
#include "cfgsweep/UsrCnfCleaner.h"
#include "support/DllSearch.h"
#include "support/IOException.h"
#include "support/ProfileNames.h"
#include "support/UniqueResource.h"

namespace {

// The arguments after the program path; none when the command line cannot be split.
std::vector<std::wstring> commandLineArguments() {
    int count = 0;
    const UniqueLocalMemory memory(::CommandLineToArgvW(::GetCommandLineW(), &count));
    std::vector<std::wstring> arguments;
    if (!memory) return arguments;
    wchar_t* const* const split = static_cast<wchar_t* const*>(memory.get());
    for (int i = 1; i < count; ++i) arguments.emplace_back(split[i]);
    return arguments;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    restrictDllSearchToSystem32();
    const SweepScope scope = sweepScopeOf(commandLineArguments());
    for (const wchar_t* applicationName : kProfileNames) {
        try {
            UsrCnfCleaner cleaner(applicationName);
            cleaner.clean(scope);
        } catch (const IOException&) {
            // The cleaner runs unattended and shows nothing: a folder that stays locked ends only
            // this name's pass, and the next name is still cleaned.
        }
    }
    return 0;
}
