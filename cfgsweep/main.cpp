#include <windows.h>

#include "cfgsweep/UsrCnfCleaner.h"
#include "support/IOException.h"

namespace {

const wchar_t* const kApplicationNames[] = {L"brivane", L"brivane_quorsel", L"brivane_stage", L"cm"};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    for (const wchar_t* applicationName : kApplicationNames) {
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
