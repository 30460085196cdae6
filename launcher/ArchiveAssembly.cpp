#include "launcher/ArchiveAssembly.h"

#include <algorithm>
#include <string>

#include <windows.h>

#include "launcher/ProcessStart.h"
#include "launcher/commandline/ClassDataArchive.h"
#include "support/FileStart.h"
#include "support/IOException.h"
#include "support/LogfileWriter.h"
#include "support/OneStepFileWrite.h"

namespace {

// A real client lists some ten thousand classes in about a megabyte.
constexpr std::size_t kClassListLimit = 64 * 1024 * 1024;

void logNotAssembled(LogfileWriter& log, const std::wstring& why) {
    log.log(L"Class data archive: not assembled (" + why + L")");
}

}  // namespace

void startArchiveAssembly(const ClassDataArchivePlan& plan, const JavaCommandLineParts& client, LogfileWriter& log) {
    if (plan.assemblyOptions.empty()) return;
    std::string listed;
    if (!tryReadFileStart(plan.classList, kClassListLimit, listed)) {
        logNotAssembled(log, L"the runtime listed no classes in " + plan.classList);
        return;
    }
    const std::string startClasses = wholeLinesOf(listed);
    if (startClasses.empty()) {
        logNotAssembled(log, L"the runtime listed no classes in " + plan.classList);
        return;
    }
    try {
        writeFileInOneStep(plan.startList, startClasses);
    } catch (const IOException&) {
        logNotAssembled(log, L"the class list cannot be copied to " + plan.startList);
        return;
    }

    JavaCommandLineParts assembly = client;
    assembly.propertyOptions.clear();
    assembly.additionalOptions = plan.assemblyOptions;
    const std::wstring commandLine = composeJavaCommandLine(assembly);
    if (!fitsProcessCommandLine(commandLine)) {
        logNotAssembled(log, L"its command line is too long");
        return;
    }
    UniqueProcessInformation process;
    // Below normal priority: the user works with the client meanwhile.
    const unsigned long errorCode =
        startProcess(commandLine, CREATE_NO_WINDOW | BELOW_NORMAL_PRIORITY_CLASS, process);
    if (errorCode != 0) {
        logNotAssembled(log, L"process not created, error code=" + std::to_wstring(static_cast<int>(errorCode)));
        return;
    }
    const auto classes = std::count(startClasses.begin(), startClasses.end(), '\n');
    log.log(L"Class data archive: assembling from " + std::to_wstring(classes) + L" lines of " + plan.startList +
            L" with command line:");
    log.log(commandLine);
}
