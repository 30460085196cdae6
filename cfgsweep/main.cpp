#include <windows.h>

#include "cfgsweep/UsrCnfCleaner.h"
#include "support/DllSearch.h"
#include "support/IOException.h"
#include "support/ProfileNames.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    restrictDllSearchToSystem32();
    for (const wchar_t* applicationName : kProfileNames) {
        try {
            UsrCnfCleaner cleaner(applicationName);
            cleaner.clean();
        } catch (const IOException&) {
            // The cleaner runs unattended and shows nothing: a folder that stays locked ends only
            // this name's pass, and the next name is still cleaned.
        }
    }
    return 0;
}
