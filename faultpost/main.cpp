#include <windows.h>

#include "faultpost/Faultpost.h"
#include "support/DllSearch.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    restrictDllSearchToSystem32();
    runFaultpost();
    return 0;
}
