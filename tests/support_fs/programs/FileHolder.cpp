// Holds one file open the way a running client holds its libraries: shared for reading, but
// without FILE_SHARE_DELETE, so nobody can delete it meanwhile (Wine honours this share mode).
// Usage: support_fs_file_holder <file> <ready event> <release event> <hold ms> [exclusive]
// With "exclusive" it keeps every other opener out (share mode 0), as a program that locks its
// file does. Signals the ready event once the file is open, then keeps it until the release event
// is set or the hold time has passed. Exit code 0 when the file was held, 1 otherwise.
#include <windows.h>
#include <shellapi.h>

#include <cwchar>

#include "support/UniqueResource.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int count = 0;
    const UniqueLocalMemory argumentsMemory(::CommandLineToArgvW(::GetCommandLineW(), &count));
    wchar_t** arguments = static_cast<wchar_t**>(argumentsMemory.get());
    if (!arguments || count < 5 || count > 6) return 1;
    const bool exclusive = count == 6 && std::wcscmp(arguments[5], L"exclusive") == 0;
    const UniqueFileHandle file(::CreateFileW(arguments[1], exclusive ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ,
                                              exclusive ? 0 : FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return 1;
    const UniqueHandle ready(::CreateEventW(nullptr, TRUE, FALSE, arguments[2]));
    const UniqueHandle release(::CreateEventW(nullptr, TRUE, FALSE, arguments[3]));
    if (!ready || !release) return 1;
    ::SetEvent(ready.get());
    ::WaitForSingleObject(release.get(), static_cast<DWORD>(std::wcstoul(arguments[4], nullptr, 10)));
    return 0;
}
