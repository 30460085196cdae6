#pragma once

#include <optional>
#include <string>
#include <vector>

// Where the application folders of all user profiles lie, derived from the running user's own
// data folder: profilesRoot + <profile> + profileSuffix names one profile's application folder.
struct ProfileLayout {
    std::wstring profilesRoot;   // with a trailing backslash, e.g. "C:\Users\"
    std::wstring profileSuffix;  // "\AppData\Local\TavrelBank\brivane": leading backslash, none trailing
    // Which folders in profilesRoot the walk visits: "*" for every profile, or the running user's
    // own profile folder by name (file names cannot hold wildcards, so it matches that one alone).
    std::wstring profilePattern = L"*";
};

// Whose application folders a run deletes: every profile's (as the per-machine removal runs it),
// or only the running user's own, whatever rights the run has (the per-user removal).
enum class SweepScope { EveryProfile, OwnProfile };

// Splits a data folder such as "C:\Users\u\AppData\Local\TavrelBank\brivane\" after its second
// and third backslash (a network path's leading "\\" does not count). Empty when the folder has
// too few levels, or when the suffix would not end in "\TavrelBank\" + applicationName: a local
// data folder at a drive root would otherwise make every folder beside it a deletion target.
// EveryProfile walks every folder in the root; OwnProfile only the one between the second and
// third backslash, so the only target is the data folder itself.
std::optional<ProfileLayout> splitProfileLayout(const std::wstring& dataFolder, const std::wstring& applicationName,
                                                SweepScope scope = SweepScope::EveryProfile);

// The layout for the running account. The system's own accounts (LocalSystem, as which an
// uninstaller runs the cleaner, LocalService, NetworkService) keep their data below the Windows
// folder (windowsFolder, normally "C:\Windows\"), where the split would look for profiles: such an
// account takes profilesFolder (the folder holding the users' profiles, normally "C:\Users\") as
// root and each profile's local data folder as suffix. Every other account gets the split, also
// one whose own profile lies elsewhere (a profile moved to another drive). An empty
// profilesFolder or windowsFolder (the system could not name it) leaves the split alone.
// OwnProfile always takes the split, for a system account too: its own data folder is the only
// target, wherever it lies.
std::optional<ProfileLayout> chooseProfileLayout(const std::wstring& dataFolder, const std::wstring& profilesFolder,
                                                 const std::wstring& windowsFolder,
                                                 const std::wstring& applicationName,
                                                 SweepScope scope = SweepScope::EveryProfile);

// The scope a command line asks for: OwnProfile when one of the arguments (the program path not
// among them) is "/currentuser" or "-currentuser", in any case of letters; every other argument is
// ignored, as the cleaner always ignored its arguments. Never throws.
SweepScope sweepScopeOf(const std::vector<std::wstring>& arguments);

// The path up to, not including, its last backslash; empty when it has none.
std::wstring enclosingFolder(const std::wstring& path);

// Every folder from one profile folder down to its application folder: the profile folder, then
// each folder that profileSuffix adds, the application folder last. Never throws.
std::vector<std::wstring> foldersDownToTarget(const std::wstring& profileFolder, const std::wstring& profileSuffix);
