#pragma once

#include <functional>
#include <string>
#include <vector>

class JavaVersion;

// Where Java runtimes register themselves below HKEY_LOCAL_MACHINE\SOFTWARE (and, installed for
// one user only, below HKEY_CURRENT_USER\SOFTWARE, in the same layout) besides the JavaSoft
// "CurrentVersion" keys, and how the launcher picks one of them: the decisions take plain strings,
// the registry and file lookups stay with JavaVMFinder.

struct RuntimeRegistration {
    // Below HKEY_LOCAL_MACHINE\SOFTWARE; every sub-key of it is one runtime, named by its version.
    const wchar_t* key;
    // The string value that holds the runtime's folder.
    const wchar_t* valueName;
    // The key below each version sub-key that holds the value, tried in this order; "" is the
    // version sub-key itself, nullptr an unused entry.
    const wchar_t* suffixes[2];
    // For a key whose "CurrentVersion" was searched before: its versions are searched only when
    // "CurrentVersion" is missing, as some installers leave it out.
    bool onlyWithoutCurrentVersion;
};

// The registrations in search order, each searched in the 64-bit view and then the 32-bit view.
// Within a vendor the JRE key comes before the JDK key.
inline constexpr RuntimeRegistration kRuntimeRegistrations[] = {
    {L"JavaSoft\\JRE", L"JavaHome", {L"", nullptr}, true},
    {L"JavaSoft\\JDK", L"JavaHome", {L"", nullptr}, true},
    {L"Eclipse Adoptium\\JRE", L"Path", {L"hotspot\\MSI", nullptr}, false},
    {L"Eclipse Adoptium\\JDK", L"Path", {L"hotspot\\MSI", nullptr}, false},
    {L"AdoptOpenJDK\\JRE", L"Path", {L"hotspot\\MSI", L"openj9\\MSI"}, false},
    {L"AdoptOpenJDK\\JDK", L"Path", {L"hotspot\\MSI", L"openj9\\MSI"}, false},
    {L"Eclipse Foundation\\JDK", L"Path", {L"hotspot\\MSI", nullptr}, false},
    {L"Microsoft\\JDK", L"Path", {L"hotspot\\MSI", nullptr}, false},
    {L"Azul Systems\\Zulu", L"InstallationPath", {L"", nullptr}, false},
    // The 32-bit Zulu on 64-bit Windows, in the 32-bit view.
    {L"Azul Systems\\Zulu 32-bit", L"InstallationPath", {L"", nullptr}, false},
    {L"BellSoft\\Liberica", L"InstallationPath", {L"", nullptr}, false},
    {L"Semeru\\JRE", L"Path", {L"openj9\\MSI", nullptr}, false},
    {L"Semeru\\JDK", L"Path", {L"openj9\\MSI", nullptr}, false},
};

// The name a registration has in the log: its key, and the condition when it has one.
std::wstring registrationTitle(const RuntimeRegistration& registration);

// One version sub-key of a registration.
struct RegisteredRuntime {
    std::wstring name;  // the sub-key's name, which carries the version
    std::wstring home;  // the runtime's folder; empty when the value is missing
};

// relativePath below a runtime folder given with or without a trailing backslash. Never throws.
std::wstring inRuntimeFolder(const std::wstring& folder, const std::wstring& relativePath);
// The runtime folder's bin\javaw.exe. Never throws.
std::wstring javawInFolder(const std::wstring& folder);

// The javaw.exe to start among one registration's runtimes, or empty. They are tried from the
// highest version (runtimeVersionNumber of the name) down, equal versions in the given order; a
// runtime is taken when it is not older than minimum, has a folder, and isExecutable holds for
// its javaw.exe. notes receives one log line for each runtime tried and why it was passed over;
// valueName names the missing folder value. pickedVersion receives the version of the runtime
// taken (runtimeVersion of its name), or the empty version. Throws only what isExecutable throws.
std::wstring pickRegisteredRuntime(const std::vector<RegisteredRuntime>& runtimes, const JavaVersion& minimum,
                                   const std::wstring& valueName,
                                   const std::function<bool(const std::wstring&)>& isExecutable,
                                   std::vector<std::wstring>& notes, JavaVersion& pickedVersion);

// The folder of the runtime whose javaw.exe is at javawPath: the folder above its "bin". Never throws.
std::wstring runtimeFolderOf(const std::wstring& javawPath);

// JAVA_HOME as people set it: surrounding blanks and then one pair of surrounding double quotes
// (and blanks inside them) dropped. Never throws.
std::wstring unquotedJavaHome(const std::wstring& value);
// Whether a folder is given independently of the current folder and drive: "C:\..." (or "C:/...")
// or a network path "\\server\...". Never throws.
bool isAbsoluteFolder(const std::wstring& folder);

// Whether the runtime of JAVA_HOME may be started, judged by its "release" file: a runtime with
// no such file (a Java 8 JRE may have none) is taken unchecked; one whose file names no version,
// a version not understood or one older than minimum is refused. note receives the log line.
// Never throws.
bool acceptJavaHomeRuntime(bool hasReleaseFile, const std::string& releaseBytes, const JavaVersion& minimum,
                           std::wstring& note);
