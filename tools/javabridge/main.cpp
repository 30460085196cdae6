// Stands where javaw.exe is expected and runs the Linux Java runtime in its place, for the tests
// and the demo under Wine. It reads its command line as a real runtime's launcher does (through
// GetCommandLineA, in the ANSI code page, split by the Java launcher's rules). It turns the
// Windows paths in the class path, in "-Dname=value" and "-XX:name=value" values, in the quoted
// file of an "-Xlog:" option and in the program arguments into Linux paths, and hands everything
// to the Linux java in an argument file, so that no argument
// goes through a second round of command-line quoting.
// Wine starts a Linux program detached: its process handle cannot be waited on and it takes no
// Windows pipe. So a shell around java writes java's exit code to a file, which the message loop
// polls; the loop is also what lets the launcher's idle wait return, as with a real javaw.exe.
// Ends with java's exit code. What java prints goes to java-output.log beside this program, or to
// java-dump-output.log for a run that assembles a class-data archive (-Xshare:dump), which runs
// beside the client.
// The Linux runtime is the one whose folder the first line of linux-java-home.txt beside this
// program names; without that file the Debian OpenJDK 17, or /usr/bin/java where it is missing.
#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include <windows.h>
#include <shellapi.h>

#include "support/UniqueResource.h"
#include "tests/driver/RuntimeArguments.h"
#include "tests/driver/ScratchFolder.h"
#include "tests/driver/TestPaths.h"
#include "tests/driver/TextFiles.h"

namespace {

using testdriver::fromUtf8;
using testdriver::utf8;

constexpr UINT kPollMs = 50;

// The class path goes to java separately: Wine names a file on drive C: ".../dosdevices/c:/...",
// and the colon would split the entry, so the shell resolves the entries to their real paths
// first, all in one realpath (a real javaw.exe spends nothing on this, so neither should a start
// with many jars here).
// The argument file holds UTF-8, and java decodes its arguments by the locale: a UTF-8 one.
// The exit code file appears whole, by a rename, so a poll never reads it half written.
const wchar_t kShellCommand[] =
    LR"(/bin/sh -c "export LC_ALL=C.UTF-8; classpath=$(tr '\n' '\0' <\"$BRIDGE_CLASS_PATH\" | )"
    LR"(xargs -0 -r realpath -m -- | paste -s -d : -); )"
    LR"(\"$BRIDGE_JAVA\" -classpath \"$classpath\" \"@$BRIDGE_ARGUMENTS\" >>\"$BRIDGE_OUTPUT\" 2>&1; )"
    LR"(echo $? >\"$BRIDGE_EXIT.part\" && mv \"$BRIDGE_EXIT.part\" \"$BRIDGE_EXIT\"")";

const char kDefaultJavaHome[] = "/usr/lib/jvm/java-17-openjdk-amd64";

using UnixFileNameFunction = char*(__cdecl*)(const WCHAR*);

bool isWindowsPath(const std::wstring& text) {
    const bool driveLetter =
        text.size() >= 3 && ((text[0] >= L'A' && text[0] <= L'Z') || (text[0] >= L'a' && text[0] <= L'z'));
    return (driveLetter && text[1] == L':' && (text[2] == L'\\' || text[2] == L'/')) || text.rfind(L"\\\\", 0) == 0;
}

// The Linux form of a Windows path (Wine maps one whose last part does not exist yet); any other
// text, and a path Wine cannot map, stays as it is.
std::string linuxForm(const std::wstring& text) {
    const auto toUnix = reinterpret_cast<UnixFileNameFunction>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (toUnix != nullptr && isWindowsPath(text)) {
        // Wine hands the name out in memory of the process heap.
        const UniqueProcessHeapMemory unixPath(toUnix(text.c_str()));
        if (unixPath) return static_cast<const char*>(unixPath.get());
    }
    return utf8(text);
}

// linuxForm for a runtime option's file: Wine names drive C: ".../dosdevices/c:/...", and a
// runtime takes a ":" in some options' file names as a list of files, so the name goes through
// the folder that the drive's link leads to in every prefix.
std::string linuxOptionFile(const std::wstring& path) {
    std::string linux = linuxForm(path);
    const std::string drive = "/dosdevices/c:/";
    const std::size_t at = linux.find(drive);
    if (at != std::string::npos) linux.replace(at, drive.size(), "/drive_c/");
    return linux;
}

// The java of the chosen Linux runtime. Z: is the Linux root in every Wine prefix.
std::string linuxJava() {
    std::string home = testdriver::readBytes(testdriver::binFolder() + L"linux-java-home.txt");
    home = home.substr(0, home.find_first_of("\r\n"));
    if (home.empty()) home = kDefaultJavaHome;
    const std::string java = home + "/bin/java";
    if (::GetFileAttributesW((L"Z:" + fromUtf8(java)).c_str()) == INVALID_FILE_ATTRIBUTES) return "/usr/bin/java";
    return java;
}

// A runtime log option's output file, -Xlog:what:file="path":..., with the quoted path in Linux
// form; any other log option stays as it is.
std::string linuxLogOption(const std::wstring& option) {
    const std::wstring marker = L":file=\"";
    const std::size_t start = option.find(marker);
    const std::size_t end = start == std::wstring::npos ? start : option.find(L'"', start + marker.size());
    if (end == std::wstring::npos) return utf8(option);
    return utf8(option.substr(0, start + marker.size())) +
           linuxOptionFile(option.substr(start + marker.size(), end - start - marker.size())) + utf8(option.substr(end));
}

// One line per class path entry, in Linux form.
std::string linuxClassPath(const std::wstring& classPath) {
    std::string lines;
    for (std::size_t start = 0;;) {
        const std::size_t end = classPath.find(L';', start);
        lines += linuxForm(classPath.substr(start, end == std::wstring::npos ? end : end - start)) + "\n";
        if (end == std::wstring::npos) return lines;
        start = end + 1;
    }
}

// The arguments in Linux form, without the class path, which goes to classPath.
std::vector<std::string> linuxArguments(const std::vector<std::wstring>& arguments, std::string& classPath) {
    std::vector<std::string> result;
    bool inOptions = true;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        const std::size_t equals = argument.find(L'=');
        if (!inOptions) {
            result.push_back(linuxForm(argument));
        } else if ((argument == L"-classpath" || argument == L"-cp") && i + 1 < arguments.size()) {
            classPath = linuxClassPath(arguments[++i]);
        } else if (argument.rfind(L"-D", 0) == 0 && equals != std::wstring::npos) {
            result.push_back(utf8(argument.substr(0, equals + 1)) + linuxForm(argument.substr(equals + 1)));
        } else if (argument.rfind(L"-XX:", 0) == 0 && equals != std::wstring::npos) {
            result.push_back(utf8(argument.substr(0, equals + 1)) + linuxOptionFile(argument.substr(equals + 1)));
        } else if (argument.rfind(L"-Xlog:", 0) == 0) {
            result.push_back(linuxLogOption(argument));
        } else {
            // The first argument that is no option is the main class; the client's own follow it.
            inOptions = argument.rfind(L"-", 0) == 0;
            result.push_back(utf8(argument));
        }
    }
    return result;
}

// In a java argument file a quoted argument may hold anything; the backslash escapes inside it.
std::string argumentFile(const std::vector<std::string>& arguments) {
    std::string file;
    for (const std::string& argument : arguments) {
        file += '"';
        for (const char c : argument) {
            if (c == '\\' || c == '"') file += '\\';
            file += c;
        }
        file += "\"\n";
    }
    return file;
}

// Writes the work files and starts the shell with java; false when that fails. Throws
// std::runtime_error when a work file cannot be written.
bool startJava(const std::vector<std::wstring>& arguments, const std::wstring& workFolder) {
    std::string classPath;
    const std::vector<std::string> javaArguments = linuxArguments(arguments, classPath);
    testdriver::writeBytes(workFolder + L"\\arguments", argumentFile(javaArguments));
    testdriver::writeBytes(workFolder + L"\\classpath", classPath);
    ::SetEnvironmentVariableW(L"BRIDGE_ARGUMENTS", fromUtf8(linuxForm(workFolder + L"\\arguments")).c_str());
    ::SetEnvironmentVariableW(L"BRIDGE_CLASS_PATH", fromUtf8(linuxForm(workFolder + L"\\classpath")).c_str());
    ::SetEnvironmentVariableW(L"BRIDGE_EXIT", fromUtf8(linuxForm(workFolder + L"\\exit")).c_str());
    ::SetEnvironmentVariableW(L"BRIDGE_JAVA", fromUtf8(linuxJava()).c_str());
    ::SetEnvironmentVariableW(L"BRIDGE_OUTPUT", fromUtf8(linuxForm(workFolder + L"\\output")).c_str());

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    std::wstring commandLine = kShellCommand;
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &info)) {
        return false;
    }
    // Nothing can be learnt from these handles under Wine.
    UniqueProcessInformation process;
    process.process.reset(info.hProcess);
    process.thread.reset(info.hThread);
    return true;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const std::vector<std::wstring> split = testdriver::runtimeArguments(testdriver::ansiCommandLine());
    const std::vector<std::wstring> arguments(split.begin() + 1, split.end());

    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH + 1, temp);
    const std::wstring workFolder = temp + (L"java-bridge-" + std::to_wstring(::GetCurrentProcessId()));
    const std::wstring exitFile = workFolder + L"\\exit";
    testdriver::makeFolders(workFolder);
    ::DeleteFileW(exitFile.c_str());
    try {
        if (!startJava(arguments, workFolder)) return 1;
    } catch (const std::runtime_error&) {
        return 1;
    }

    ::SetTimer(nullptr, 0, kPollMs, nullptr);
    int exitCode = 1;
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER && message.hwnd == nullptr && testdriver::fileSize(exitFile) >= 0) {
            exitCode = std::atoi(testdriver::readBytes(exitFile).c_str());
            break;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    // Copied by Windows, which handles any name: the shell gets only the work folder's names.
    const bool dump = std::find(arguments.begin(), arguments.end(), L"-Xshare:dump") != arguments.end();
    ::CopyFileW((workFolder + L"\\output").c_str(),
                (testdriver::binFolder() + (dump ? L"java-dump-output.log" : L"java-output.log")).c_str(), FALSE);
    testdriver::removeTree(workFolder);
    return exitCode;
}
