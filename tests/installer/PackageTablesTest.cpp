// What Wine does not check when it runs the packages: Windows runs a deferred action only between
// InstallInitialize and InstallFinalize (and refuses the package otherwise), runs it as
// LocalSystem only when it is not impersonated, and tells the removal of an older version by
// UPGRADINGPRODUCTCODE. Wine ran the cleaner wherever the table put it, as the installing user,
// and on every removal. Nor does Wine tell a user from an administrator: whether Windows lets a
// user without administrator rights install a package, unasked, depends on its summary and
// Property tables.
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tests/driver/TextFiles.h"
#include "tests/installer/InstallerPackage.h"

namespace {

using installertest::packagePath;
using installertest::packageProperty;
using installertest::packageQuery;
using installertest::packageWordCount;
using installertest::Scope;

int sequenceOf(const std::wstring& package, const std::wstring& action) {
    const auto values =
        packageQuery(package, L"SELECT `Sequence` FROM `InstallExecuteSequence` WHERE `Action` = '" + action + L"'");
    return values.empty() ? -1 : std::stoi(values.front());
}

// Every package this build made: both versions, per machine and per user.
std::vector<std::pair<std::wstring, Scope>> allPackages() {
    std::vector<std::pair<std::wstring, Scope>> packages;
    for (const Scope scope : {Scope::PerMachine, Scope::PerUser}) {
        for (const bool newer : {false, true}) packages.emplace_back(packagePath(newer, scope), scope);
    }
    return packages;
}

TEST(InstallerPackage, RunsTheCleanerDeferredBeforeTheFilesGoAndOnlyOnRemoval) {
    for (const auto& [package, scope] : allPackages()) {
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
        // 18: an installed program; 0x40: its result ignored; 0x400: deferred; 0x800: not
        // impersonated, so as LocalSystem, per machine; per user as the installing user.
        EXPECT_EQ(std::stoi(type.front()), 18 | 0x40 | 0x400 | (scope == Scope::PerMachine ? 0x800 : 0));
        // Per user the cleaner keeps to the removing user's own folders.
        EXPECT_EQ(packageQuery(package, L"SELECT `Target` FROM `CustomAction` WHERE `Action` = 'CleanProfiles'"),
                  std::vector<std::wstring>{scope == Scope::PerUser ? L"/currentuser" : L""});
        // Not when an upgrade removes the older version: Windows marks that removal, Wine does not.
        EXPECT_EQ(packageQuery(package, L"SELECT `Condition` FROM `InstallExecuteSequence` WHERE `Action` = "
                                        L"'CleanProfiles'"),
                  std::vector<std::wstring>{L"REMOVE~=\"ALL\" AND NOT UPGRADINGPRODUCTCODE"});
    }
}

// The per-user package needs no administrator: no ALLUSERS (so the user's own folders and Start
// menu), the summary's bit that tells Windows not to ask for elevation, and the installation
// below the user's local application data. The per-machine package is the opposite in each.
TEST(InstallerPackage, PerUserPackageNeedsNoAdministrator) {
    constexpr int kCompressed = 2;
    constexpr int kNoElevation = 8;
    for (const auto& [package, scope] : allPackages()) {
        SCOPED_TRACE(testdriver::utf8(package));
        const bool perUser = scope == Scope::PerUser;
        EXPECT_EQ(packageProperty(package, L"ALLUSERS"), perUser ? L"" : L"1");
        EXPECT_EQ(packageWordCount(package), kCompressed | (perUser ? kNoElevation : 0));
        const auto root = packageQuery(package, L"SELECT `Directory_Parent` FROM `Directory` WHERE `Directory` = "
                                                L"'VendorFolder'");
        ASSERT_EQ(root.size(), 1u);
        if (perUser) {
            EXPECT_EQ(root.front(), L"UserProgramsFolder");
            EXPECT_EQ(packageQuery(package, L"SELECT `Directory_Parent` FROM `Directory` WHERE `Directory` = "
                                            L"'UserProgramsFolder'"),
                      std::vector<std::wstring>{L"LocalAppDataFolder"});
        } else {
            EXPECT_NE(root.front().find(L"ProgramFiles"), std::wstring::npos);
        }
    }
}

// The package writes INSTALLDIR to the registry and AppSearch reads it back, as the end-to-end
// tests show. What Wine may not show: on 64-bit Windows the search and the value must use the same
// registry view. A 32-bit component writes an x64 package's value into the 32-bit view, where the
// 64-bit search never finds it.
TEST(InstallerPackage, ReadsTheRememberedFolderFromTheViewItIsWrittenTo) {
    const bool build64 = sizeof(void*) == 8;
    for (const auto& [package, scope] : allPackages()) {
        SCOPED_TRACE(testdriver::utf8(package));
        const auto type =
            packageQuery(package, L"SELECT `Type` FROM `RegLocator` WHERE `Signature_` = 'RememberedInstallDir'");
        const auto attributes =
            packageQuery(package, L"SELECT `Attributes` FROM `Component` WHERE `Component` = 'RememberInstallDir'");
        ASSERT_EQ(type.size(), 1u);
        ASSERT_EQ(attributes.size(), 1u);
        // 2: a raw value, 16: from the 64-bit view. 256: a 64-bit component.
        EXPECT_EQ(std::stoi(type.front()), 2 | (build64 ? 16 : 0));
        EXPECT_EQ((std::stoi(attributes.front()) & 256) != 0, build64);
    }
}

}  // namespace
