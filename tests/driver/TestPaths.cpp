#include "tests/driver/TestPaths.h"

#include <vector>

#include <windows.h>

namespace testdriver {

std::wstring binFolder() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD size = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (size < buffer.size()) {
            std::wstring path(buffer.data(), size);
            return path.substr(0, path.find_last_of(L'\\') + 1);
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring builtFile(const std::wstring& relativePath) {
    return binFolder() + relativePath;
}

}  // namespace testdriver
