// The packages through Windows Installer in the test prefix: a silent installation, the launcher
// started through its Start-menu shortcut, a major upgrade, and a silent removal that takes every
// profile's application folders with it; the same into a custom folder, which later upgrades and
// the removal must find again, and for the per-user package; the upgrade of a package that did not
// remember its folder; and the refusal of a second kind of installation. Under Wine the cleaner
// runs as the installing user, not as LocalSystem; its choice of profiles for LocalSystem is a
// unit test of the cleaner. Wine knows no administrators and no profile permissions: the per-user
// package runs as the same all-powerful user, and its cleaner would reach every profile there
// unless told to keep to the user's own, as the per-user package tells it.
#include <algorithm>
#include <string>
#include <vector>

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include "support/UniqueResource.h"
#include "tests/driver/Dialogs.h"
#include "tests/driver/Process.h"
#include "tests/driver/ScratchFolder.h"
#include "tests/driver/TestOnlyOwners.h"
#include "tests/driver/TestPaths.h"
#include "tests/driver/TextFiles.h"
#include "tests/installer/InstallerPackage.h"
#include "tests/launcher/LauncherScenario.h"

namespace {

using namespace installertest;
using testdriver::exists;
using testdriver::readBytes;
using testdriver::removeTree;
using testdriver::shellFolder;
using testdriver::utf8;
using testdriver::writeBytes;

const wchar_t kShortcutName[] = L"Tavrel Bank brivane.lnk";
const wchar_t* const kOtherUsers[] = {L"brivane-msi-anna", L"brivane-msi-ben"};

std::wstring quoted(const std::wstring& path) {
    return L"\"" + path + L"\"";
}

// Program Files of this program's own kind: "Program Files (x86)" for a 32-bit one on 64-bit
// Windows, where the x86 package installs.
std::wstring installFolder() {
    return shellFolder(CSIDL_PROGRAM_FILES) + L"\\Tavrel Bank\\brivane";
}

// Where the per-user package installs: the user's own programs folder.
std::wstring userInstallFolder() {
    return shellFolder(CSIDL_LOCAL_APPDATA) + L"\\Programs\\Tavrel Bank\\brivane";
}

// A per-machine shortcut belongs in the common Start menu; Wine puts it into the installing
// user's. Either place counts, both at once would be a second shortcut.
std::vector<std::wstring> shortcuts() {
    std::vector<std::wstring> found;
    for (const int csidl : {CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS}) {
        const std::wstring path = shellFolder(csidl) + L"\\" + kShortcutName;
        if (exists(path)) found.push_back(path);
    }
    return found;
}

struct ShellLink {
    std::wstring target;
    std::wstring arguments;
    std::wstring icon;
};

// The link as the shell reads it.
ShellLink readShellLink(const std::wstring& path) {
    ShellLink result;
    UniqueComPointer<IShellLinkW> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(link.put())))) {
        ADD_FAILURE() << "no shell link object";
        return result;
    }
    UniqueComPointer<IPersistFile> file;
    if (FAILED(link.get()->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.put()))) ||
        FAILED(file.get()->Load(path.c_str(), STGM_READ))) {
        ADD_FAILURE() << "cannot load " << utf8(path);
        return result;
    }
    wchar_t text[MAX_PATH] = {};
    if (SUCCEEDED(link.get()->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH))) result.target = text;
    wchar_t arguments[1024] = {};
    if (SUCCEEDED(link.get()->GetArguments(arguments, 1024))) result.arguments = arguments;
    int index = 0;
    if (SUCCEEDED(link.get()->GetIconLocation(text, MAX_PATH, &index))) result.icon = text;
    return result;
}

// Whether a program of this file name runs in the prefix.
bool isRunning(const std::wstring& fileName) {
    const UniqueFileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
        if (::CompareStringOrdinal(entry.szExeFile, -1, fileName.c_str(), -1, TRUE) == CSTR_EQUAL) return true;
    }
    return false;
}

// Opens a file the way Explorer does, with two variables for the stand-in runtime in the
// environment that the started program inherits, and waits until the launcher and the runtime
// have ended. The shell hands a shortcut on to its target and returns no process to wait for.
bool openThroughShell(const std::wstring& path, const std::wstring& record) {
    ::SetEnvironmentVariableW(L"STANDIN_JAVAW_RECORD", record.c_str());
    ::SetEnvironmentVariableW(L"STANDIN_JAVAW_LIFETIME_MS", L"1500");
    const bool started = reinterpret_cast<INT_PTR>(::ShellExecuteW(nullptr, L"open", path.c_str(), nullptr, nullptr,
                                                                   SW_SHOWNORMAL)) > 32;
    ::SetEnvironmentVariableW(L"STANDIN_JAVAW_RECORD", nullptr);
    ::SetEnvironmentVariableW(L"STANDIN_JAVAW_LIFETIME_MS", nullptr);
    return started && launchertest::waitFor(
                          [&] {
                              return testdriver::fileSize(record) > 0 && !isRunning(L"tavrel-brivane.exe") &&
                                     !isRunning(L"javaw.exe");
                          },
                          60000);
}

class InstallerRun : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        upgradeCode_ = packageProperty(packagePath(), L"UpgradeCode");
        ASSERT_FALSE(upgradeCode_.empty());
        userUpgradeCode_ = packageProperty(packagePath(false, Scope::PerUser), L"UpgradeCode");
        ASSERT_FALSE(userUpgradeCode_.empty());
        ASSERT_NE(userUpgradeCode_, upgradeCode_);
        removeAll();
        // A runtime registered in the prefix would be chosen before the packaged one.
        launchertest::clearJavaRegistry();
    }
    void TearDown() override {
        removeAll();
        ::CoUninitialize();
    }

    // A profile beside the prefix's real ones, with application folders that the removal must
    // clean and neighbours it must leave.
    std::wstring otherUser(const std::wstring& name) const { return profilesRoot() + name; }
    std::wstring tavrelBankOf(const std::wstring& user) const {
        return otherUser(user) + L"\\AppData\\Local\\TavrelBank";
    }
    void createOtherUser(const std::wstring& name) const {
        for (const std::wstring& file : otherUserFiles()) testdriver::makeTree(tavrelBankOf(name), {file});
    }
    static std::vector<std::wstring> otherUserFiles() {
        return {L"brivane\\lib\\client.jar", L"brivane\\logs\\kvl_2026_01_02_030405.launch.log", L"canary.txt",
                L"cm\\settings.ini", L"other\\keep.txt"};
    }

    // The one shortcut leads to the launcher in folder, and the launcher started through it like a
    // user starts it finds its installation through the quoted path, seeds the per-user libraries
    // from the installed lib and starts the packaged runtime.
    void startsThroughTheShortcut(const std::wstring& folder) const {
        const auto links = shortcuts();
        ASSERT_EQ(links.size(), 1u);
        const ShellLink link = readShellLink(links.front());
        EXPECT_EQ(link.target, folder + L"\\tavrel-brivane.exe");
        EXPECT_EQ(link.arguments, L"");
        EXPECT_TRUE(!link.icon.empty() && exists(link.icon)) << utf8(link.icon);

        const std::wstring record = scratch_ / L"javaw-record.txt";
        ::DeleteFileW(record.c_str());
        ASSERT_TRUE(openThroughShell(links.front(), record));
        const std::wstring appDir = launchertest::defaultAppDir();
        const std::wstring commandLine = testdriver::fromUtf8(readBytes(record));
        const std::wstring expectedStart = quoted(folder + L"\\jre\\bin\\javaw.exe") + L" -classpath \"";
        EXPECT_EQ(commandLine.substr(0, expectedStart.size()), expectedStart) << utf8(commandLine);
        EXPECT_NE(commandLine.find(appDir + L"\\lib\\ext\\banking-ui.jar"), std::wstring::npos) << utf8(commandLine);
        const std::wstring expectedEnd = L" -Xmx512m -Dfile.encoding=UTF-8 a.a " + quoted(appDir) + L" " +
                                         quoted(folder) + L" " + quoted(launchertest::defaultDataDir());
        ASSERT_GE(commandLine.size(), expectedEnd.size());
        EXPECT_EQ(commandLine.substr(commandLine.size() - expectedEnd.size()), expectedEnd) << utf8(commandLine);
        // The per-user copy is the installation's library plus the mark of a complete copy.
        std::vector<std::wstring> seeded = launchertest::filesBelow(folder + L"\\lib");
        seeded.push_back(L"library.complete");
        std::sort(seeded.begin(), seeded.end());
        EXPECT_EQ(launchertest::filesBelow(appDir + L"\\lib"), seeded);
    }

    // Removes the package that replaced an older one, after giving the cleaner the installing
    // user's application folder to delete (under Wine the upgrade's removal of the older version
    // has already run it once), and expects nothing of the installation left.
    void removesEverything(const std::wstring& package, const std::wstring& folder,
                           const std::wstring& upgradeCode) const {
        const std::wstring appDir = launchertest::defaultAppDir();
        testdriver::makeTree(appDir, {L"lib\\client.jar", L"logs\\kvl_2026_01_02_030405.launch.log"});
        ASSERT_EQ(msiexec(L"/x " + quoted(package) + L" /qn"), 0u);
        EXPECT_FALSE(exists(folder));
        EXPECT_TRUE(shortcuts().empty());
        EXPECT_TRUE(installedProducts(upgradeCode).empty());
        EXPECT_FALSE(exists(appDir));
    }

    std::wstring upgradeCode_;
    std::wstring userUpgradeCode_;
    const testdriver::ScratchFolder scratch_{L"installer"};

private:
    static std::wstring profilesRoot() {
        const std::wstring profile = shellFolder(CSIDL_PROFILE);
        return profile.substr(0, profile.rfind(L'\\') + 1);
    }
    void removeAll() const {
        for (const std::wstring& code : {upgradeCode_, userUpgradeCode_}) {
            for (const std::wstring& product : installedProducts(code)) msiexec(L"/x " + product + L" /qn");
        }
        for (const wchar_t* name : kOtherUsers) removeTree(otherUser(name));
        removeTree(launchertest::defaultAppDir());
        removeTree(launchertest::defaultDataDir());
    }
};

std::vector<std::wstring> packagedFiles() {
    return {L"cfgsweep.exe",
            L"faultpost.exe",
            L"jre\\bin\\javaw.exe",
            L"lib\\client.jar",
            L"lib\\ext\\banking-ui.jar",
            L"lib\\plugins\\signing\\signature.jar",
            L"lib\\win.vmoptions",
            L"mapirelay.exe",
            L"tavrel-brivane.exe"};
}

TEST_F(InstallerRun, InstallsStartsAndRemovesWithEveryProfilesFolders) {
    ASSERT_EQ(msiexec(L"/i " + quoted(packagePath()) + L" /qn"), 0u);

    EXPECT_EQ(launchertest::filesBelow(installFolder()), packagedFiles());
    ASSERT_NO_FATAL_FAILURE(startsThroughTheShortcut(installFolder()));
    const std::wstring appDir = launchertest::defaultAppDir();

    for (const wchar_t* name : kOtherUsers) createOtherUser(name);
    const std::wstring vendorFolder = installFolder().substr(0, installFolder().rfind(L'\\'));
    writeBytes(shellFolder(CSIDL_PROGRAM_FILES) + L"\\brivane-msi-canary.txt", "stays");

    ASSERT_EQ(msiexec(L"/x " + quoted(packagePath()) + L" /qn"), 0u);

    EXPECT_FALSE(exists(vendorFolder));
    EXPECT_TRUE(shortcuts().empty());
    EXPECT_TRUE(installedProducts(upgradeCode_).empty());
    // The installing user's folder went too: under Wine the cleaner runs as that user.
    EXPECT_FALSE(exists(appDir));
    for (const wchar_t* name : kOtherUsers) {
        SCOPED_TRACE(utf8(name));
        EXPECT_EQ(launchertest::filesBelow(tavrelBankOf(name)),
                  (std::vector<std::wstring>{L"canary.txt", L"other\\keep.txt"}));
    }
    const std::wstring canary = shellFolder(CSIDL_PROGRAM_FILES) + L"\\brivane-msi-canary.txt";
    EXPECT_EQ(readBytes(canary), "stays");
    ::DeleteFileW(canary.c_str());
}

std::vector<std::wstring> upgradedFiles() {
    std::vector<std::wstring> files = packagedFiles();
    files.push_back(L"launch.ini");
    std::sort(files.begin(), files.end());
    return files;
}

// Expects the one product of upgradeCode, in the version of package.
void expectInstalledAlone(const std::wstring& package, const std::wstring& upgradeCode) {
    const auto products = installedProducts(upgradeCode);
    ASSERT_EQ(products.size(), 1u);
    EXPECT_EQ(installedVersion(products.front()), packageProperty(package, L"ProductVersion"));
}

// Windows marks the removal of the older version (UPGRADINGPRODUCTCODE), and the cleaner does not
// run then, so the users keep their folders; Wine removes it as a plain uninstallation, cleaner
// included. The condition is checked in the package's tables.
TEST_F(InstallerRun, NewerPackageReplacesTheInstallation) {
    const std::wstring olderVersion = packageProperty(packagePath(), L"ProductVersion");
    const std::wstring newerVersion = packageProperty(packagePath(true), L"ProductVersion");
    ASSERT_NE(olderVersion, newerVersion);
    ASSERT_EQ(packageProperty(packagePath(true), L"UpgradeCode"), upgradeCode_);
    ASSERT_EQ(msiexec(L"/i " + quoted(packagePath()) + L" /qn"), 0u);
    ASSERT_EQ(installedProducts(upgradeCode_).size(), 1u);

    ASSERT_EQ(msiexec(L"/i " + quoted(packagePath(true)) + L" /qn"), 0u);

    expectInstalledAlone(packagePath(true), upgradeCode_);
    EXPECT_NE(installedProducts(upgradeCode_).at(0), packageProperty(packagePath(), L"ProductCode"));
    EXPECT_EQ(launchertest::filesBelow(installFolder()), upgradedFiles());
    EXPECT_EQ(shortcuts().size(), 1u);
}


// As a site's software distribution installs it: a folder of its own, with a blank and a
// non-ASCII letter in the name. The package remembers it, so the newer package installs there
// again without being told, and its repair and removal find it.
TEST_F(InstallerRun, CustomFolderIsKeptThroughUpgradeAndRemoval) {
    const std::wstring folder = scratch_ / L"Kunden \u00C4pps\\Tavrel brivane";
    ASSERT_EQ(msiexec(L"/i " + quoted(packagePath()) + L" INSTALLDIR=" + quoted(folder) + L" /qn"), 0u);
    EXPECT_EQ(launchertest::filesBelow(folder), packagedFiles());
    EXPECT_FALSE(exists(installFolder()));
    ASSERT_NO_FATAL_FAILURE(startsThroughTheShortcut(folder));

    ASSERT_EQ(msiexec(L"/i " + quoted(packagePath(true)) + L" /qn"), 0u);

    expectInstalledAlone(packagePath(true), upgradeCode_);
    EXPECT_EQ(launchertest::filesBelow(folder), upgradedFiles());
    EXPECT_FALSE(exists(installFolder()));
    EXPECT_EQ(shortcuts().size(), 1u);

    // A repair puts a lost program back where the installation is. Wine's msiexec ends /fa with
    // exit code 1, so the repair is asked for through the properties that /f sets.
    ASSERT_TRUE(::DeleteFileW((folder + L"\\mapirelay.exe").c_str()));
    ASSERT_EQ(msiexec(L"/i " + quoted(packagePath(true)) + L" REINSTALL=ALL REINSTALLMODE=amus /qn"), 0u);
    EXPECT_EQ(launchertest::filesBelow(folder), upgradedFiles());
    EXPECT_FALSE(exists(installFolder()));

    removesEverything(packagePath(true), folder, upgradeCode_);
}

// The package for users without administrator rights: into the user's own programs folder, with
// the shortcut in the user's Start menu. Its upgrade is given a folder on the command line, which
// wins over the remembered one: the older version goes from where it was, the newer one goes there.
TEST_F(InstallerRun, PerUserPackageInstallsUpgradesAndRemoves) {
    ASSERT_EQ(msiexec(L"/i " + quoted(packagePath(false, Scope::PerUser)) + L" /qn"), 0u);
    EXPECT_EQ(launchertest::filesBelow(userInstallFolder()), packagedFiles());
    EXPECT_FALSE(exists(installFolder()));
    EXPECT_TRUE(exists(shellFolder(CSIDL_PROGRAMS) + L"\\" + kShortcutName));
    ASSERT_NO_FATAL_FAILURE(startsThroughTheShortcut(userInstallFolder()));

    const std::wstring folder = scratch_ / L"Eigene Programme\\brivane \u00DC";
    ASSERT_EQ(msiexec(L"/i " + quoted(packagePath(true, Scope::PerUser)) + L" INSTALLDIR=" + quoted(folder) + L" /qn"),
              0u);

    expectInstalledAlone(packagePath(true, Scope::PerUser), userUpgradeCode_);
    EXPECT_TRUE(installedProducts(upgradeCode_).empty());
    EXPECT_EQ(launchertest::filesBelow(folder), upgradedFiles());
    EXPECT_FALSE(exists(userInstallFolder()));
    EXPECT_EQ(shortcuts().size(), 1u);

    // Another user's client folders belong to that user's own installation: the removal of this
    // user's keeps them, although under Wine it could reach them.
    createOtherUser(kOtherUsers[0]);
    removesEverything(packagePath(true, Scope::PerUser), folder, userUpgradeCode_);
    EXPECT_FALSE(exists(userInstallFolder().substr(0, userInstallFolder().rfind(L'\\'))));
    EXPECT_EQ(launchertest::filesBelow(tavrelBankOf(kOtherUsers[0])), otherUserFiles());
}

// The package as sites installed it before it remembered its folder, into a folder of their own:
// the current package of the same version finds that folder through the installed launcher,
// without being told, and takes the installation over there. The earlier version's lib held two jars the newer one
// dropped; Wine leaves them, as it takes the "*" of the removal rows that clear the lib folders
// for the new files literally. That those rows are there is checked in the package's tables.
TEST_F(InstallerRun, NewerPackageFindsTheFolderOfAnEarlierOneThatDidNotRememberIt) {
    const std::wstring folder = scratch_ / L"Apps\\brivane";
    ASSERT_EQ(msiexec(L"/i " + quoted(earlierPackagePath()) + L" INSTALLDIR=" + quoted(folder) + L" /qn"), 0u);
    ASSERT_EQ(installedProducts(upgradeCode_).size(), 1u);
    std::vector<std::wstring> earlierFiles = packagedFiles();
    earlierFiles.push_back(L"lib\\ext\\report-print.jar");
    earlierFiles.push_back(L"lib\\legacy-api.jar");
    std::sort(earlierFiles.begin(), earlierFiles.end());
    ASSERT_EQ(launchertest::filesBelow(folder), earlierFiles);

    ASSERT_EQ(packageProperty(earlierPackagePath(), L"ProductVersion"), packageProperty(packagePath(), L"ProductVersion"));

    ASSERT_EQ(msiexec(L"/i " + quoted(packagePath()) + L" /qn"), 0u);

    expectInstalledAlone(packagePath(), upgradeCode_);
    EXPECT_EQ(installedProducts(upgradeCode_).at(0), packageProperty(packagePath(), L"ProductCode"));
    EXPECT_FALSE(exists(installFolder()));
    std::vector<std::wstring> files = launchertest::filesBelow(folder);
    for (const std::wstring& file : packagedFiles()) {
        EXPECT_NE(std::find(files.begin(), files.end(), file), files.end()) << utf8(file);
    }
    ASSERT_NO_FATAL_FAILURE(startsThroughTheShortcut(folder));
}

// One kind of installation per computer and user: with the package for all users installed the
// per-user one is refused, naming the folder of the installation there is, and the other way
// round. The refused package leaves nothing behind, and the installed one stays as it was.
TEST_F(InstallerRun, SecondKindOfInstallationIsRefused) {
    const struct {
        const char* name;
        Scope installed;
        Scope refused;
        std::wstring installedFolder;
        std::wstring refusedFolder;
        std::wstring expectedText;
    } kCases[] = {
        {"per user after per machine", Scope::PerMachine, Scope::PerUser, installFolder(), userInstallFolder(),
         L"bereits f\u00FCr alle Benutzer installiert"},
        {"per machine after per user", Scope::PerUser, Scope::PerMachine, userInstallFolder(), installFolder(),
         L"is already installed for this user"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(msiexec(L"/i " + quoted(packagePath(false, c.installed)) + L" /qn"), 0u);

        // With the basic user interface, so that the refusal is shown as a message box.
        testdriver::Process refused(L"msiexec.exe /i " + quoted(packagePath(false, c.refused)) + L" /qb");
        std::vector<std::wstring> shown;
        EXPECT_EQ(testdriver::answerDialogsUntilExit(refused, IDOK, kMsiexecTimeoutMs, &shown), 1);
        EXPECT_EQ(refused.exitCode(), static_cast<DWORD>(ERROR_INSTALL_FAILURE));
        ASSERT_EQ(shown.size(), 1u);
        const std::wstring& text = shown.front();
        EXPECT_NE(text.find(c.expectedText), std::wstring::npos) << utf8(text);
        EXPECT_NE(text.find(c.installedFolder), std::wstring::npos) << utf8(text);
        EXPECT_TRUE(installedProducts(c.refused == Scope::PerUser ? userUpgradeCode_ : upgradeCode_).empty());
        EXPECT_FALSE(exists(c.refusedFolder));
        EXPECT_EQ(launchertest::filesBelow(c.installedFolder), packagedFiles());
        EXPECT_EQ(shortcuts().size(), 1u);

        ASSERT_EQ(msiexec(L"/x " + quoted(packagePath(false, c.installed)) + L" /qn"), 0u);
    }
}

}  // namespace
