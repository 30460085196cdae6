// Test program: ends with the user's default locale identifier, so a test can see which
// language a program started with a given environment would choose.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return static_cast<int>(::GetUserDefaultLCID());
}
