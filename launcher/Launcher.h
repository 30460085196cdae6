#pragma once

#include <string>

#include <windows.h>

class IOException;
class LogfileWriter;

// The start-up of the Java client: splash, folders, log, libraries, Java runtime, class path,
// properties, command line, process start. One run per process. Only IOException is thrown, as
// each function below says; "never throws" leaves aside running out of memory.
class Launcher {
public:
    // Copies the four values and does nothing else. Never throws.
    Launcher(int icon, int splashBitmap, const std::wstring& windowTitle, const std::wstring& profileName);
    // Never throws.
    virtual ~Launcher();

    // The whole start-up. Catches every IOException of its steps and reports it; never throws.
    void run(HINSTANCE instance, HINSTANCE previousInstance, PWSTR commandLine, int showState);

    // The folder of the launcher's own program file, with a trailing backslash. Never throws.
    std::wstring getInstallFolder() const;
    // The first line of libDir\win.vmoptions, verbatim but for a leading byte-order mark; empty
    // without a file. Throws IOException when the file cannot be read or its text not converted.
    std::wstring readVmOptions(const std::wstring& libDir) const;
    // Shows the splash window. Throws IOException (kind Installation) when the splash bitmap is
    // missing; the window then stays hidden.
    void showSplash() const;
    // Starts the runtime with commandLine and waits, a bounded while, until it is ready for input.
    // Throws IOException (kind Installation) when the process cannot be created, a command line
    // too long included.
    void startJavaVM(const std::wstring& commandLine, LogfileWriter& log) const;
    // The error box with the mail offer; log may be null. Throws IOException when writing to log
    // fails, or when the mail and then the offered save fail.
    void showErrorReport(const IOException& exception, LogfileWriter* log) const;
    // Appends one quoted "-Dlaunch.<name>=<value>" option to propertyOptions; nothing for an empty
    // value. Never throws.
    void addProperty(const std::wstring& name, const std::wstring& value, std::wstring& propertyOptions) const;
    // Appends the proxyHost and proxyPort options of a "ProxyServer" text (host:port, or the
    // "https=" entry of a per-protocol list; nothing without one). Never throws.
    void addProxyProperties(const std::wstring& proxyServer, std::wstring& propertyOptions) const;
    // Moves an old packaged runtime's "hotspot" folder to "client" when only the first exists.
    // Throws IOException (kind Resource) when the rename fails.
    void repairPackagedJre(const std::wstring& installFolder) const;

private:
    int iconId;
    int splashBitmapId;
    std::wstring title;
    std::wstring applicationName;
};

// The launcher's version text, shown in its log, its error report and the launch.version property.
extern const wchar_t* const launcherVersion;
