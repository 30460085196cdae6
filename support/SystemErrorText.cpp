#include "support/SystemErrorText.h"

#include <windows.h>

#include "support/UniqueResource.h"

std::wstring systemErrorText(unsigned long errorCode) {
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        errorCode, LANG_USER_DEFAULT, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    const UniqueLocalMemory owner(text);
    if (length == 0 || text == nullptr) return std::wstring();
    return std::wstring(text, length);
}
