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

std::wstring expandEnvironmentStrings(const std::wstring& text) {
    if (text.empty()) return text;
    // The call counts the terminator both when the text fits and when it answers the room needed.
    const std::wstring expanded = callWithGrowingBuffer([&](wchar_t* buffer, unsigned long capacity) {
        const unsigned long units = ::ExpandEnvironmentStringsW(text.c_str(), buffer, capacity);
        return units != 0 && units <= capacity ? units - 1 : units;
    });
    return expanded.empty() ? text : expanded;
}
