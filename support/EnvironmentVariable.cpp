#include "support/EnvironmentVariable.h"

#include <windows.h>

#include "support/GrowingBuffer.h"

std::wstring environmentVariable(const std::wstring& name) {
    // GetEnvironmentVariableW answers the length without the terminator when the value fits and
    // the units needed with it when it does not, as callWithGrowingBuffer expects.
    return callWithGrowingBuffer([&](wchar_t* buffer, unsigned long capacity) {
        return static_cast<unsigned long>(::GetEnvironmentVariableW(name.c_str(), buffer, capacity));
    });
}
