#include "cfgsweep/ProfileLayout.h"

#include "support/AsciiCase.h"
#include "support/PathProvider.h"

namespace {

bool endsWith(const std::wstring& text, const std::wstring& ending) {
    return text.size() >= ending.size() && text.compare(text.size() - ending.size(), ending.size(), ending) == 0;
}

// folder ends with a backslash, so "C:\WindowsApps\..." does not lie below "C:\Windows\". Both
// folders come from the system, so they can differ only in the case of plain letters such as the
// drive letter.
bool liesBelow(const std::wstring& path, const std::wstring& folder) {
    if (path.size() <= folder.size()) return false;
    for (std::size_t i = 0; i < folder.size(); ++i) {
        if (lowerAsciiLetter(path[i]) != lowerAsciiLetter(folder[i])) return false;
    }
    return true;
}

bool equalsIgnoringAsciiCase(const std::wstring& text, const std::wstring& other) {
    if (text.size() != other.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (lowerAsciiLetter(text[i]) != lowerAsciiLetter(other[i])) return false;
    }
    return true;
}

}  // namespace

std::optional<ProfileLayout> splitProfileLayout(const std::wstring& dataFolder, const std::wstring& applicationName,
                                                SweepScope scope) {
    auto a = dataFolder.find(L'\\');
    // A network path starts with two backslashes; its server name counts as the first level.
    if (a == 0) a = dataFolder.find(L'\\', 2);
    if (a == std::wstring::npos) return std::nullopt;
    const auto b = dataFolder.find(L'\\', a + 1);
    if (b == std::wstring::npos) return std::nullopt;
    const auto c = dataFolder.find(L'\\', b + 1);
    if (c == std::wstring::npos) return std::nullopt;

    ProfileLayout layout;
    layout.profilesRoot = dataFolder.substr(0, b + 1);
    // c is a backslash, so the data folder is at least one character longer than c.
    layout.profileSuffix = dataFolder.substr(c, dataFolder.size() - 1 - c);
    if (!endsWith(layout.profileSuffix, L"\\TavrelBank\\" + applicationName)) return std::nullopt;
    if (scope == SweepScope::OwnProfile) {
        // An empty name ("C:\Users\\...") would make the walk's pattern name the root itself.
        if (c == b + 1) return std::nullopt;
        layout.profilePattern = dataFolder.substr(b + 1, c - b - 1);
    }
    return layout;
}

std::optional<ProfileLayout> chooseProfileLayout(const std::wstring& dataFolder, const std::wstring& profilesFolder,
                                                 const std::wstring& windowsFolder,
                                                 const std::wstring& applicationName, SweepScope scope) {
    if (scope == SweepScope::OwnProfile) return splitProfileLayout(dataFolder, applicationName, scope);
    const std::wstring root = withTrailingBackslash(profilesFolder);
    const std::wstring windows = withTrailingBackslash(windowsFolder);
    if (root.empty() || windows.empty() || !liesBelow(dataFolder, windows)) {
        return splitProfileLayout(dataFolder, applicationName);
    }
    ProfileLayout layout;
    layout.profilesRoot = root;
    layout.profileSuffix = L"\\AppData\\Local\\TavrelBank\\" + applicationName;
    return layout;
}

SweepScope sweepScopeOf(const std::vector<std::wstring>& arguments) {
    for (const std::wstring& argument : arguments) {
        if (equalsIgnoringAsciiCase(argument, L"/currentuser") || equalsIgnoringAsciiCase(argument, L"-currentuser")) {
            return SweepScope::OwnProfile;
        }
    }
    return SweepScope::EveryProfile;
}

std::wstring enclosingFolder(const std::wstring& path) {
    const auto last = path.rfind(L'\\');
    return last == std::wstring::npos ? std::wstring() : path.substr(0, last);
}

std::vector<std::wstring> foldersDownToTarget(const std::wstring& profileFolder, const std::wstring& profileSuffix) {
    std::vector<std::wstring> folders = {profileFolder};
    // profileSuffix begins with a backslash: each further backslash ends one more folder.
    for (auto next = profileSuffix.find(L'\\', 1); next != std::wstring::npos; next = profileSuffix.find(L'\\', next + 1)) {
        folders.push_back(profileFolder + profileSuffix.substr(0, next));
    }
    if (!profileSuffix.empty()) folders.push_back(profileFolder + profileSuffix);
    return folders;
}
