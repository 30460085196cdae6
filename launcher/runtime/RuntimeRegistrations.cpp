#include "launcher/runtime/RuntimeRegistrations.h"

#include <algorithm>

#include "launcher/runtime/JavaVersion.h"
#include "launcher/runtime/RuntimeVersionName.h"

std::wstring registrationTitle(const RuntimeRegistration& registration) {
    std::wstring title = registration.key;
    if (registration.onlyWithoutCurrentVersion) title += L" without CurrentVersion";
    return title;
}

std::wstring inRuntimeFolder(const std::wstring& folder, const std::wstring& relativePath) {
    std::wstring base = folder;
    while (!base.empty() && (base.back() == L'\\' || base.back() == L'/')) base.pop_back();
    return base + L"\\" + relativePath;
}

std::wstring javawInFolder(const std::wstring& folder) {
    return inRuntimeFolder(folder, L"bin\\javaw.exe");
}

std::wstring pickRegisteredRuntime(const std::vector<RegisteredRuntime>& runtimes, const JavaVersion& minimum,
                                   const std::wstring& valueName,
                                   const std::function<bool(const std::wstring&)>& isExecutable,
                                   std::vector<std::wstring>& notes, JavaVersion& pickedVersion) {
    pickedVersion = JavaVersion(std::wstring());
    struct Ranked {
        JavaVersion version;
        const RegisteredRuntime* runtime;
    };
    std::vector<Ranked> ranked;
    for (const RegisteredRuntime& runtime : runtimes) ranked.push_back({runtimeVersion(runtime.name), &runtime});
    // Names not understood rank 0, so they come last and are passed over there.
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const Ranked& a, const Ranked& b) { return a.version.getNumber() > b.version.getNumber(); });
    for (const Ranked& candidate : ranked) {
        const RegisteredRuntime& runtime = *candidate.runtime;
        if (candidate.version.getNumber() == 0) {
            notes.push_back(L"Found invalid version " + runtime.name + L", skipped");
            continue;
        }
        if (candidate.version.isOlderThan(minimum)) {
            notes.push_back(L"Version " + runtime.name + L" too old");
            continue;
        }
        notes.push_back(L"Found valid version " + runtime.name);
        if (runtime.home.empty()) {
            notes.push_back(L"No " + valueName + L" node found");
            continue;
        }
        // A registration outlives a runtime folder deleted by hand: only a folder that still
        // holds javaw.exe counts.
        const std::wstring javaw = javawInFolder(runtime.home);
        if (!isExecutable(javaw)) {
            notes.push_back(L"No file " + javaw + L" found");
            continue;
        }
        pickedVersion = candidate.version;
        return javaw;
    }
    return std::wstring();
}

std::wstring runtimeFolderOf(const std::wstring& javawPath) {
    const std::size_t nameStart = javawPath.find_last_of(L'\\');
    if (nameStart == std::wstring::npos || nameStart == 0) return std::wstring();
    const std::size_t binStart = javawPath.find_last_of(L'\\', nameStart - 1);
    return binStart == std::wstring::npos ? std::wstring() : javawPath.substr(0, binStart);
}

namespace {

std::wstring withoutBlanksAround(const std::wstring& text) {
    const std::size_t first = text.find_first_not_of(L" \t");
    if (first == std::wstring::npos) return std::wstring();
    return text.substr(first, text.find_last_not_of(L" \t") - first + 1);
}

}  // namespace

std::wstring unquotedJavaHome(const std::wstring& value) {
    const std::wstring trimmed = withoutBlanksAround(value);
    if (trimmed.size() >= 2 && trimmed.front() == L'"' && trimmed.back() == L'"') {
        return withoutBlanksAround(trimmed.substr(1, trimmed.size() - 2));
    }
    return trimmed;
}

bool isAbsoluteFolder(const std::wstring& folder) {
    const auto isSlash = [](wchar_t c) { return c == L'\\' || c == L'/'; };
    if (folder.size() >= 2 && isSlash(folder[0]) && isSlash(folder[1])) return true;
    const bool driveLetter = folder.size() >= 3 && ((folder[0] >= L'A' && folder[0] <= L'Z') ||
                                                    (folder[0] >= L'a' && folder[0] <= L'z'));
    return driveLetter && folder[1] == L':' && isSlash(folder[2]);
}

bool acceptJavaHomeRuntime(bool hasReleaseFile, const std::string& releaseBytes, const JavaVersion& minimum,
                           std::wstring& note) {
    if (!hasReleaseFile) {
        note = L"No release file found, version not checked";
        return true;
    }
    std::wstring version;
    if (!releaseJavaVersion(releaseBytes, version)) {
        note = L"No JAVA_VERSION found in release file";
        return false;
    }
    const int number = runtimeVersionNumber(version);
    if (number == 0) {
        note = L"Found invalid version " + version + L", skipped";
        return false;
    }
    if (number < minimum.getNumber()) {
        note = L"Version " + version + L" too old";
        return false;
    }
    note = L"Found valid version " + version;
    return true;
}
