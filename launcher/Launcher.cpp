#include "launcher/Launcher.h"

#include "launcher/ArchiveAssembly.h"
#include "launcher/ErrorReportText.h"
#include "launcher/JavaProcess.h"
#include "launcher/LaunchLogPruning.h"
#include "launcher/LaunchSettings.h"
#include "launcher/SplashWindow.h"
#include "launcher/commandline/ArchiveFolder.h"
#include "launcher/commandline/JavaCommandLine.h"
#include "launcher/commandline/ProxySettings.h"
#include "launcher/commandline/StartCommandLine.h"
#include "launcher/commandline/VmOptionsQuotes.h"
#include "launcher/library/LibraryFolders.h"
#include "launcher/library/LibraryLock.h"
#include "launcher/runtime/JavaVMFinder.h"
#include "launcher/runtime/JavaVersion.h"
#include "support/DateTimeFormatter.h"
#include "support/FirstLine.h"
#include "support/FolderOperations.h"
#include "support/IOException.h"
#include "support/LogfileWriter.h"
#include "support/MailDispatch.h"
#include "support/MessageQueue.h"
#include "support/PathProvider.h"
#include "support/TextSelector.h"
#include "support/URLEncoder.h"

const wchar_t* const launcherVersion = L"2";

namespace {

// The folders that the steps after the log file need, without trailing backslash except
// appDirFolder.
struct LaunchFolders {
    std::wstring installFolder;
    std::wstring installDir;
    std::wstring appDirFolder;
    std::wstring appDir;
    std::wstring dataDir;
    std::wstring installLibDir;
    std::wstring libDir;
    std::wstring logsFolder;
    std::wstring logFileName;
};

std::wstring withoutLastCharacter(const std::wstring& text) {
    return text.empty() ? text : text.substr(0, text.size() - 1);
}

}  // namespace

Launcher::Launcher(int icon, int splashBitmap, const std::wstring& windowTitle, const std::wstring& profileName)
    : iconId(icon), splashBitmapId(splashBitmap), title(windowTitle), applicationName(profileName) {}

Launcher::~Launcher() = default;

std::wstring Launcher::getInstallFolder() const {
    // Not the command line: a caller that passes an unquoted path with blanks would make its first
    // word (often C:\) the installation folder, where anybody may plant launch.ini or a runtime.
    return programFolder(programFilePath());
}

std::wstring Launcher::readVmOptions(const std::wstring& libDir) const {
    return readFirstLine(libDir + L"\\win.vmoptions");
}

void Launcher::showSplash() const {
    showSplashWindow(title, iconId, splashBitmapId);
}

void Launcher::startJavaVM(const std::wstring& commandLine, LogfileWriter& log) const {
    startJavaProcess(commandLine, log);
}

void Launcher::addProperty(const std::wstring& name, const std::wstring& value, std::wstring& propertyOptions) const {
    appendLaunchProperty(name, value, propertyOptions);
}

void Launcher::addProxyProperties(const std::wstring& proxyServer, std::wstring& propertyOptions) const {
    appendProxyProperties(proxyServer, propertyOptions);
}

void Launcher::repairPackagedJre(const std::wstring& installFolder) const {
    const std::wstring hotspot = installFolder + L"jre1.4.2.3\\jre\\bin\\hotspot";
    const std::wstring client = installFolder + L"jre1.4.2.3\\jre\\bin\\client";
    if (isDirectory(hotspot) && !isDirectory(client)) renameFolder(hotspot, client, IOException::Resource);
}

void Launcher::showErrorReport(const IOException& exception, LogfileWriter* log) const {
    if (log != nullptr) log->log(L"Exception occured:");
    const ErrorReportText report = composeErrorReportText(title, launcherVersion, exception.germanMessage,
                                                          exception.englishMessage, exception.kind);
    const TextSelector selector;
    const std::wstring text = selector.select(report.germanText, report.englishText);
    const std::wstring subject = selector.select(report.germanSubject, report.englishSubject);
    if (log != nullptr) log->log(text);
    if (::MessageBoxW(nullptr, text.c_str(), report.caption.c_str(), MB_YESNO | MB_ICONQUESTION) == IDYES) {
        mailOrSave(subject.c_str(), text.c_str());
    }
}

namespace {

// Steps after the log file is open: everything they raise goes to the inner handler.
void launchWithLog(const Launcher& launcher, const LaunchFolders& folders, LogfileWriter& log) {
    log.log(std::wstring(L"Launcher initialized, version ") + launcherVersion);
    log.log(L"AppDir=" + folders.appDir);
    log.log(L"DataDir=" + folders.dataDir);
    log.log(L"InstallLibDir=" + folders.installLibDir);
    log.log(L"LibDir=" + folders.libDir);
    removeOldLaunchLogs(folders.logsFolder, folders.logFileName, log);

    // Held from the library maintenance until the class path is read from the finished folder and,
    // for a long class path, handed over in the manifest jar of the application folder.
    LibraryLock libraryLock(folders.appDirFolder, log);
    maintainLibraryFolder(folders.appDirFolder, folders.installLibDir, folders.libDir, log);

    JavaVMFinder finder;
    const JavaVersion minimumVersion(L"1.8");
    log.log(L"Searching Java VM");
    std::wstring javaPath;
    JavaVersion foundVersion(L"");
    finder.findJavaVM(folders.installFolder, minimumVersion, javaPath, foundVersion, log);
    if (javaPath.empty()) {
        log.log(L"No VM found");
        throw IOException(L"Die Java-Laufzeitumgebung mit der Mindestversion " + minimumVersion.getText() +
                              L" konnte nicht gefunden werden.",
                          L"The Java Runtime Environment version " + minimumVersion.getText() +
                              L" or higher could not be found.",
                          IOException::Installation);
    }
    log.log(L"VM found at " + javaPath);

    const std::wstring classpath = createClasspathWithRecovery(folders.installLibDir, folders.libDir, log);

    std::wstring propertyOptions;
    launcher.addProperty(L"version", launcherVersion, propertyOptions);
    launcher.addProperty(L"platform", L"Windows", propertyOptions);
    URLEncoder encoder;
    std::wstring encoded;
    launcher.addProperty(L"appDir", encoder.encode(encoded, folders.appDir), propertyOptions);
    launcher.addProperty(L"installDir", encoder.encode(encoded, folders.installDir), propertyOptions);
    launcher.addProperty(L"dataDir", encoder.encode(encoded, folders.dataDir), propertyOptions);
    log.log(L"Reading network configuration from registry");
    appendInternetSettingsProperties(propertyOptions);
    log.log(L"Property options created:" + propertyOptions);

    const std::wstring vmOptions = launcher.readVmOptions(folders.libDir);
    // Held under the library lock: a second launcher of the user decides on the same files.
    const ClassDataArchivePlan archive = prepareClassDataArchive(
        {folders.appDirFolder, javaPath, foundVersion.getNumber(), classpath, vmOptions}, log);
    const std::wstring& archiveOptions = archive.options;
    const std::wstring additionalOptions = closeOpenQuote(vmOptions, log);
    log.log(L"Additional options created:" + additionalOptions);

    // The archive options stand before the options line, so that anything there wins.
    const std::wstring jvmOptions =
        archiveOptions.empty() || additionalOptions.empty() ? archiveOptions + additionalOptions
                                                            : archiveOptions + L" " + additionalOptions;
    JavaCommandLineParts composed;
    const std::wstring commandLine =
        composeStartCommandLine({javaPath, classpath, propertyOptions, jvmOptions, folders.appDir,
                                 folders.installDir, folders.dataDir},
                                folders.libDir, folders.appDirFolder, log, &composed);
    libraryLock.release();
    launcher.repairPackagedJre(folders.installFolder);
    log.log(L"Starting Java VM with command line:");
    log.log(commandLine);
    launcher.startJavaVM(commandLine, log);
    // After the waits the client has loaded what its start needs.
    startArchiveAssembly(archive, composed, log);
    log.log(L"Launcher terminates successfully");
}

}  // namespace

void Launcher::run(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    setModuleInstance(instance);
    try {
        showSplash();
        // The rest of the start-up runs without a message loop, so the splash is painted only by
        // these drains. Some of the messages that showing a window causes arrive a moment later
        // (the paint after the window has been composed): the pause lets them come in before the
        // second drain, so the splash is on the screen, not a blank frame, while the work goes on.
        drainMessages();
        ::Sleep(50);
        drainMessages();

        LaunchFolders folders;
        folders.installFolder = getInstallFolder();
        folders.installDir = withoutLastCharacter(folders.installFolder);
        const std::wstring launchIniLine = readFirstLine(folders.installDir + L"\\launch.ini");
        const PathProvider pathProvider(applicationName);
        if (!appDirFolderFromLaunchIniLine(launchIniLine, folders.installFolder, folders.appDirFolder)) {
            folders.appDirFolder = pathProvider.getDataFolder(PathProvider::Creation::CreateMissing);
        }
        folders.appDir = withoutLastCharacter(folders.appDirFolder);
        folders.dataDir = withoutLastCharacter(pathProvider.getDocumentsFolder());
        folders.installLibDir = folders.installFolder + L"lib";
        folders.libDir = folders.appDirFolder + L"lib";
        folders.logsFolder = folders.appDirFolder + L"logs";
        if (!isDirectory(folders.logsFolder)) createMissingFolder(folders.logsFolder);

        std::wstring timeStamp;
        DateTimeFormatter(L"yyyy_MM_dd_", L"HHmmss").format(timeStamp);
        folders.logFileName = L"kvl_" + timeStamp + L".launch.log";
        LogfileWriter log(folders.logsFolder + L"\\" + folders.logFileName);
        // Another launcher of this very second holds the file: it does the start-up.
        if (log.isInUse()) return;

        try {
            launchWithLog(*this, folders, log);
        } catch (const IOException& exception) {
            // A failure here (the log, the mail dispatch) goes on to the outer handler.
            showErrorReport(exception, &log);
            log.log(L"Launcher terminates with exception");
        }
    } catch (const IOException& exception) {
        try {
            showErrorReport(exception, nullptr);
        } catch (const IOException&) {
            // The report itself failed (no mail library): there is nobody left to tell.
        }
    }
}
