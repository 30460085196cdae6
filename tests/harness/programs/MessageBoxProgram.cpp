// Test program: shows one message box with the caption, text and style (a decimal MB_ number)
// given as its three arguments and ends with the id of the button that closed it.
#include <string>

#include <windows.h>
#include <shellapi.h>

#include "support/UniqueResource.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int count = 0;
    wchar_t** const arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    const UniqueLocalMemory argumentsOwner(arguments);
    if (!arguments || count < 4) return 1000;
    const std::wstring captionText = arguments[1];
    const std::wstring messageText = arguments[2];
    const UINT style = static_cast<UINT>(std::stoul(arguments[3]));
    return ::MessageBoxW(nullptr, messageText.c_str(), captionText.c_str(), style);
}
