#include "cfgsweep/ProfileLayout.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/driver/CaseTable.h"

namespace {

TEST(SplitProfileLayout, SplitsTheDataFolderIntoProfilesRootAndSuffix) {
    testdriver::forEachCase<std::wstring, std::wstring, std::wstring, std::wstring>({
        {"current Windows", LR"(C:\Users\user1\AppData\Local\TavrelBank\brivane\)", L"brivane", LR"(C:\Users\)",
         LR"(\AppData\Local\TavrelBank\brivane)"},
        {"older Windows, blanks in names",
         LR"(C:\Documents and Settings\user1\Local Settings\Application Data\TavrelBank\cm\)", L"cm",
         LR"(C:\Documents and Settings\)", LR"(\Local Settings\Application Data\TavrelBank\cm)"},
        {"Wine", LR"(C:\users\tester\AppData\Local\TavrelBank\brivane_stage\)", L"brivane_stage", LR"(C:\users\)",
         LR"(\AppData\Local\TavrelBank\brivane_stage)"},
        {"network path: the server counts as the first level",
         LR"(\\server\share\u1\AppData\Local\TavrelBank\brivane_quorsel\)", L"brivane_quorsel",
         LR"(\\server\share\)", LR"(\AppData\Local\TavrelBank\brivane_quorsel)"},
        {"shortest data folder that still names a profile", LR"(D:\P\u\TavrelBank\cm\)", L"cm", LR"(D:\P\)",
         LR"(\TavrelBank\cm)"},
    }, [&](const std::wstring& dataFolder, const std::wstring& applicationName, const std::wstring& profilesRoot,
           const std::wstring& profileSuffix) {
        const auto layout = splitProfileLayout(dataFolder, applicationName);
        ASSERT_TRUE(layout.has_value());
        EXPECT_EQ(layout->profilesRoot, profilesRoot);
        EXPECT_EQ(layout->profileSuffix, profileSuffix);
    });
}

TEST(SplitProfileLayout, GivesNoLayoutWhenTheTargetWouldNotBeAnApplicationFolder) {
    testdriver::forEachCase<std::wstring>({
        {"shell could not name the folder", L""},
        {"no backslash", L"TavrelBank"},
        {"one level", LR"(C:\)"},
        {"two levels", LR"(C:\TavrelBank)"},
        {"network path without share", LR"(\\server)"},
        {"network server and share only", LR"(\\server\share)"},
        // The plain split would give an empty suffix: every folder beside the data folder's
        // parent would become a target.
        {"local data at a drive root", LR"(D:\TavrelBank\brivane\)"},
        // ... or a suffix of "\brivane", so D:\Data\<anything>\brivane would be deleted.
        {"local data one level deep", LR"(D:\Data\TavrelBank\brivane\)"},
        {"other application's folder", LR"(C:\Users\u\AppData\Local\TavrelBank\brivane_stage\)"},
    }, [&](const std::wstring& dataFolder) {
        EXPECT_FALSE(splitProfileLayout(dataFolder, L"brivane").has_value());
    });
}

TEST(FoldersDownToTarget, ListsEveryFolderFromTheProfileToTheTarget) {
    testdriver::forEachCase<std::wstring, std::wstring, std::vector<std::wstring>>({
        {"current Windows", LR"(C:\Users\u)", LR"(\AppData\Local\TavrelBank\brivane)",
         {LR"(C:\Users\u)", LR"(C:\Users\u\AppData)", LR"(C:\Users\u\AppData\Local)",
          LR"(C:\Users\u\AppData\Local\TavrelBank)", LR"(C:\Users\u\AppData\Local\TavrelBank\brivane)"}},
        {"shortest suffix", LR"(D:\P\u)", LR"(\TavrelBank\cm)",
         {LR"(D:\P\u)", LR"(D:\P\u\TavrelBank)", LR"(D:\P\u\TavrelBank\cm)"}},
        {"no suffix", LR"(D:\P\u)", L"", {LR"(D:\P\u)"}},
    }, [&](const std::wstring& profile, const std::wstring& suffix, const std::vector<std::wstring>& folders) {
        EXPECT_EQ(foldersDownToTarget(profile, suffix), folders);
    });
}

TEST(ChooseProfileLayout, SplitsForUsersAndTakesTheProfilesFolderForSystemAccounts) {
    const std::wstring kSuffix = LR"(\AppData\Local\TavrelBank\brivane)";
    const std::wstring kWindows = LR"(C:\Windows\)";
    constexpr SweepScope kEvery = SweepScope::EveryProfile;
    constexpr SweepScope kOwn = SweepScope::OwnProfile;
    // data folder, profiles folder, Windows folder, scope; profiles root, suffix, walk pattern
    testdriver::forEachCase<std::wstring, std::wstring, std::wstring, SweepScope, std::wstring, std::wstring,
                            std::wstring>({
        {"user below the profiles folder: split", LR"(C:\Users\user1\AppData\Local\TavrelBank\brivane\)",
         LR"(C:\Users\)", kWindows, kEvery, LR"(C:\Users\)", kSuffix, L"*"},
        {"older Windows keeps its own suffix",
         LR"(C:\Documents and Settings\u\Local Settings\Application Data\TavrelBank\brivane\)",
         LR"(C:\Documents and Settings\)", kWindows, kEvery, LR"(C:\Documents and Settings\)",
         LR"(\Local Settings\Application Data\TavrelBank\brivane)", L"*"},
        // A user whose own profile lies elsewhere gets the split, never the system's profiles folder.
        {"relocated profile on another drive", LR"(D:\Profiles\u\AppData\Local\TavrelBank\brivane\)",
         LR"(C:\Users\)", kWindows, kEvery, LR"(D:\Profiles\)", kSuffix, L"*"},
        {"profile beside the profiles folder", LR"(C:\UsersOld\u\AppData\Local\TavrelBank\brivane\)",
         LR"(C:\Users\)", kWindows, kEvery, LR"(C:\UsersOld\)", kSuffix, L"*"},
        {"LocalSystem", LR"(C:\WINDOWS\system32\config\systemprofile\AppData\Local\TavrelBank\brivane\)",
         LR"(C:\Users\)", kWindows, kEvery, LR"(C:\Users\)", kSuffix, L"*"},
        {"LocalSystem, 32-bit program, folders without backslash",
         LR"(C:\Windows\SysWOW64\config\systemprofile\AppData\Local\TavrelBank\brivane\)", LR"(C:\Users)",
         LR"(C:\Windows)", kEvery, LR"(C:\Users\)", kSuffix, L"*"},
        {"LocalService", LR"(C:\Windows\ServiceProfiles\LocalService\AppData\Local\TavrelBank\brivane\)",
         LR"(C:\Users\)", kWindows, kEvery, LR"(C:\Users\)", kSuffix, L"*"},
        {"NetworkService, profiles moved to another drive",
         LR"(C:\Windows\ServiceProfiles\NetworkService\AppData\Local\TavrelBank\brivane\)", LR"(D:\Profiles\)",
         kWindows, kEvery, LR"(D:\Profiles\)", kSuffix, L"*"},
        // Only a whole folder name counts: C:\WindowsApps is not below C:\Windows.
        {"beside the Windows folder", LR"(C:\WindowsApps\u\AppData\Local\TavrelBank\brivane\)", LR"(C:\Users\)",
         kWindows, kEvery, LR"(C:\WindowsApps\)", kSuffix, L"*"},
        {"profiles folder unknown: split", LR"(C:\Users\user1\AppData\Local\TavrelBank\brivane\)", L"",
         kWindows, kEvery, LR"(C:\Users\)", kSuffix, L"*"},
        {"Windows folder unknown: split", LR"(D:\Profiles\u\AppData\Local\TavrelBank\brivane\)", LR"(C:\Users\)",
         L"", kEvery, LR"(D:\Profiles\)", kSuffix, L"*"},
        // The running user's own profile alone: the walk matches that one folder by name.
        {"own profile of a user", LR"(C:\Users\user1\AppData\Local\TavrelBank\brivane\)", LR"(C:\Users\)",
         kWindows, kOwn, LR"(C:\Users\)", kSuffix, L"user1"},
        {"own profile with blanks, older Windows",
         LR"(C:\Documents and Settings\Anna Berg\Local Settings\Application Data\TavrelBank\brivane\)",
         LR"(C:\Documents and Settings\)", kWindows, kOwn, LR"(C:\Documents and Settings\)",
         LR"(\Local Settings\Application Data\TavrelBank\brivane)", L"Anna Berg"},
        {"own relocated profile", LR"(D:\Profiles\u\AppData\Local\TavrelBank\brivane\)", LR"(C:\Users\)",
         kWindows, kOwn, LR"(D:\Profiles\)", kSuffix, L"u"},
        {"own profile on a network share", LR"(\\server\share\u1\AppData\Local\TavrelBank\brivane\)",
         LR"(C:\Users\)", kWindows, kOwn, LR"(\\server\share\)", kSuffix, L"u1"},
        // An elevated or system run told to keep to its own folders never takes the profiles folder:
        // its own data folder below the Windows folder stays the only target.
        {"own folder of LocalSystem", LR"(C:\WINDOWS\system32\config\systemprofile\AppData\Local\TavrelBank\brivane\)",
         LR"(C:\Users\)", kWindows, kOwn, LR"(C:\WINDOWS\)",
         LR"(\config\systemprofile\AppData\Local\TavrelBank\brivane)", L"system32"},
    }, [&](const std::wstring& dataFolder, const std::wstring& profilesFolder, const std::wstring& windowsFolder,
           SweepScope scope, const std::wstring& profilesRoot, const std::wstring& profileSuffix,
           const std::wstring& pattern) {
        const auto layout = chooseProfileLayout(dataFolder, profilesFolder, windowsFolder, L"brivane", scope);
        ASSERT_TRUE(layout.has_value());
        EXPECT_EQ(layout->profilesRoot, profilesRoot);
        EXPECT_EQ(layout->profileSuffix, profileSuffix);
        EXPECT_EQ(layout->profilePattern, pattern);
    });
    // The suffix names the application the pass is for.
    const auto cm = chooseProfileLayout(LR"(C:\Windows\system32\config\systemprofile\AppData\Local\TavrelBank\cm\)",
                                        LR"(C:\Users\)", kWindows, L"cm");
    ASSERT_TRUE(cm.has_value());
    EXPECT_EQ(cm->profileSuffix, LR"(\AppData\Local\TavrelBank\cm)");
}

TEST(ChooseProfileLayout, GivesNoLayoutWhereTheSplitGivesNone) {
    testdriver::forEachCase<std::wstring, std::wstring, SweepScope>({
        {"shell named no data folder", L"", LR"(C:\Users\)", SweepScope::EveryProfile},
        {"data folder below the profiles folder, too shallow", LR"(C:\Users\TavrelBank\brivane\)", LR"(C:\Users\)",
         SweepScope::EveryProfile},
        {"profiles folder unknown, data at a drive root", LR"(D:\TavrelBank\brivane\)", L"", SweepScope::EveryProfile},
        {"user's data at a drive root", LR"(D:\TavrelBank\brivane\)", LR"(C:\Users\)", SweepScope::EveryProfile},
        {"own scope, shell named no data folder", L"", LR"(C:\Users\)", SweepScope::OwnProfile},
        {"own scope, data at a drive root", LR"(D:\TavrelBank\brivane\)", LR"(C:\Users\)", SweepScope::OwnProfile},
        // An empty profile name would make the walk's pattern name the profiles root itself.
        {"own scope, empty profile name", LR"(C:\Users\\AppData\Local\TavrelBank\brivane\)", LR"(C:\Users\)",
         SweepScope::OwnProfile},
    }, [&](const std::wstring& dataFolder, const std::wstring& profilesFolder, SweepScope scope) {
        EXPECT_FALSE(chooseProfileLayout(dataFolder, profilesFolder, LR"(C:\Windows\)", L"brivane", scope).has_value());
    });
}

TEST(SweepScopeOf, OnlyTheCurrentUserSwitchNarrowsTheSweep) {
    testdriver::forEachCase<std::vector<std::wstring>, SweepScope>({
        {"no arguments, as before", {}, SweepScope::EveryProfile},
        {"the switch", {L"/currentuser"}, SweepScope::OwnProfile},
        {"dash form, other letter case", {L"-CurrentUser"}, SweepScope::OwnProfile},
        {"among other arguments", {L"/q", L"/CURRENTUSER"}, SweepScope::OwnProfile},
        {"unknown arguments are ignored", {L"silent", L"/all"}, SweepScope::EveryProfile},
        {"no prefix", {L"currentuser"}, SweepScope::EveryProfile},
        {"longer word", {L"/currentusers"}, SweepScope::EveryProfile},
        {"switch with a value", {L"/currentuser=no"}, SweepScope::EveryProfile},
        {"empty argument", {L""}, SweepScope::EveryProfile},
    }, [&](const std::vector<std::wstring>& arguments, SweepScope expected) {
        EXPECT_EQ(sweepScopeOf(arguments), expected);
    });
}

TEST(EnclosingFolder, CutsAtTheLastBackslash) {
    testdriver::forEachRow<std::wstring, std::wstring>({
        {LR"(C:\Users\u\AppData\Local\TavrelBank\brivane)", LR"(C:\Users\u\AppData\Local\TavrelBank)"},
        {LR"(C:\Users\)", LR"(C:\Users)"},
        {LR"(\x)", L""},
        {L"plain", L""},
    }, [&](const std::wstring& path, const std::wstring& expected) {
        EXPECT_EQ(enclosingFolder(path), expected);
    });
}

}  // namespace
