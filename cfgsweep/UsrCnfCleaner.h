#pragma once

#include <string>

#include "cfgsweep/ProfileLayout.h"
#include "support/FileEnumeratorCallback.h"

class FileDescription;

// Deletes one application folder ("brivane", "cm", ...) in every user profile the running user
// can reach, and each profile's "TavrelBank" folder that this leaves empty. An application folder
// reached through a link on the way down from its profile folder is left alone.
class UsrCnfCleaner : public FileEnumeratorCallback {
public:
    explicit UsrCnfCleaner(const std::wstring& applicationName);

    // Deletes the target of one profile folder; throws the IOException of deleteFolder.
    void onEntry(FileDescription& description) override;

    // One pass over all profiles, or over the running user's own alone. Throws the IOException of
    // deleteFolder: a folder that stays locked ends the pass, the profiles after it are not visited.
    void clean(SweepScope scope = SweepScope::EveryProfile);

private:
    std::wstring profilesRoot;
    std::wstring profileSuffix;
    std::wstring applicationName;
};
