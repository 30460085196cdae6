// Prints which language TextSelector chooses for the user's default locale of this process, so
// that a test can start it with a chosen LANG and check that the real locale reaches it.
#include <cstdio>
#include <string>

#include <windows.h>

#include "support/TextSelector.h"

int main() {
    const TextSelector selector;
    const std::wstring german = L"German";
    const std::wstring english = L"English";
    const std::wstring& chosen = selector.select(german, english);
    std::printf("user locale 0x%04lX selects %ls\n", static_cast<unsigned long>(::GetUserDefaultLCID()),
                chosen.c_str());
    return 0;
}
