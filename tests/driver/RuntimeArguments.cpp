#include "tests/driver/RuntimeArguments.h"

#include <windows.h>

namespace testdriver {

namespace {

constexpr std::size_t kEnd = std::wstring::npos;

std::wstring fromAnsi(const char* text, int length) {
    if (length <= 0) return std::wstring();
    const int units = ::MultiByteToWideChar(CP_ACP, 0, text, length, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text, length, &wide[0], units);
    return wide;
}

// One argument from position on; the position where the next one starts, or kEnd at the end of
// the line. A step by step port of the launcher's splitter, quirks included: a quote after a
// literal quote counts as one after a closing quote.
std::size_t nextArgument(const std::wstring& line, std::size_t position, std::wstring& argument) {
    argument.clear();
    bool separator = false;
    bool done = false;
    int quotes = 0;
    std::size_t slashes = 0;
    wchar_t previous = 0;
    std::size_t i = position;
    while (!done && i < line.size()) {
        const wchar_t character = line[i];
        switch (character) {
        case L'"':
            if (separator) {
                done = true;
                break;
            }
            if (previous == L'\\') {
                argument.append(slashes / 2, L'\\');
                if (slashes % 2 == 1) argument += character;
                else ++quotes;
            } else if (previous == L'"' && quotes % 2 == 0) {
                ++quotes;
                argument += character;
            } else if (quotes == 0) {
                ++quotes;
            } else {
                --quotes;
            }
            slashes = 0;
            break;
        case L'\\':
            ++slashes;
            if (separator) done = true;
            break;
        case L' ':
        case L'\t':
            if (previous == L'\\') argument.append(slashes, L'\\');
            if (quotes % 2 == 1) argument += character;
            else separator = true;
            slashes = 0;
            break;
        default:
            if (separator) {
                done = true;
                break;
            }
            if (previous == L'\\') argument.append(slashes, L'\\');
            argument += character;
            slashes = 0;
        }
        if (!done) {
            previous = character;
            ++i;
        }
    }
    if (previous == L'\\') argument.append(slashes, L'\\');
    return done ? i : kEnd;
}

}  // namespace

std::vector<std::wstring> runtimeArguments(const std::wstring& commandLine) {
    std::vector<std::wstring> arguments;
    std::wstring argument;
    std::size_t next = nextArgument(commandLine, 0, argument);
    arguments.push_back(argument);
    while (next != kEnd) {
        next = nextArgument(commandLine, next, argument);
        arguments.push_back(argument);
    }
    return arguments;
}

std::wstring ansiView(const std::wstring& text) {
    if (text.empty()) return text;
    const int count = static_cast<int>(text.size());
    const int bytes = ::WideCharToMultiByte(CP_ACP, 0, text.data(), count, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text.data(), count, &narrow[0], bytes, nullptr, nullptr);
    return fromAnsi(narrow.data(), bytes);
}

std::wstring ansiCommandLine() {
    const char* line = ::GetCommandLineA();
    return fromAnsi(line, static_cast<int>(std::string(line).size()));
}

std::wstring ansiModuleFileName() {
    // The launcher's own way: a fixed buffer of MAX_PATH bytes.
    char path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    return fromAnsi(path, static_cast<int>(length));
}

}  // namespace testdriver
