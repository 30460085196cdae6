#pragma once

#include <string>

#include <windows.h>

class IOException;
class LogfileWriter;

// The start-up of the Java client: splash, folders, log, libraries, Java runtime, class path,
// properties, command line, process start. One run per process.
class Launcher {
public:
    // Copies the four values and does nothing else.
    Launcher(int icon, int splashBitmap, const std::wstring& windowTitle, const std::wstring& profileName);
    virtual ~Launcher();

    // The whole start-up. Catches every IOException of its steps and reports it; never throws.
    void run(HINSTANCE instance, HINSTANCE previousInstance, PWSTR commandLine, int showState);

    // The folder of the launcher's own program file, with a trailing backslash. Never throws.
    std::wstring getInstallFolder() const;
    // The first line of libDir\win.vmoptions, verbatim but for a leading byte-order mark; empty
    // without a file. Throws IOException.
    std::wstring readVmOptions(const std::wstring& libDir) const;
    // Throws IOException when the splash bitmap is missing.
    void showSplash() const;
    // Throws IOException when the process cannot be created.
    void startJavaVM(const std::wstring& commandLine, LogfileWriter& log) const;
    // The error box with the mail offer; log may be null. Throws what the log writer and the mail
    // dispatch throw.
    void showErrorReport(const IOException& exception, LogfileWriter* log) const;
    void addProperty(const std::wstring& name, const std::wstring& value, std::wstring& propertyOptions) const;
    void addProxyProperties(const std::wstring& proxyServer, std::wstring& propertyOptions) const;
    // Moves an old packaged runtime's "hotspot" folder to "client". Throws IOException.
    void repairPackagedJre(const std::wstring& installFolder) const;

private:
    int iconId;
    int splashBitmapId;
    std::wstring title;
    std::wstring applicationName;
};

// The launcher's version text, shown in its log, its error report and the launch.version property.
extern const wchar_t* const launcherVersion;
