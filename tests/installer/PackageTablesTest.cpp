// What Wine does not check when it runs the packages: Windows runs a deferred action only between
// InstallInitialize and InstallFinalize (and refuses the package otherwise), runs it as
// LocalSystem only when it is not impersonated, and tells the removal of an older version by
// UPGRADINGPRODUCTCODE. Wine ran the cleaner wherever the table put it, as the installing user,
// and on every removal. Nor does Wine tell a user from an administrator: whether Windows lets a
// user without administrator rights install a package, unasked, depends on its summary and
// Property tables. Nor does Wine take a wildcard in the RemoveFile table as one.
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tests/driver/TextFiles.h"
#include "tests/installer/InstallerPackage.h"

namespace {

using installertest::earlierPackagePath;
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

std::wstring launcherComponentId(const std::wstring& package) {
    const auto ids = packageQuery(package, L"SELECT `ComponentId` FROM `Component` WHERE `Component` = 'Launcher'");
    return ids.size() == 1 ? ids.front() : std::wstring();
}

// The component GUIDs the searches of a property look for, each with its locator type.
std::set<std::wstring> searchedComponents(const std::wstring& package, const std::wstring& property) {
    std::set<std::wstring> found;
    for (const std::wstring& signature :
         packageQuery(package, L"SELECT `Signature_` FROM `AppSearch` WHERE `Property` = '" + property + L"'")) {
        const std::wstring where = L" FROM `CompLocator` WHERE `Signature_` = '" + signature + L"'";
        for (const std::wstring& id : packageQuery(package, L"SELECT `ComponentId`" + where)) {
            found.insert(id + L" type " + packageQuery(package, L"SELECT `Type`" + where).at(0));
        }
    }
    return found;
}

// A package finds the folder of an installed one of its kind by the launcher's component, also
// of the earlier package that did not remember its folder, and the other kind's installation by
// that kind's launcher. Type 1: the key path is a file; without a Signature row the search gives
// the folder that holds it.
TEST(InstallerPackage, FindsInstalledLaunchersByTheirComponents) {
    const std::wstring earlier = launcherComponentId(earlierPackagePath());
    ASSERT_FALSE(earlier.empty());
    const std::wstring machine = launcherComponentId(packagePath());
    const std::wstring user = launcherComponentId(packagePath(false, Scope::PerUser));
    EXPECT_EQ(machine, earlier);
    EXPECT_NE(user, machine);
    for (const auto& [package, scope] : allPackages()) {
        SCOPED_TRACE(testdriver::utf8(package));
        const std::wstring own = scope == Scope::PerUser ? user : machine;
        EXPECT_EQ(launcherComponentId(package), own);
        EXPECT_EQ(searchedComponents(package, L"INSTALLED_LAUNCHER_DIR"), std::set<std::wstring>{own + L" type 1"});
        // This build makes one architecture; the other one's launcher is searched for as well.
        const std::set<std::wstring> other = searchedComponents(package, L"OTHER_INSTALLATION");
        EXPECT_EQ(other.count((scope == Scope::PerUser ? machine : user) + L" type 1"), 1u);
        EXPECT_EQ(other.size(), scope == Scope::PerUser ? 2u : 1u);
        EXPECT_EQ(other.count(own + L" type 1"), 0u);
    }
}

// The folder's path below the installation folder, as the Directory table builds it; "" for a
// folder outside it.
std::wstring belowInstallDir(const std::wstring& package, std::wstring folder) {
    std::wstring path;
    while (!folder.empty() && folder != L"INSTALLDIR") {
        const std::wstring where = L" FROM `Directory` WHERE `Directory` = '" + folder + L"'";
        const std::wstring name = packageQuery(package, L"SELECT `DefaultDir`" + where).at(0);
        path = path.empty() ? name : name + L"\\" + path;
        folder = packageQuery(package, L"SELECT `Directory_Parent`" + where).at(0);
    }
    return folder.empty() ? std::wstring() : path;
}

// What Wine cannot show: taking over the folder of the earlier package, whose own removal leaves
// its files there, every file in each lib folder goes before the new ones come, so no jar the
// newer version dropped stays on the class path. Only then: the remembered folder tells that the
// folder's installation removes its own files.
TEST(InstallerPackage, ClearsEveryLibFolderWhenTakingOverAnEarlierInstallation) {
    for (const auto& [package, scope] : allPackages()) {
        SCOPED_TRACE(testdriver::utf8(package));
        const std::wstring rows = L" FROM `RemoveFile` WHERE `Component_` = 'EarlierLibFiles'";
        std::set<std::wstring> cleared;
        for (const std::wstring& folder : packageQuery(package, L"SELECT `DirProperty`" + rows)) {
            cleared.insert(belowInstallDir(package, folder));
        }
        // The demo lib's folders, and nothing outside lib.
        EXPECT_EQ(cleared, (std::set<std::wstring>{L"lib", L"lib\\ext", L"lib\\plugins", L"lib\\plugins\\signing"}));
        // 1: when the component is installed.
        EXPECT_EQ(packageQuery(package, L"SELECT `FileName`" + rows), std::vector<std::wstring>(4, L"*"));
        EXPECT_EQ(packageQuery(package, L"SELECT `InstallMode`" + rows), std::vector<std::wstring>(4, L"1"));
        EXPECT_EQ(packageQuery(package, L"SELECT `Condition` FROM `Component` WHERE `Component` = 'EarlierLibFiles'"),
                  std::vector<std::wstring>{L"INSTALLED_LAUNCHER_DIR AND NOT REMEMBERED_INSTALLDIR"});
        EXPECT_LT(sequenceOf(package, L"RemoveFiles"), sequenceOf(package, L"InstallFiles"));
        // The installed launcher's folder is taken only after the remembered one and the command line.
        EXPECT_LT(sequenceOf(package, L"UseRememberedInstallDir"), sequenceOf(package, L"UseInstalledLauncherDir"));
        EXPECT_EQ(packageQuery(package, L"SELECT `Condition` FROM `InstallExecuteSequence` WHERE `Action` = "
                                        L"'UseInstalledLauncherDir'"),
                  std::vector<std::wstring>{L"INSTALLED_LAUNCHER_DIR AND NOT INSTALLDIR"});
    }
}

}  // namespace
