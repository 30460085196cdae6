#include "launcher/JavaProcess.h"

#include <windows.h>

#include "launcher/ErrorReportText.h"
#include "launcher/ProcessStart.h"
#include "launcher/commandline/JavaCommandLine.h"
#include "support/IOException.h"
#include "support/LogfileWriter.h"
#include "support/MessageQueue.h"
#include "support/SystemErrorText.h"
#include "support/UniqueResource.h"

namespace {

constexpr int kWaitPasses = 4;
constexpr DWORD kInputIdleTimeoutMs = 30000;
constexpr DWORD kPauseAfterIdleMs = 800;

}  // namespace

bool endedAtOnceWithFailure(unsigned long waitResult, unsigned long exitCode) {
    return waitResult == WAIT_OBJECT_0 && exitCode != 0;
}

void startJavaProcess(const std::wstring& commandLine, LogfileWriter& log) {
    UniqueProcessInformation process;
    DWORD errorCode = 0;
    if (!fitsProcessCommandLine(commandLine)) {
        // Windows refuses such a line with this very error, and Wine would start the runtime with
        // the line cut short (main class and folders lost): never hand it over.
        errorCode = ERROR_FILENAME_EXCED_RANGE;
    } else {
        errorCode = startProcess(commandLine, 0, process);
    }
    if (!process.process) {
        log.log(L"Could not create process, error code=" + std::to_wstring(static_cast<int>(errorCode)));
        const std::wstring message = processFailureMessage(commandLine, errorCode, systemErrorText(errorCode));
        throw IOException(message, message, IOException::Installation);
    }
    log.log(L"Java VM Process created successfully");

    for (int pass = 0; pass < kWaitPasses; ++pass) {
        drainMessages();
        if (::WaitForInputIdle(process.process.get(), kInputIdleTimeoutMs) != 0) break;
        ::Sleep(kPauseAfterIdleMs);
    }
    // A runtime that cannot start the client (no main class, a class path it cannot read) shows its
    // own English box and ends with a code of its own: that is no successful start.
    const DWORD waitResult = ::WaitForSingleObject(process.process.get(), 0);
    DWORD exitCode = 0;
    if (waitResult == WAIT_OBJECT_0 && !::GetExitCodeProcess(process.process.get(), &exitCode)) return;
    if (endedAtOnceWithFailure(waitResult, exitCode)) {
        const std::wstring code = std::to_wstring(exitCode);
        log.log(L"Java VM ended at once with exit code " + code);
        throw IOException(L"Der Java-Prozess wurde gleich nach dem Start mit dem Exit-Code " + code + L" beendet.",
                          L"The Java process ended right after its start with exit code " + code + L".",
                          IOException::Installation);
    }
}
