#include "tests/launcher/ExpectedRun.h"

#include <algorithm>

#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include "support/UniqueResource.h"
#include "tests/driver/Process.h"

namespace launchertest {

std::wstring percentEncoded(const std::wstring& text) {
    std::wstring encoded;
    for (const unsigned char byte : utf8(text)) {
        if ((byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z')) {
            encoded += static_cast<wchar_t>(byte);
        } else {
            const wchar_t* digits = L"0123456789ABCDEF";
            encoded += L'%';
            encoded += digits[byte >> 4];
            encoded += digits[byte & 15];
        }
    }
    return encoded;
}

std::wstring folderProperties(const std::wstring& appDir, const std::wstring& installDir, const std::wstring& dataDir) {
    std::wstring options = L"\"-Dlaunch.version=2\" \"-Dlaunch.platform=Windows\"";
    // An empty folder gives no option at all.
    if (!appDir.empty()) options += L" \"-Dlaunch.appDir=" + percentEncoded(appDir) + L"\"";
    options += L" \"-Dlaunch.installDir=" + percentEncoded(installDir) + L"\"";
    options += L" \"-Dlaunch.dataDir=" + percentEncoded(dataDir) + L"\"";
    return options;
}

std::vector<std::string> utf8Lines(const std::vector<std::wstring>& lines) {
    std::vector<std::string> messages;
    for (const std::wstring& line : lines) messages.push_back(utf8(line));
    return messages;
}

// Everything a successful run logs, with the optional blocks as the caller expects them.

std::vector<std::string> logOf(const std::wstring& appDir) {
    return logMessages(onlyLogFile(appDir + L"\\logs"));
}

const std::wstring kInstallationHint = L"Please verify the Installation.";
const std::wstring kResourceHint =
    L"Please make sure that the volume is not full and that no application locks the resource.";
const std::wstring kInUseHint =
    L"Please close all windows associated with Tavrel Bank brivane and try to start the application again. If "
    L"the error message still appears, please restart your computer.";

std::wstring englishReport(const std::wstring& message, const std::wstring& hint) {
    return reportText(false, L"", message, L"", hint);
}

void setProcessSuspended(unsigned long processId, bool suspended) {
    const UniqueFileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    ASSERT_TRUE(snapshot);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Thread32First(snapshot.get(), &entry); more; more = ::Thread32Next(snapshot.get(), &entry)) {
        if (entry.th32OwnerProcessID != processId) continue;
        const UniqueHandle thread(::OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID));
        if (!thread) continue;
        if (suspended) ::SuspendThread(thread.get());
        else ::ResumeThread(thread.get());
    }
}

std::vector<std::wstring> addLargeLibrary(const Installation& installation, int count) {
    std::vector<std::wstring> jars;
    const std::string content(65536, 'j');
    for (int i = 0; i < count; ++i) {
        jars.push_back(L"module-" + std::to_wstring(1000 + i) + L".jar");
        writeBytes(installation.libDir() + L"\\" + jars.back(), content);
    }
    return jars;
}

std::vector<std::wstring> splitAt(const std::wstring& text, wchar_t separator) {
    std::vector<std::wstring> parts;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find(separator, start), text.size());
        parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::vector<std::wstring> classpathJars(const std::wstring& commandLine, const std::wstring& libDir) {
    const std::vector<std::wstring> arguments = testdriver::splitArguments(commandLine);
    const auto option = std::find(arguments.begin(), arguments.end(), L"-classpath");
    if (option == arguments.end() || option + 1 == arguments.end()) return {};
    std::vector<std::wstring> jars;
    for (const std::wstring& entry : splitAt(*(option + 1), L';')) {
        jars.push_back(entry.rfind(libDir + L"\\", 0) == 0 ? entry.substr(libDir.size() + 1) : entry);
    }
    std::sort(jars.begin(), jars.end());
    return jars;
}

bool suspendedDuringTheCopy(unsigned long processId, const std::wstring& firstStagedJar) {
    if (!waitFor([&] { return exists(firstStagedJar); }, 30000)) return false;
    setProcessSuspended(processId, true);
    return true;
}

std::vector<std::wstring> javaSoftDeadEnds(const ExpectedRun& run) {
    std::vector<std::wstring> lines = run.searchLines;
    for (const wchar_t* place : {L"64 bit Java VM (JavaSoft\\JRE)", L"32 bit Java VM (JavaSoft\\JRE)",
                                 L"64 bit Java VM (JavaSoft\\JDK)", L"32 bit Java VM (JavaSoft\\JDK)"}) {
        lines.insert(lines.end(), {L"Searching preinstalled " + std::wstring(place), L"No registry entry found"});
    }
    return lines;
}

}  // namespace launchertest
