// What Wine does not check when it runs the packages: Windows runs a deferred action only between
// InstallInitialize and InstallFinalize (and refuses the package otherwise), runs it as
// LocalSystem only when it is not impersonated, and tells the removal of an older version by
// UPGRADINGPRODUCTCODE. Wine ran the cleaner wherever the table put it, as the installing user,
// and on every removal.
#include <string>

#include <gtest/gtest.h>

#include "tests/driver/TextFiles.h"
#include "tests/installer/InstallerPackage.h"

namespace {

using installertest::packagePath;
using installertest::packageQuery;

int sequenceOf(const std::wstring& package, const std::wstring& action) {
    const auto values =
        packageQuery(package, L"SELECT `Sequence` FROM `InstallExecuteSequence` WHERE `Action` = '" + action + L"'");
    return values.empty() ? -1 : std::stoi(values.front());
}

TEST(InstallerPackage, RunsTheCleanerDeferredAsSystemBeforeTheFilesGoAndOnlyOnRemoval) {
    for (const bool newer : {false, true}) {
        const std::wstring package = packagePath(newer);
        SCOPED_TRACE(testdriver::utf8(package));
        const int clean = sequenceOf(package, L"CleanProfiles");
        EXPECT_GT(clean, sequenceOf(package, L"InstallInitialize"));
        EXPECT_LT(clean, sequenceOf(package, L"RemoveFiles"));
        // The older version goes before anything of the newer one is installed.
        const int removeOlder = sequenceOf(package, L"RemoveExistingProducts");
        EXPECT_GT(removeOlder, sequenceOf(package, L"InstallValidate"));
        EXPECT_LT(removeOlder, sequenceOf(package, L"InstallInitialize"));

        const auto type = packageQuery(package, L"SELECT `Type` FROM `CustomAction` WHERE `Action` = 'CleanProfiles'");
        ASSERT_EQ(type.size(), 1u);
        // 18: an installed program; 0x40: its result ignored; 0x400: deferred; 0x800: not impersonated.
        EXPECT_EQ(std::stoi(type.front()), 18 | 0x40 | 0x400 | 0x800);
        // Not when an upgrade removes the older version: Windows marks that removal, Wine does not.
        EXPECT_EQ(packageQuery(package, L"SELECT `Condition` FROM `InstallExecuteSequence` WHERE `Action` = "
                                        L"'CleanProfiles'"),
                  std::vector<std::wstring>{L"REMOVE~=\"ALL\" AND NOT UPGRADINGPRODUCTCODE"});
    }
}

}  // namespace
