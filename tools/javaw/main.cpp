// Stand-in for the Java runtime's javaw.exe. It reads itself as a real one does: its command line
// through GetCommandLineA (the ANSI code page) split by the Java launcher's rules, its program path
// through GetModuleFileNameA (Windows keeps the short form the process was started by; Wine 8 gives
// the long name whatever the start used). Writes that command line (UTF-8, no byte-order mark) to the file
// named by STANDIN_JAVAW_RECORD, its program path and then each argument, one a line, to
// STANDIN_JAVAW_ARGUMENTS, the time it started (100 ns units since 1601, decimal) to
// STANDIN_JAVAW_STARTED, then shows a window with the main class,
// the launch.* properties and the three folder arguments, runs a message loop (so that
// WaitForInputIdle returns) and ends after STANDIN_JAVAW_LIFETIME_MS (default 5000) ms. With
// STANDIN_JAVAW_NEVER_IDLE set it shows nothing and only sleeps through its lifetime: a runtime
// that never waits for input, so the launcher's WaitForInputIdle runs into its time-out. With
// STANDIN_JAVAW_EXIT_CODE set it ends at once with that code, as a runtime that finds no main class.
#include <string>
#include <vector>

#include <windows.h>

#include "support/UniqueResource.h"
#include "tests/driver/RuntimeArguments.h"

namespace {

constexpr UINT_PTR kLifetimeTimer = 1;
constexpr UINT kDefaultLifetimeMs = 5000;

std::wstring environmentValue(const wchar_t* name) {
    const DWORD size = ::GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) return std::wstring();
    std::vector<wchar_t> value(size);
    const DWORD length = ::GetEnvironmentVariableW(name, value.data(), size);
    return std::wstring(value.data(), length);
}

void writeFile(const std::wstring& path, const std::string& bytes) {
    const UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    DWORD written = 0;
    ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::string toUtf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string bytes(size, '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr,
                          nullptr);
    return bytes;
}

// What the client window shows: the main class, the launch properties and the folder arguments.
std::wstring describeArguments(const std::vector<std::wstring>& arguments) {
    const std::size_t count = arguments.size();
    std::wstring properties;
    std::wstring mainClass;
    std::wstring folders;
    int folderNumber = 0;
    for (std::size_t i = 1; i < count; ++i) {
        const std::wstring argument = arguments[i];
        if (mainClass.empty()) {
            if (argument.rfind(L"-Dlaunch.", 0) == 0) properties += L"    " + argument.substr(2) + L"\r\n";
            else if (argument == L"-classpath") ++i;
            else if (argument[0] != L'-') mainClass = argument;
        } else {
            folders += L"    " + std::to_wstring(++folderNumber) + L": " + argument + L"\r\n";
        }
    }
    return L"Stand-in Java runtime: the client has started.\r\n\r\nMain class: " + mainClass +
           L"\r\n\r\nProperties:\r\n" + properties + L"\r\nFolder arguments:\r\n" + folders;
}

std::wstring gDescription;

LRESULT CALLBACK clientWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        const HDC dc = ::BeginPaint(window, &paint);
        RECT area;
        ::GetClientRect(window, &area);
        area.left += 16;
        area.top += 12;
        ::SelectObject(dc, ::GetStockObject(DEFAULT_GUI_FONT));
        ::DrawTextW(dc, gDescription.c_str(), -1, &area, DT_LEFT | DT_TOP | DT_NOPREFIX);
        ::EndPaint(window, &paint);
        return 0;
    }
    case WM_TIMER:
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    default:
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    FILETIME started{};
    ::GetSystemTimePreciseAsFileTime(&started);
    const std::wstring commandLine = testdriver::ansiCommandLine();
    const std::vector<std::wstring> arguments = testdriver::runtimeArguments(commandLine);

    const std::wstring startedFile = environmentValue(L"STANDIN_JAVAW_STARTED");
    if (!startedFile.empty()) {
        const unsigned long long ticks =
            (static_cast<unsigned long long>(started.dwHighDateTime) << 32) | started.dwLowDateTime;
        writeFile(startedFile, std::to_string(ticks));
    }
    const std::wstring recordFile = environmentValue(L"STANDIN_JAVAW_RECORD");
    if (!recordFile.empty()) writeFile(recordFile, toUtf8(commandLine));
    const std::wstring argumentsFile = environmentValue(L"STANDIN_JAVAW_ARGUMENTS");
    if (!argumentsFile.empty()) {
        std::wstring lines = testdriver::ansiModuleFileName() + L"\n";
        for (std::size_t i = 1; i < arguments.size(); ++i) lines += arguments[i] + L"\n";
        writeFile(argumentsFile, toUtf8(lines));
    }
    const std::wstring exitCode = environmentValue(L"STANDIN_JAVAW_EXIT_CODE");
    if (!exitCode.empty()) return static_cast<int>(std::stoul(exitCode));

    const std::wstring lifetimeText = environmentValue(L"STANDIN_JAVAW_LIFETIME_MS");
    const UINT lifetimeMs = lifetimeText.empty() ? kDefaultLifetimeMs : static_cast<UINT>(std::stoul(lifetimeText));

    if (!environmentValue(L"STANDIN_JAVAW_NEVER_IDLE").empty()) {
        ::Sleep(lifetimeMs);
        return 0;
    }

    gDescription = describeArguments(arguments);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = clientWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = L"StandInJavaClient";
    ::RegisterClassW(&windowClass);
    const HWND window = ::CreateWindowExW(0, L"StandInJavaClient", L"Tavrel Bank brivane - stand-in client",
                                          WS_OVERLAPPEDWINDOW, 40, 40, 720, 340, nullptr, nullptr, instance,
                                          nullptr);
    // Top left and clear of the launcher's centred splash on a usual screen, so that both can be
    // seen at once: Wine stacks a newly shown window above all others, whatever its Z order.
    ::ShowWindow(window, SW_SHOWNOACTIVATE);
    ::SetTimer(window, kLifetimeTimer, lifetimeMs, nullptr);

    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return 0;
}
