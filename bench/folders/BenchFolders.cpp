// Benchmark: copyFolder and FileEnumerator against plain Win32 loops in the same run, on a
// library tree of 400 jar files (200 MB in nested folders) built in the temporary folder and
// removed afterwards. Prints one line per figure:
//   <name>: <ratio> (goal <= N) ok|MISSED
// and the measured times on lines starting with "#". FileEnumerator's order (each folder's
// subfolders before its own matches) takes two searches per folder, "*" and the pattern, so its
// goal stands against those two searches written by hand; the ratio to one flat listing per
// folder is printed as well, against twice that goal.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <windows.h>

#include "bench/BenchClock.h"
#include "support/FileDescription.h"
#include "support/FileEnumerator.h"
#include "support/FileEnumeratorCallback.h"
#include "support/FindEntry.h"
#include "support/FolderOperations.h"
#include "support/IOException.h"
#include "support/UniqueResource.h"

namespace {

constexpr int kTopFolders = 8;
constexpr int kSubFolders = 5;
constexpr int kJarsPerFolder = 10;  // 8 * 5 * 10 = 400 jars
constexpr DWORD kJarBytes = 512 * 1024;  // 400 * 512 KiB = 200 MiB
constexpr int kCopyRounds = 5;
constexpr int kWalkRounds = 30;
constexpr double kCopyGoal = 1.2;
constexpr double kTwoSearchGoal = 1.1;
// Two searches per folder where the flat listing makes one.
constexpr double kFlatGoal = 2 * kTwoSearchGoal;

// What a plain loop needs to know in advance: every folder (parents first) and every file,
// relative to the tree's root.
struct TreeLayout {
    std::vector<std::wstring> folders;
    std::vector<std::wstring> files;
};

TreeLayout libraryLayout() {
    TreeLayout layout;
    for (int top = 0; top < kTopFolders; ++top) {
        const std::wstring topFolder = L"module" + std::to_wstring(top);
        layout.folders.push_back(topFolder);
        for (int sub = 0; sub < kSubFolders; ++sub) {
            const std::wstring folder = topFolder + L"\\part" + std::to_wstring(sub);
            layout.folders.push_back(folder);
            for (int jar = 0; jar < kJarsPerFolder; ++jar) {
                layout.files.push_back(folder + L"\\library-" + std::to_wstring(jar) + L".jar");
            }
        }
    }
    return layout;
}

double nowMs() { return 1000.0 * bench::seconds(); }

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

bool writeJar(const std::wstring& path, std::vector<char>& content, std::uint32_t seed) {
    // Different bytes in every file, so nothing below us can share or skip them.
    std::uint32_t state = seed * 2654435761u + 1;
    for (size_t i = 0; i < content.size(); i += 4096) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        std::copy(reinterpret_cast<const char*>(&state), reinterpret_cast<const char*>(&state) + 4, &content[i]);
    }
    const UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                              FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && ::WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
           written == content.size();
}

bool buildTree(const std::wstring& root, const TreeLayout& layout) {
    if (!::CreateDirectoryW(root.c_str(), nullptr)) return false;
    for (const std::wstring& folder : layout.folders) {
        if (!::CreateDirectoryW((root + L"\\" + folder).c_str(), nullptr)) return false;
    }
    std::vector<char> content(kJarBytes, 'j');
    std::uint32_t seed = 0;
    for (const std::wstring& file : layout.files) {
        if (!writeJar(root + L"\\" + file, content, ++seed)) return false;
    }
    return true;
}

// The baseline copy: the folder and file lists are known, so no searching at all.
bool plainCopy(const std::wstring& source, const std::wstring& target, const TreeLayout& layout) {
    for (const std::wstring& folder : layout.folders) {
        if (!::CreateDirectoryW((target + L"\\" + folder).c_str(), nullptr)) return false;
    }
    for (const std::wstring& file : layout.files) {
        if (!::CopyFileW((source + L"\\" + file).c_str(), (target + L"\\" + file).c_str(), FALSE)) return false;
    }
    return true;
}

// The baseline walk: one flat FindFirstFileW listing of "*.jar" in each known folder.
size_t plainListing(const std::wstring& root, const TreeLayout& layout, std::uint64_t& bytes) {
    size_t count = 0;
    std::vector<std::wstring> folders = layout.folders;
    folders.push_back(L"");
    for (const std::wstring& folder : folders) {
        WIN32_FIND_DATAW entry;
        const std::wstring prefix = folder.empty() ? root + L"\\" : root + L"\\" + folder + L"\\";
        const UniqueFindHandle search(::FindFirstFileW((prefix + L"*.jar").c_str(), &entry));
        if (!search) continue;
        do {
            ++count;
            bytes += entrySize(entry);
        } while (::FindNextFileW(search.get(), &entry));
    }
    return count;
}

// For the reader of the figures: the same two searches per folder that FileEnumerator's order
// needs ("*" to find the subfolders, then the pattern), written by hand over the known folders.
size_t twoSearchListing(const std::wstring& root, const TreeLayout& layout) {
    size_t count = 0;
    std::vector<std::wstring> folders = layout.folders;
    folders.push_back(L"");
    for (const std::wstring& folder : folders) {
        const std::wstring prefix = folder.empty() ? root + L"\\" : root + L"\\" + folder + L"\\";
        for (const wchar_t* pattern : {L"*", L"*.jar"}) {
            WIN32_FIND_DATAW entry;
            const UniqueFindHandle search(::FindFirstFileW((prefix + pattern).c_str(), &entry));
            if (!search) continue;
            do {
                if (pattern[1] != L'\0') ++count;
            } while (::FindNextFileW(search.get(), &entry));
        }
    }
    return count;
}

class CountingCallback : public FileEnumeratorCallback {
public:
    void onEntry(FileDescription& description) override {
        ++count;
        bytes += description.size;
    }
    size_t count = 0;
    std::uint64_t bytes = 0;
};

void removeTarget(const std::wstring& target) {
    try {
        if (isDirectory(target)) deleteFolder(target);
    } catch (const IOException&) {
        std::wprintf(L"# could not remove %ls\n", target.c_str());
    }
}

void printRatio(const char* name, double measured, double baseline, double goal) {
    const double ratio = measured / baseline;
    std::printf("%s: %.2f (goal <= %.1f) %s\n", name, ratio, goal, ratio <= goal ? "ok" : "MISSED");
}

int run(const std::wstring& work) {
    const TreeLayout layout = libraryLayout();
    const std::wstring source = work + L"\\lib";
    const std::wstring target = work + L"\\copy";
    std::printf("# building %zu jars in %zu folders\n", layout.files.size(), layout.folders.size() + 1);
    if (!buildTree(source, layout)) {
        std::printf("# could not build the library tree\n");
        return 1;
    }

    // Alternate the two copies so that cache and disk state favour neither.
    std::vector<double> plainTimes;
    std::vector<double> supportTimes;
    for (int round = 0; round < kCopyRounds; ++round) {
        for (const bool plain : {true, false}) {
            removeTarget(target);
            ::CreateDirectoryW(target.c_str(), nullptr);
            const double started = nowMs();
            bool copied = true;
            if (plain) {
                copied = plainCopy(source, target, layout);
            } else {
                try {
                    copyFolder(source, target);
                } catch (const IOException& e) {
                    std::wprintf(L"# %ls\n", e.englishMessage.c_str());
                    copied = false;
                }
            }
            const double elapsed = nowMs() - started;
            if (!copied) return 1;
            (plain ? plainTimes : supportTimes).push_back(elapsed);
        }
    }
    removeTarget(target);
    const double plainCopyMs = median(plainTimes);
    const double copyFolderMs = median(supportTimes);

    plainTimes.clear();
    supportTimes.clear();
    std::vector<double> twoSearchTimes;
    for (int round = 0; round < kWalkRounds; ++round) {
        const double twoSearchStarted = nowMs();
        twoSearchListing(source, layout);
        twoSearchTimes.push_back(nowMs() - twoSearchStarted);

        std::uint64_t plainBytes = 0;
        double started = nowMs();
        const size_t plainCount = plainListing(source, layout, plainBytes);
        plainTimes.push_back(nowMs() - started);

        CountingCallback callback;
        started = nowMs();
        FileEnumerator().enumerate(source + L"\\", L"*.jar", callback, true);
        supportTimes.push_back(nowMs() - started);
        if (callback.count != layout.files.size() || plainCount != layout.files.size() || callback.bytes != plainBytes) {
            std::printf("# walks disagree: %zu and %zu jars\n", callback.count, plainCount);
            return 1;
        }
    }
    const double plainWalkMs = median(plainTimes);
    const double enumerateMs = median(supportTimes);

    std::printf("# copy of 200 MB: CopyFileW loop %.0f ms, copyFolder %.0f ms (median of %d)\n", plainCopyMs,
                copyFolderMs, kCopyRounds);
    std::printf("# walk of 400 jars: flat listings %.2f ms, FileEnumerator %.2f ms (median of %d)\n", plainWalkMs,
                enumerateMs, kWalkRounds);
    std::printf("# the same two searches per folder by hand: %.2f ms (median of %d)\n", median(twoSearchTimes),
                kWalkRounds);
    printRatio("copyFolder vs CopyFileW loop", copyFolderMs, plainCopyMs, kCopyGoal);
    printRatio("FileEnumerator vs two FindFirstFileW searches per folder", enumerateMs, median(twoSearchTimes),
               kTwoSearchGoal);
    printRatio("FileEnumerator vs flat FindFirstFileW listing", enumerateMs, plainWalkMs, kFlatGoal);
    return 0;
}

}  // namespace

int wmain() {
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH + 1, temp);
    const std::wstring work = std::wstring(temp) + L"brivane_bench_folders_" + std::to_wstring(::GetCurrentProcessId());
    int status = 1;
    if (::CreateDirectoryW(work.c_str(), nullptr)) {
        status = run(work);
    } else {
        std::printf("# could not create the work folder\n");
    }
    removeTarget(work);
    return status;
}
