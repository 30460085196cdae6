#include "launcher/runtime/RuntimeVersionName.h"

#include <algorithm>
#include <string>

namespace {

// No version part has more digits; longer runs are not a version.
constexpr std::size_t kMaxDigits = 4;
// The largest feature release whose number still fits JavaVersion's 32-bit scale.
constexpr int kLatestFeature = 200;

bool isDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

// What may stand before the number: "zulu-", "jdk-", "Liberica JDK ".
bool isWordUnit(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || c == L' ' || c == L'-';
}

// What may follow the number: "+12" (build), "-b08", "-jre", " Full".
bool startsTail(wchar_t c) {
    return c == L' ' || c == L'-' || c == L'+';
}

// Reads one part at position; false when there is no digit or more than kMaxDigits of them.
bool readPart(const std::wstring& name, std::size_t& position, int& part) {
    const std::size_t start = position;
    part = 0;
    while (position < name.size() && isDigit(name[position])) {
        if (position - start == kMaxDigits) return false;
        part = part * 10 + (name[position] - L'0');
        ++position;
    }
    return position > start;
}

// Whether a separator at position leads to part number index (1 to 3) of the dotted form.
bool separatorBefore(const std::wstring& name, std::size_t position, int index) {
    if (position + 1 >= name.size() || !isDigit(name[position + 1])) return false;
    return name[position] == L'.' || (index == 3 && name[position] == L'_');
}

}  // namespace

JavaVersion runtimeVersion(const std::wstring& name) {
    const JavaVersion notUnderstood{std::wstring()};
    std::size_t position = 0;
    while (position < name.size() && isWordUnit(name[position])) ++position;
    int parts[4] = {0, 0, 0, 0};
    if (!readPart(name, position, parts[0])) return notUnderstood;
    if (position < name.size() && name[position] == L'u' && parts[0] >= 2) {
        // "8u392": update 392 of Java 8.
        ++position;
        if (!readPart(name, position, parts[2])) return notUnderstood;
    } else {
        for (int index = 1; index < 4 && separatorBefore(name, position, index); ++index) {
            ++position;
            if (!readPart(name, position, parts[index])) return notUnderstood;
        }
    }
    if (position < name.size() && !startsTail(name[position])) return notUnderstood;

    const int first = parts[0];
    if (first == 0 || first > kLatestFeature) return notUnderstood;
    // The caps keep each part inside its decimal slot of JavaVersion's number, so that a part
    // never counts as a higher one.
    const auto slot = [](int part, int largest) { return std::to_wstring(std::min(part, largest)); };
    if (first >= 2 && first <= 8) return JavaVersion(L"1." + std::to_wstring(first) + L".0_" + slot(parts[2], 999));
    return JavaVersion(std::to_wstring(first) + L"." + slot(parts[1], 99) + L"." + slot(parts[2], 99) + L"_" +
                       slot(parts[3], 999));
}

int runtimeVersionNumber(const std::wstring& name) {
    return runtimeVersion(name).getNumber();
}

bool releaseJavaVersion(const std::string& releaseBytes, std::wstring& version) {
    static const std::string kName = "JAVA_VERSION=";
    std::size_t start = 0;
    while (start < releaseBytes.size()) {
        std::size_t end = releaseBytes.find('\n', start);
        if (end == std::string::npos) end = releaseBytes.size();
        std::string line = releaseBytes.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.compare(0, kName.size(), kName) != 0) continue;
        std::string value = line.substr(kName.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        // The file is ASCII; any other byte cannot be part of a version and is kept visible as "?".
        version.clear();
        for (const char byte : value) version += (static_cast<unsigned char>(byte) < 0x80) ? wchar_t(byte) : L'?';
        return true;
    }
    version.clear();
    return false;
}

JavaVersion releaseFileVersion(const std::string& releaseBytes) {
    std::wstring version;
    return runtimeVersion(releaseJavaVersion(releaseBytes, version) ? version : std::wstring());
}
