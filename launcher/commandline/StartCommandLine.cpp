#include "launcher/commandline/StartCommandLine.h"

#include "launcher/commandline/ManifestJar.h"
#include "support/LogfileWriter.h"
#include "support/OneStepFileWrite.h"

std::wstring composeStartCommandLine(const JavaCommandLineParts& parts, const std::wstring& appDirFolder,
                                     LogfileWriter& log) {
    const std::wstring fullCommandLine = composeJavaCommandLine(parts);
    if (fitsProcessCommandLine(fullCommandLine)) return fullCommandLine;

    JavaCommandLineParts throughJar = parts;
    throughJar.classpath = appDirFolder + kManifestJarName;
    const std::wstring commandLine = composeJavaCommandLine(throughJar);
    // The jar cannot save a line that is too long without the class path: no jar is written, and
    // the start fails as it always did, with the whole line in its report.
    if (!fitsProcessCommandLine(commandLine)) return fullCommandLine;
    writeFileInOneStep(throughJar.classpath, manifestJarBytes(parts.classpath, appDirFolder));
    log.log(L"Classpath handed over in manifest jar " + throughJar.classpath);
    return commandLine;
}
