#include "launcher/commandline/StartCommandLine.h"

#include "launcher/commandline/ManifestJar.h"
#include "launcher/commandline/RuntimeReadablePath.h"
#include "support/FolderOperations.h"
#include "support/LogfileWriter.h"
#include "support/OneStepFileWrite.h"

namespace {

constexpr unsigned int kUtf8CodePage = 65001;

std::wstring joined(const std::vector<std::wstring>& entries) {
    std::wstring classpath;
    for (const std::wstring& entry : entries) {
        if (!classpath.empty()) classpath += L';';
        classpath += entry;
    }
    return classpath;
}

// The entries in the forms the runtime reads; false as soon as one has none.
bool tryReadableEntries(const std::vector<std::wstring>& entries, std::vector<std::wstring>& readable) {
    readable.clear();
    for (const std::wstring& entry : entries) {
        std::wstring form;
        if (!tryRuntimeReadablePath(entry, RuntimePathUse::ClassPathEntry, form)) return false;
        readable.push_back(form);
    }
    return true;
}

std::vector<ManifestEntry> manifestEntries(const std::vector<std::wstring>& entries, LogfileWriter& log) {
    std::vector<ManifestEntry> manifest;
    for (const std::wstring& entry : entries) {
        ManifestEntry item{entry, isDirectory(entry)};
        // A lone surrogate (left by some sync tools) has no UTF-8 form: the short form names the jar.
        if (!runtimeReadsAsWritten(entry, kUtf8CodePage, RuntimePathUse::Plain)) {
            log.log(L"Classpath entry whose name UTF-8 cannot carry: " + entry);
            item.path = runtimeReadablePath(entry, RuntimePathUse::Plain, log);
        }
        manifest.push_back(item);
    }
    return manifest;
}

// A jar of an earlier, longer class path would otherwise stay for good. A running client that
// was started with it holds it without delete sharing: it stays for a later start.
void removeUnusedManifestJar(const std::wstring& jar, LogfileWriter& log) {
    if (!isFile(jar)) return;
    if (tryDeleteFileOnce(jar)) log.log(L"Deleted manifest jar no longer used " + jar);
    else log.log(L"Manifest jar no longer used but in use, left in place: " + jar);
}

}  // namespace

std::vector<std::wstring> classpathEntries(const std::wstring& classpath, const std::wstring& libDir) {
    std::vector<std::wstring> entries;
    if (classpath.empty()) return entries;
    const std::wstring nextStart = L";" + libDir + L"\\";
    std::size_t start = 0;
    for (std::size_t end = classpath.find(nextStart); end != std::wstring::npos;
         end = classpath.find(nextStart, start)) {
        entries.push_back(classpath.substr(start, end - start));
        start = end + 1;
    }
    entries.push_back(classpath.substr(start));
    return entries;
}

std::wstring composeStartCommandLine(const JavaCommandLineParts& parts, const std::wstring& libDir,
                                     const std::wstring& appDirFolder, LogfileWriter& log,
                                     JavaCommandLineParts* composed) {
    JavaCommandLineParts readable = parts;
    readable.javaPath = runtimeReadablePath(parts.javaPath, RuntimePathUse::Plain, log);
    readable.appDir = runtimeReadablePath(parts.appDir, RuntimePathUse::Plain, log);
    readable.installDir = runtimeReadablePath(parts.installDir, RuntimePathUse::Plain, log);
    readable.dataDir = runtimeReadablePath(parts.dataDir, RuntimePathUse::Plain, log);

    const std::vector<std::wstring> entries = classpathEntries(parts.classpath, libDir);
    std::vector<std::wstring> readableEntries;
    const bool everyEntryReadable = tryReadableEntries(entries, readableEntries);
    if (everyEntryReadable) readable.classpath = joined(readableEntries);
    const std::wstring plainCommandLine = composeJavaCommandLine(readable);
    if (composed) *composed = readable;
    const std::wstring jar = appDirFolder + kManifestJarName;
    if (everyEntryReadable && fitsProcessCommandLine(plainCommandLine)) {
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (readableEntries[i] != entries[i]) {
                log.log(L"Handing over short form " + readableEntries[i] + L" for " + entries[i]);
            }
        }
        removeUnusedManifestJar(jar, log);
        return plainCommandLine;
    }
    if (!everyEntryReadable) log.log(L"Classpath entry without a short form, handing the classpath over in a jar");

    JavaCommandLineParts throughJar = readable;
    // The jar's own short form is never longer than its path: this length is the most it takes.
    throughJar.classpath = jar;
    // The jar cannot save a line that is too long without the class path: no jar is written, and
    // the start fails as it always did, with the whole line in its report.
    if (!fitsProcessCommandLine(composeJavaCommandLine(throughJar))) return plainCommandLine;
    writeFileInOneStep(jar, manifestJarBytes(manifestEntries(entries, log), appDirFolder));
    log.log(L"Classpath handed over in manifest jar " + jar);
    // Its short form exists only now that the jar does.
    throughJar.classpath = runtimeReadablePath(jar, RuntimePathUse::ClassPathEntry, log);
    if (composed) *composed = throughJar;
    return composeJavaCommandLine(throughJar);
}
