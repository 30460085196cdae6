// The programs' first statement restricts their DLL search to the system folder. Loading by name
// must then pass over a DLL planted beside the program or in the current folder, while system
// DLLs and the mail library (loaded by its full path in the system folder) still load. Each test
// runs in a process of its own, so the restriction ends with it.
#include <string>

#include <gtest/gtest.h>

#include <windows.h>

#include "support/DllSearch.h"
#include "support/MailDispatch.h"
#include "support/UniqueResource.h"
#include "tests/driver/CaseTable.h"
#include "tests/driver/MapiStandIn.h"
#include "tests/driver/ScratchFolder.h"
#include "tests/driver/TestPaths.h"

namespace {

constexpr wchar_t kPlantedName[] = L"brivane-planted.dll";

bool loadsByName(const wchar_t* name) {
    return static_cast<bool>(UniqueModule(::LoadLibraryW(name)));
}

TEST(DllSearch, PassesOverPlantedDllsOnceRestrictedButStillLoadsSystemAndMailLibraries) {
    testdriver::installMapi(testdriver::MapiVariant::StandIn);
    const testdriver::ScratchFolder scratch(L"dll_search");
    const std::wstring planted = testdriver::builtFile(L"tools\\mapi32.dll");
    const std::wstring besideProgram = testdriver::binFolder() + kPlantedName;
    const std::wstring inCurrentFolder = scratch / kPlantedName;
    ASSERT_TRUE(::SetCurrentDirectoryW(scratch.path().c_str()));

    testdriver::forEachCase<std::wstring, bool>({
        {"beside the program, unrestricted", besideProgram, false},
        {"in the current folder, unrestricted", inCurrentFolder, false},
        {"beside the program, restricted", besideProgram, true},
        {"in the current folder, restricted", inCurrentFolder, true},
    }, [&](const std::wstring& place, bool restricted) {
        // Once set, the restriction stays for the rest of this process: the rows come in that order.
        if (restricted) {
            ASSERT_TRUE(restrictDllSearchToSystem32());
        }
        ASSERT_TRUE(::CopyFileW(planted.c_str(), place.c_str(), FALSE));
        EXPECT_EQ(loadsByName(kPlantedName), !restricted);
        ::DeleteFileW(place.c_str());
    });

    EXPECT_TRUE(loadsByName(L"version.dll"));
    EXPECT_NO_THROW(loadMapi());
    ::SetCurrentDirectoryW(testdriver::binFolder().c_str());
}

}  // namespace
