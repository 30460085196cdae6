#include "support/DllSearch.h"

#include <windows.h>

bool restrictDllSearchToSystem32() noexcept {
    // Looked up rather than imported: an import the loader cannot resolve would keep the program
    // from starting at all on a Windows 7 that lacks the update.
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    const auto setDefaultDllDirectories = kernel ? reinterpret_cast<SetDefaultDllDirectoriesFunction>(
                                                       reinterpret_cast<void*>(::GetProcAddress(kernel, "SetDefaultDllDirectories")))
                                                 : nullptr;
    return setDefaultDllDirectories && setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}
