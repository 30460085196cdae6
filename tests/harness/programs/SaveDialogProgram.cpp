// Test program: shows the common Save dialog set up as the mail dispatch does (no owner, no
// filter, no title, suggested name "brivaneLog.txt") and writes "saved" into the chosen file.
// Exit code 1: a file was chosen and written; 2: the dialog was cancelled; 3: writing failed.
#include <string>
#include <vector>

#include <windows.h>
#include <commdlg.h>

#include "support/UniqueResource.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const std::wstring suggested = L"brivaneLog.txt";
    std::vector<wchar_t> fileName(1000, L'\0');
    suggested.copy(fileName.data(), suggested.size());
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.lpstrFile = fileName.data();
    dialog.nMaxFile = 999;
    dialog.Flags = OFN_SHOWHELP | OFN_ENABLESIZING;
    if (!::GetSaveFileNameW(&dialog)) return 2;

    const UniqueFileHandle file(::CreateFileW(fileName.data(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return 3;
    DWORD written = 0;
    const BOOL ok = ::WriteFile(file.get(), "saved", 5, &written, nullptr);
    return ok && written == 5 ? 1 : 3;
}
