#include "faultpost/ReportLimit.h"

#include <algorithm>
#include <map>
#include <numeric>

#include "support/AsciiCase.h"

namespace {

constexpr long long kLineEnd = 2;
constexpr long long kSeparatorLine = 10 + kLineEnd;
// Sizes beyond any report only need to stay beyond it, without overflowing the sums.
constexpr unsigned long long kBeyondAnyReport = 1ULL << 40;

long long unitsOf(unsigned long long bytes) {
    return static_cast<long long>(std::min(bytes, kBeyondAnyReport));
}

// Path line, content, a line end for a last line without one, separator.
long long wholeFileUnits(const ListedLog& log) {
    return static_cast<long long>(log.path.size()) + kLineEnd + unitsOf(log.bytes) + kLineEnd + kSeparatorLine;
}

// What a last part costs beside its bytes: path line, the left-out line (its count never longer
// than the file's size), the last line's end and the separator.
long long lastPartOverhead(const ListedLog& log) {
    return static_cast<long long>(log.path.size()) + kLineEnd +
           static_cast<long long>(leftOutBytesLine(log.bytes).size()) + kLineEnd + kLineEnd + kSeparatorLine;
}

std::wstring folderOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L'\\');
    if (slash == std::wstring::npos) return L".";
    return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

std::wstring nameOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

bool hasAt(const std::wstring& text, std::size_t at, const wchar_t* expected) {
    for (std::size_t i = 0; expected[i] != L'\0'; ++i) {
        if (at + i >= text.size() || lowerAsciiLetter(text[at + i]) != expected[i]) return false;
    }
    return true;
}

// The number of count decimal digits at text[at]; nothing when one of them is no digit.
std::optional<unsigned> digitsAt(const std::wstring& text, std::size_t at, std::size_t count) {
    unsigned value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (at + i >= text.size() || text[at + i] < L'0' || text[at + i] > L'9') return std::nullopt;
        value = value * 10 + static_cast<unsigned>(text[at + i] - L'0');
    }
    return value;
}

enum class Choice { Whole, Part, Out };

}  // namespace

unsigned long long timeDigits(unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                              unsigned second) {
    unsigned long long digits = year;
    for (const unsigned part : {month, day, hour, minute, second}) digits = digits * 100 + part;
    return digits;
}

std::optional<unsigned long long> launchLogStartTime(const std::wstring& path) {
    // kvl_2024_03_05_142501.launch.log
    const std::wstring name = nameOf(path);
    if (name.size() != 32 || !hasAt(name, 0, L"kvl_") || !hasAt(name, 21, L".launch.log")) return std::nullopt;
    for (const std::size_t underscore : {8, 11, 14}) {
        if (name[underscore] != L'_') return std::nullopt;
    }
    const auto year = digitsAt(name, 4, 4);
    const auto month = digitsAt(name, 9, 2);
    const auto day = digitsAt(name, 12, 2);
    const auto hour = digitsAt(name, 15, 2);
    const auto minute = digitsAt(name, 17, 2);
    const auto second = digitsAt(name, 19, 2);
    if (!year || !month || !day || !hour || !minute || !second) return std::nullopt;
    return timeDigits(*year, *month, *day, *hour, *minute, *second);
}

std::vector<ListedLog> listedLogs(const FoundLogs& found) {
    std::vector<ListedLog> logs;
    for (const std::wstring& path : found.paths) {
        const auto facts = found.facts.find(path);
        const ListedFacts listed = facts == found.facts.end() ? ListedFacts() : facts->second;
        logs.push_back({path, listed.bytes, launchLogStartTime(path).value_or(listed.writeTime)});
    }
    return logs;
}

std::wstring leftOutFilesLine(std::size_t count, const std::wstring& folder) {
    return L"Older log files left out to keep the report mailable: " + std::to_wstring(count) + L" in " + folder;
}

std::wstring leftOutBytesLine(unsigned long long bytes) {
    return L"Bytes left out before this part to keep the report mailable: " + std::to_wstring(bytes);
}

std::vector<LogSectionPart> planLogSection(const std::vector<ListedLog>& logs, long long room) {
    const std::size_t count = logs.size();
    std::vector<Choice> choices(count, Choice::Whole);
    std::vector<unsigned long long> partStart(count, 0);
    long long total = 0;
    for (const ListedLog& log : logs) total += wholeFileUnits(log);

    if (total > room) {
        choices.assign(count, Choice::Out);
        // Room for the left-out line of every folder, whichever of them loses files.
        std::map<std::wstring, bool> folders;
        for (const ListedLog& log : logs) folders[folderOf(log.path)] = true;
        long long left = room;
        for (const auto& folder : folders) {
            left -= static_cast<long long>(leftOutFilesLine(count, folder.first).size()) + kLineEnd + kSeparatorLine;
        }
        std::vector<std::size_t> newestFirst(count);
        std::iota(newestFirst.begin(), newestFirst.end(), std::size_t{0});
        std::sort(newestFirst.begin(), newestFirst.end(), [&](std::size_t a, std::size_t b) {
            return logs[a].time != logs[b].time ? logs[a].time > logs[b].time : a > b;
        });
        for (const std::size_t index : newestFirst) {
            const long long units = wholeFileUnits(logs[index]);
            if (units <= left) {
                choices[index] = Choice::Whole;
                left -= units;
                continue;
            }
            // The first file that does not fit ends the section: it and every older one stay out,
            // unless it is too large for any report, where its newest lines tell the most.
            const long long partBytes = left - lastPartOverhead(logs[index]);
            if (units > room && partBytes > 0) {
                choices[index] = Choice::Part;
                partStart[index] = logs[index].bytes - static_cast<unsigned long long>(partBytes);
            }
            break;
        }
    }

    std::map<std::wstring, std::size_t> leftOutPerFolder;
    for (std::size_t i = 0; i < count; ++i) {
        if (choices[i] == Choice::Out) ++leftOutPerFolder[folderOf(logs[i].path)];
    }
    std::vector<LogSectionPart> parts;
    for (std::size_t i = 0; i < count; ++i) {
        LogSectionPart part;
        part.path = logs[i].path;
        if (choices[i] == Choice::Part) {
            part.kind = LogSectionPart::Kind::LastPart;
            part.firstByte = partStart[i];
            part.endByte = logs[i].bytes;
        } else if (choices[i] == Choice::Out) {
            const auto folder = leftOutPerFolder.find(folderOf(logs[i].path));
            // Only the first left-out file of its folder gets the line; the map forgets the folder.
            if (folder == leftOutPerFolder.end()) continue;
            part.kind = LogSectionPart::Kind::LeftOutFiles;
            part.path = folder->first;
            part.leftOutCount = folder->second;
            leftOutPerFolder.erase(folder);
        }
        parts.push_back(part);
    }
    return parts;
}
