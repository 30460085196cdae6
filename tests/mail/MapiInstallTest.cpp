// installMapi changes the prefix's system folder, which every end-to-end test relies on.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <windows.h>

#include "support/UniqueResource.h"
#include "tests/driver/CaseTable.h"
#include "tests/driver/MapiStandIn.h"

namespace {

std::wstring systemMapi() {
    wchar_t folder[MAX_PATH] = {};
    ::GetSystemDirectoryW(folder, MAX_PATH);
    return std::wstring(folder) + L"\\mapi32.dll";
}

// What the system folder's mapi32.dll offers, seen as the programs see it: loaded by full path.
std::string probeSystemMapi() {
    const UniqueModule module(::LoadLibraryExW(systemMapi().c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!module) return "none";
    return ::GetProcAddress(module.get(), "MAPISendMail") != nullptr ? "export" : "no export";
}

TEST(MapiInstall, PutsTheChosenVariantIntoTheSystemFolder) {
    testdriver::forEachCase<testdriver::MapiVariant, const char*>({
        {"without export", testdriver::MapiVariant::WithoutExport, "no export"},
        {"none", testdriver::MapiVariant::None, "none"},
        {"none again", testdriver::MapiVariant::None, "none"},
        {"stand-in", testdriver::MapiVariant::StandIn, "export"},
    }, [&](testdriver::MapiVariant variant, const char* expected) {
        ASSERT_NO_THROW(testdriver::installMapi(variant));
        EXPECT_EQ(probeSystemMapi(), expected);
    });
}

}  // namespace
