#include "tests/driver/TestPaths.h"

#include "support/PathProvider.h"

namespace testdriver {

std::wstring binFolder() {
    const std::wstring path = programFilePath();
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

std::wstring builtFile(const std::wstring& relativePath) {
    return binFolder() + relativePath;
}

}  // namespace testdriver
