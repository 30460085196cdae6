#pragma once

#include <string>

// Where the client's per-user folders lie. Every folder it hands out ends with a backslash;
// an empty string means the shell could not name the folder.
class PathProvider {
public:
    // Whether getDataFolder creates the folders it names (the launcher) or only names them
    // (the error-report mailer and the profile cleaner).
    enum class Creation { CreateMissing, NameOnly };

    explicit PathProvider(const std::wstring& applicationName);
    virtual ~PathProvider() = default;

    // Local application data + "TavrelBank\" + applicationName + "\". The CreateMissing form
    // creates "TavrelBank" and the application folder when missing and throws the create
    // IOException; the NameOnly form never throws.
    std::wstring getDataFolder(Creation creation = Creation::CreateMissing) const;
    // Documents + "TavrelBank\", created when missing. Throws IOException.
    std::wstring getDocumentsFolder() const;
    // The NameOnly data folder + "logs\". Never throws.
    std::wstring getLogsFolder() const;

private:
    std::wstring applicationName_;
};

// The shell folder with one backslash appended unless it is empty or already ends with one
// (a drive root such as "D:\"). Never throws.
std::wstring withTrailingBackslash(const std::wstring& folder);

// The full path of the running program's file as the system loaded it (GetModuleFileNameW), of
// any length; empty when the system cannot tell. Never throws.
std::wstring programFilePath();

// The folder that holds the users' profiles (FOLDERID_UserProfiles, normally "C:\Users\") with a
// trailing backslash; empty when the shell cannot name it. Never throws.
std::wstring getProfilesFolder();

// The system's Windows folder (GetSystemWindowsDirectoryW: on a terminal server the shared one,
// not a user's private copy) with a trailing backslash; empty when the system cannot tell. The
// system's own accounts keep their profiles below it. Never throws.
std::wstring getWindowsFolder();
