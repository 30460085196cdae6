#include "launcher/commandline/ClassDataArchive.h"

#include "launcher/commandline/JavaCommandLine.h"

namespace {

constexpr int kFirstSharedArchive = 130000000;  // Java 13
constexpr int kFirstAheadOfTimeCache = 250000000;  // Java 25

// Every option by which the runtime's archives are chosen, switched or written.
const wchar_t* const kArchiveOptions[] = {
    L"-Xshare",        L"-XX:SharedArchiveFile", L"-XX:ArchiveClassesAtExit", L"-XX:+AutoCreateSharedArchive",
    L"-XX:AOTCache",   L"-XX:AOTCacheOutput",    L"-XX:AOTMode",              L"-XX:AOTConfiguration",
    // A list of the administrator's own would take the place of the one the archive is made from.
    L"-XX:DumpLoadedClassList"};

// The runtime's log output into a file (quoted, as its path may hold ":" and blanks), replaced
// at each run instead of rotated.
std::wstring logOption(const std::wstring& selection, const std::wstring& file, const std::wstring& decorations) {
    return L"-Xlog:" + selection + L":file=\"" + file + L"\":" + decorations + L":filecount=0";
}

// The first bytes of every archive that -Xshare:dump writes, in the file's byte order; the
// runtime writes them last. A runtime that is handed a file without them (overwritten, zeroed by a
// damaged disk) maps no archive at all, not even its own default one, and OpenJDK 17 says so only
// in its info lines.
const char kArchiveMagic[] = "\xa2\xab\x0b\xf0";
// What a run killed while assembling, or one that ran out of space, leaves there.
const char kUnwrittenStart[] = {0, 0, 0, 0};

// A use run logs warnings and errors only: any line is the runtime's complaint about the archive.
bool complains(const std::string& useLog) {
    return useLog.find("[warning") != std::string::npos || useLog.find("[error") != std::string::npos;
}

bool isOptionStart(const std::wstring& options, std::size_t position) {
    return position == 0 || options[position - 1] == L' ' || options[position - 1] == L'\t' ||
           options[position - 1] == L'"';
}

}  // namespace

ArchiveKind archiveKindFor(int versionNumber) {
    if (versionNumber >= kFirstAheadOfTimeCache) return ArchiveKind::AheadOfTimeCache;
    if (versionNumber >= kFirstSharedArchive) return ArchiveKind::SharedArchive;
    return ArchiveKind::None;
}

std::wstring archiveOptionChosenIn(const std::wstring& vmOptions) {
    std::size_t first = std::wstring::npos;
    std::wstring chosen;
    for (const wchar_t* name : kArchiveOptions) {
        const std::wstring option = name;
        for (std::size_t at = vmOptions.find(option); at != std::wstring::npos; at = vmOptions.find(option, at + 1)) {
            if (!isOptionStart(vmOptions, at)) continue;
            if (first == std::wstring::npos || at < first) {
                first = at;
                const std::size_t end = vmOptions.find_first_of(L" \t\"", at);
                chosen = vmOptions.substr(at, end == std::wstring::npos ? end : end - at);
            }
            break;
        }
    }
    return chosen;
}

std::wstring archiveFingerprint(const std::vector<FileStamp>& files) {
    // FNV-1a over every path unit, size and time: no cryptographic need, only change detection.
    std::uint64_t hash = 14695981039346656037ull;
    const auto add = [&hash](std::uint64_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            hash ^= (value >> (8 * i)) & 0xFF;
            hash *= 1099511628211ull;
        }
    };
    for (const FileStamp& file : files) {
        for (const wchar_t unit : file.path) add(static_cast<std::uint64_t>(unit), 2);
        // The separator keeps "a" + "bc" apart from "ab" + "c".
        add(0, 2);
        add(file.exists ? 1 : 0, 1);
        add(file.size, 8);
        add(file.writeTime, 8);
    }
    static const wchar_t kDigits[] = L"0123456789abcdef";
    std::wstring text;
    for (int shift = 60; shift >= 0; shift -= 4) text += kDigits[(hash >> shift) & 0xF];
    return text;
}

ArchivePaths archivePathsFor(const std::wstring& folder, const std::wstring& fingerprint, ArchiveKind kind) {
    const std::wstring base = folder + L"\\" + fingerprint;
    ArchivePaths paths;
    paths.archive = base + (kind == ArchiveKind::AheadOfTimeCache ? L".aot" : L".jsa");
    paths.writeLog = base + L".write.log";
    paths.useLog = base + L".use.log";
    paths.classList = base + L".classlist";
    paths.startList = base + L".startlist";
    return paths;
}

ArchiveDecision decideClassDataArchive(int versionNumber, const std::wstring& vmOptions, const ArchivePaths& paths,
                                       const ArchiveFindings& findings) {
    ArchiveDecision decision;
    const ArchiveKind kind = archiveKindFor(versionNumber);
    if (kind == ArchiveKind::None) {
        decision.reason = versionNumber == 0 ? L"runtime version unknown" : L"runtime older than Java 13";
        return decision;
    }
    const std::wstring chosen = archiveOptionChosenIn(vmOptions);
    if (!chosen.empty()) {
        decision.reason = L"win.vmoptions sets " + chosen;
        return decision;
    }
    const bool shared = kind == ArchiveKind::SharedArchive;
    // A file cut before its first bytes reads as one that never got them.
    const bool unwritten =
        findings.archiveStart.size() < 4 || findings.archiveStart.compare(0, 4, kUnwrittenStart, 4) == 0;
    const bool intact = findings.archiveStart.rfind(kArchiveMagic, 0) == 0;
    if (findings.archivePresent && intact && !complains(findings.useLog)) {
        decision.action = ArchiveDecision::Use;
        decision.archiveOption = (shared ? L"-XX:SharedArchiveFile=" : L"-XX:AOTCache=") + paths.archive;
        decision.options = quotedArgument(decision.archiveOption) + L" " +
                           quotedArgument(logOption(shared ? L"cds=warning" : L"aot=warning",
                                                    paths.useLog, L"level,tags"));
        decision.reason = L"in use";
        return decision;
    }
    decision.action = ArchiveDecision::Write;
    decision.reason = !findings.archivePresent ? L"to be written, none found"
                      : unwritten             ? L"to be written, the one found was half-written"
                      : !intact               ? L"to be written, the one found is damaged"
                                              : L"to be written, the runtime could not use the one found";
    decision.archiveOption = L"-XX:DumpLoadedClassList=" + paths.classList;
    decision.options = quotedArgument(decision.archiveOption);
    // The option that links the classes ahead of time came with Java 24; the "aot" log tag too.
    decision.assemblyOptions = L"-Xshare:dump " + quotedArgument(L"-XX:SharedClassListFile=" + paths.startList) +
                               L" " + quotedArgument(L"-XX:SharedArchiveFile=" + paths.archive) +
                               (shared ? L"" : L" -XX:+AOTClassLinking") + L" " +
                               quotedArgument(logOption(shared ? L"cds" : L"aot,cds", paths.writeLog, L"uptime"));
    return decision;
}

std::string wholeLinesOf(const std::string& classList) {
    const std::size_t lastBreak = classList.rfind('\n');
    return lastBreak == std::string::npos ? std::string() : classList.substr(0, lastBreak + 1);
}

std::wstring archiveLogLine(const ArchiveDecision& decision) {
    return L"Class data archive: " + (decision.archiveOption.empty() ? std::wstring(L"no option") : decision.archiveOption) +
           L" (" + decision.reason + L")";
}
