#include <windows.h>

#include "faultpost/Faultpost.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    runFaultpost();
    return 0;
}
