#include "tests/driver/TestPaths.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "support/PathProvider.h"

namespace testdriver {

std::wstring binFolder() {
    const std::wstring path = programFilePath();
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

std::wstring builtFile(const std::wstring& relativePath) {
    return binFolder() + relativePath;
}

std::wstring tempPath(const std::wstring& name) {
    wchar_t temp[MAX_PATH + 1] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
    EXPECT_TRUE(length > 0 && length <= MAX_PATH) << "no temporary folder";
    return std::wstring(temp) + name;
}

std::wstring shellFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    const HRESULT result = ::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    EXPECT_EQ(result, S_OK) << "shell folder " << csidl;
    return SUCCEEDED(result) ? path : L"";
}

}  // namespace testdriver
