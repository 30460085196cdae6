#include "cfgsweep/UsrCnfCleaner.h"

#include "cfgsweep/ProfileLayout.h"
#include "support/DirectoryEnumerator.h"
#include "support/FileDescription.h"
#include "support/FolderOperations.h"
#include "support/PathProvider.h"

UsrCnfCleaner::UsrCnfCleaner(const std::wstring& applicationName) : applicationName(applicationName) {}

void UsrCnfCleaner::onEntry(FileDescription& description) {
    const std::wstring target = description.fullPath() + profileSuffix;
    // Also false for a profile whose folders the running user may not read: it is skipped.
    if (!isDirectory(target)) return;
    // A link on the way down from the profile folder may lead anywhere, into another profile or
    // outside every profile: what lies behind it is not this profile's to delete.
    for (const std::wstring& folder : foldersDownToTarget(description.fullPath(), profileSuffix)) {
        if (isLink(folder)) return;
    }
    deleteFolder(target);
    // Stays while another application folder is left in it.
    removeEmptyFolder(enclosingFolder(target));
}

void UsrCnfCleaner::clean(SweepScope scope) {
    const std::wstring dataFolder =
        PathProvider(applicationName).getDataFolder(PathProvider::Creation::NameOnly);
    const auto layout = chooseProfileLayout(dataFolder, getProfilesFolder(), getWindowsFolder(), applicationName, scope);
    if (!layout) return;
    profilesRoot = layout->profilesRoot;
    profileSuffix = layout->profileSuffix;
    DirectoryEnumerator().enumerate(profilesRoot, layout->profilePattern, *this, false);
}
