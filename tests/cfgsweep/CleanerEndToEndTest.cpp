#include <chrono>
#include <filesystem>
#include <iostream>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <windows.h>

#include <shlobj.h>

#include "support/FolderOperations.h"
#include "support/UniqueResource.h"
#include "tests/driver/Links.h"
#include "tests/driver/Process.h"
#include "tests/driver/ScratchFolder.h"
#include "tests/driver/TestPaths.h"
#include "tests/driver/TextFiles.h"

namespace fs = std::filesystem;

namespace {

constexpr DWORD kTimeoutMs = 60000;

const wchar_t* const kApplicationNames[] = {L"brivane", L"brivane_quorsel", L"brivane_stage", L"cm"};

// The profiles root and the local data folder inside one profile, found the way the cleaner
// finds them: from the running user's local application data folder.
struct ProfilesLocation {
    fs::path root;           // C:\users
    fs::path localInProfile; // AppData\Local
};

ProfilesLocation profilesLocation() {
    const fs::path localData(testdriver::shellFolder(CSIDL_LOCAL_APPDATA));
    if (localData.empty()) return {};
    auto part = localData.begin();
    // C:\ + users make the root; the user's own folder is skipped; the rest lies inside a profile.
    fs::path root = *part++;
    root /= *part++;
    root /= *part++;
    ++part;
    fs::path inside;
    for (; part != localData.end(); ++part) inside /= *part;
    return {root, inside};
}

void writeFile(const fs::path& path, const std::string& content = "data") {
    testdriver::writeBytes(path.wstring(), content);
}

// Every path below the folder, relative to it, folders and files alike.
std::set<std::wstring> treeOf(const fs::path& folder) {
    std::set<std::wstring> entries;
    if (!fs::exists(folder)) return entries;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        entries.insert(fs::relative(entry.path(), folder).wstring());
    }
    return entries;
}

// Test profiles beside the real ones under the prefix's profiles root. Only these are created
// and removed again; the running user's own profile is left as it is.
class CleanerEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        location_ = profilesLocation();
        ASSERT_FALSE(location_.localInProfile.empty()) << "local application data folder not found";
        removeTestProfiles();
    }
    void TearDown() override { removeTestProfiles(); }

    fs::path profile(const std::wstring& name) const { return location_.root / (L"cfgsweep-test-" + name); }
    fs::path dotProfile() const { return location_.root / L".cfgsweep-test-dot"; }
    fs::path tavrelBank(const std::wstring& profileName) const {
        return profile(profileName) / location_.localInProfile / L"TavrelBank";
    }
    // An application folder with a small tree inside, as a client leaves it.
    void createApplicationFolder(const fs::path& folder) const {
        writeFile(folder / L"logs" / L"kvl_2024_01_02_030405.launch.log");
        writeFile(folder / L"lib" / L"sub" / L"client.jar");
        writeFile(folder / L"settings.ini");
    }

    std::set<std::wstring> testProfilesTree() const {
        std::set<std::wstring> all;
        for (const fs::path& folder : {profile(L"all"), profile(L"other"), profile(L"file"), profile(L"locked"),
                                       profile(L"empty"), dotProfile()}) {
            for (const auto& entry : treeOf(folder)) all.insert(folder.filename().wstring() + L"\\" + entry);
        }
        return all;
    }

    DWORD runCleaner(const std::wstring& arguments = L"") const {
        return testdriver::runToExit(L"\"" + testdriver::builtFile(L"cfgsweep.exe") + L"\" " + arguments, kTimeoutMs);
    }
    // Runs the cleaner, expecting exit code 0, and returns how long it took.
    long long timedCleanerRun() const {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(runCleaner(), 0u);
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    }

    ProfilesLocation location_;

private:
    void removeTestProfiles() const {
        for (const fs::path& folder : {profile(L"all"), profile(L"other"), profile(L"file"), profile(L"locked"),
                                       profile(L"empty"), profile(L"linked"), profile(L"inner"), dotProfile()}) {
            // Links go as links: what they point to lies outside the test profiles.
            testdriver::removeTree(folder.wstring());
        }
    }
};

TEST_F(CleanerEndToEnd, DeletesTheFourApplicationFoldersAndNothingElse) {
    // All four names: all go, and the emptied TavrelBank with them.
    for (const wchar_t* name : kApplicationNames) createApplicationFolder(tavrelBank(L"all") / name);
    // Names the shell cannot delete (a device, a trailing dot or blank), as a sync tool may leave them.
    for (const wchar_t* name : {L"NUL.jar", L"aux.log", L"b.jar.", L"c.jar "}) {
        testdriver::writeBytes(testdriver::longForm((tavrelBank(L"all") / L"cm" / L"lib_old").wstring() + L"\\" + name),
                               "stuck");
    }
    // Neighbours that only look like targets.
    const fs::path local = profile(L"all") / location_.localInProfile;
    writeFile(local / L"OtherVendor" / L"brivane" / L"keep.txt");
    writeFile(local / L"TavrelBank2" / L"brivane" / L"keep.txt");
    writeFile(local / L"brivane.txt");
    writeFile(profile(L"all") / L"AppData" / L"Roaming" / L"TavrelBank" / L"brivane" / L"keep.txt");
    // A TavrelBank still holding another application's folder (with a look-alike name) stays.
    createApplicationFolder(tavrelBank(L"other") / L"brivane");
    createApplicationFolder(tavrelBank(L"other") / L"brivane_stage");
    writeFile(tavrelBank(L"other") / L"brivane_old" / L"keep.txt");
    // A TavrelBank still holding a file stays.
    createApplicationFolder(tavrelBank(L"file") / L"cm");
    writeFile(tavrelBank(L"file") / L"notes.txt");
    // A dot-named folder under the profiles root is no profile: never visited.
    createApplicationFolder(dotProfile() / location_.localInProfile / L"TavrelBank" / L"brivane");

    EXPECT_EQ(runCleaner(), 0u);

    EXPECT_FALSE(fs::exists(tavrelBank(L"all")));
    EXPECT_TRUE(fs::exists(local / L"OtherVendor" / L"brivane" / L"keep.txt"));
    EXPECT_TRUE(fs::exists(local / L"TavrelBank2" / L"brivane" / L"keep.txt"));
    EXPECT_TRUE(fs::exists(local / L"brivane.txt"));
    EXPECT_TRUE(fs::exists(profile(L"all") / L"AppData" / L"Roaming" / L"TavrelBank" / L"brivane" / L"keep.txt"));

    EXPECT_FALSE(fs::exists(tavrelBank(L"other") / L"brivane"));
    EXPECT_FALSE(fs::exists(tavrelBank(L"other") / L"brivane_stage"));
    EXPECT_TRUE(fs::exists(tavrelBank(L"other") / L"brivane_old" / L"keep.txt"));

    EXPECT_FALSE(fs::exists(tavrelBank(L"file") / L"cm"));
    EXPECT_TRUE(fs::exists(tavrelBank(L"file") / L"notes.txt"));

    EXPECT_TRUE(fs::exists(dotProfile() / location_.localInProfile / L"TavrelBank" / L"brivane" / L"settings.ini"));
}

TEST_F(CleanerEndToEnd, LockedFileEndsOnlyThatNamesPassAfterTheRetries) {
    for (const wchar_t* name : kApplicationNames) createApplicationFolder(tavrelBank(L"locked") / name);
    createApplicationFolder(tavrelBank(L"other") / L"cm");
    const fs::path lockedFile = tavrelBank(L"locked") / L"brivane_quorsel" / L"in-use.dat";
    writeFile(lockedFile);
    // Wine lets a folder be renamed or removed around an open file, but it does enforce share
    // modes: a file held open without FILE_SHARE_DELETE cannot be deleted, so the shell delete
    // of its folder fails on every attempt, as it does on Windows while a client runs.
    const UniqueFileHandle lock(::CreateFileW(lockedFile.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(lock);
    ASSERT_FALSE(::DeleteFileW(lockedFile.c_str())) << "the lock is not honoured here";
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));

    const long long elapsedMs = timedCleanerRun();
    RecordProperty("cleaner_ms", static_cast<int>(elapsedMs));
    std::cout << "cfgsweep with one locked folder took " << elapsedMs << " ms\n";

    // Ten attempts 300 ms apart for the one locked folder; a second failing pass would double it.
    EXPECT_GE(elapsedMs, 2900);
    EXPECT_LT(elapsedMs, 6000);
    EXPECT_TRUE(fs::exists(lockedFile));
    EXPECT_TRUE(fs::exists(tavrelBank(L"locked")));
    for (const wchar_t* name : {L"brivane", L"brivane_stage", L"cm"}) {
        SCOPED_TRACE(testdriver::utf8(name));
        EXPECT_FALSE(fs::exists(tavrelBank(L"locked") / name));
    }
    EXPECT_FALSE(fs::exists(tavrelBank(L"other")));
}

// Canaries outside every profile, reached through an application folder that is a link, and
// through a link inside one. The first is left alone; the second is deleted with the link
// removed as a link (Windows), or, since Wine 8 cannot remove a Linux link itself, ends that
// name's pass in the delete error with everything but the link gone. Either way nothing behind a
// link is touched, and the other profiles are cleaned.
TEST_F(CleanerEndToEnd, NeverDeletesThroughALink) {
    const testdriver::ScratchFolder outside(L"cfgsweep-outside");
    writeFile(fs::path(outside.path()) / L"target" / L"canary.txt");
    writeFile(fs::path(outside.path()) / L"inner" / L"canary.txt");
    fs::create_directories(tavrelBank(L"linked"));
    ASSERT_TRUE(testdriver::makeFolderLink((tavrelBank(L"linked") / L"brivane").wstring(), outside / L"target"));
    createApplicationFolder(tavrelBank(L"inner") / L"cm");
    ASSERT_TRUE(testdriver::makeFolderLink((tavrelBank(L"inner") / L"cm" / L"lib" / L"outside").wstring(),
                                           outside / L"inner"));
    createApplicationFolder(tavrelBank(L"all") / L"brivane");

    const long long elapsedMs = timedCleanerRun();

    // A delete tried on the linked target would, under Wine, add ten more attempts (3 s) to the
    // at most ten of the link inside.
    EXPECT_LT(elapsedMs, 6000);
    EXPECT_EQ(testdriver::readBytes(outside / L"target\\canary.txt"), "data");
    EXPECT_EQ(testdriver::readBytes(outside / L"inner\\canary.txt"), "data");
    EXPECT_TRUE(isLink((tavrelBank(L"linked") / L"brivane").wstring())) << "a linked target is left alone";
    EXPECT_FALSE(fs::exists(tavrelBank(L"inner") / L"cm" / L"settings.ini"));
    EXPECT_FALSE(fs::exists(tavrelBank(L"inner") / L"cm" / L"lib" / L"sub"));
    EXPECT_FALSE(fs::exists(tavrelBank(L"all")));
    // The links go while what they point to still exists; a dangling one is invisible under Wine.
    testdriver::removeTree(profile(L"linked").wstring());
    testdriver::removeTree(profile(L"inner").wstring());
}

// As the per-user removal runs it: the running user's own application folders go, those of every
// other profile stay, although under Wine the run may reach them all.
TEST_F(CleanerEndToEnd, CurrentUserSwitchKeepsToTheOwnProfile) {
    const fs::path own = fs::path(testdriver::shellFolder(CSIDL_LOCAL_APPDATA)) / L"TavrelBank";
    testdriver::removeTree(own.wstring());
    createApplicationFolder(own / L"brivane");
    createApplicationFolder(own / L"cm");
    for (const wchar_t* name : kApplicationNames) createApplicationFolder(tavrelBank(L"other") / name);
    createApplicationFolder(tavrelBank(L"all") / L"brivane_stage");
    const std::set<std::wstring> others = testProfilesTree();

    EXPECT_EQ(runCleaner(L"/currentuser"), 0u);

    EXPECT_FALSE(fs::exists(own));
    EXPECT_EQ(testProfilesTree(), others);
}

TEST_F(CleanerEndToEnd, RunWithNothingToDoChangesNothing) {
    const fs::path local = profile(L"empty") / location_.localInProfile;
    writeFile(local / L"OtherVendor" / L"cm" / L"keep.txt");
    writeFile(local / L"TavrelBank" / L"brivane_old" / L"keep.txt");
    fs::create_directories(local / L"TavrelBank" / L"empty_other");
    fs::create_directories(profile(L"other") / location_.localInProfile);
    createApplicationFolder(dotProfile() / location_.localInProfile / L"TavrelBank" / L"cm");
    const std::set<std::wstring> before = testProfilesTree();
    ASSERT_FALSE(before.empty());

    EXPECT_EQ(runCleaner(), 0u);

    EXPECT_EQ(testProfilesTree(), before);
}

}  // namespace
