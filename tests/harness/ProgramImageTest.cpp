#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <windows.h>

#include "support/UniqueResource.h"
#include "tests/driver/CaseTable.h"
#include "tests/harness/ProductVersion.h"
#include "tests/driver/TestPaths.h"

namespace {

// What each built program must carry: every one the asInvoker manifest and its version
// information in German and English, three the icon group, the launcher also the splash picture.
const struct Program {
    const char* name;
    const wchar_t* file;
    bool hasIcon;
    bool hasSplash;
    const wchar_t* germanDescription;
    const wchar_t* englishDescription;
} kPrograms[] = {
    {"tavrel-brivane", L"tavrel-brivane.exe", true, true,
     L"Startprogramm von Tavrel Bank brivane", L"Tavrel Bank brivane launcher"},
    {"faultpost", L"faultpost.exe", true, false,
     L"Versand von Fehlerberichten an den Support", L"Error report mailer for support"},
    {"mapirelay", L"mapirelay.exe", true, false,
     L"E-Mail-Versand \u00FCber das Mailprogramm", L"E-mail relay to the mail program"},
    {"cfgsweep", L"cfgsweep.exe", false, false,
     L"Bereinigung der Benutzerprofile", L"User profile cleaner"},
};

// Runs a check for every program; an ASSERT inside ends only that program's check.
template <typename Check>
void forEachProgram(Check check) {
    for (const Program& program : kPrograms) {
        SCOPED_TRACE(program.name);
        check(program);
    }
}

constexpr int kIconGroupId = 101;
constexpr int kSplashBitmapId = 102;

std::vector<uint8_t> readFile(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

template <typename T>
T readAt(const std::vector<uint8_t>& bytes, size_t offset) {
    T value{};
    if (offset + sizeof(T) <= bytes.size()) std::memcpy(&value, bytes.data() + offset, sizeof(T));
    return value;
}

// What the tests need from a program's PE headers, read from the file itself rather than through
// the loader, so a DLL that is missing on this machine still shows up. PE32 (32-bit programs) and
// PE32+ (64-bit programs) differ only in the optional header.
struct ImageHeaders {
    bool valid = false;
    WORD machine = 0;
    WORD magic = 0;
    size_t sectionTable = 0;
    WORD sectionCount = 0;
    uint32_t importRva = 0;
    WORD dllCharacteristics = 0;
    uint32_t symbolTable = 0;
    uint32_t symbolCount = 0;
};

ImageHeaders readHeaders(const std::vector<uint8_t>& image) {
    ImageHeaders headers;
    const auto ntOffset = readAt<uint32_t>(image, offsetof(IMAGE_DOS_HEADER, e_lfanew));
    if (readAt<DWORD>(image, ntOffset) != IMAGE_NT_SIGNATURE) return headers;
    // Signature and file header are laid out alike in both kinds, so is the optional header's start.
    const auto file = readAt<IMAGE_FILE_HEADER>(image, ntOffset + offsetof(IMAGE_NT_HEADERS32, FileHeader));
    const size_t optional = ntOffset + offsetof(IMAGE_NT_HEADERS32, OptionalHeader);
    headers.magic = readAt<WORD>(image, optional);
    if (headers.magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC) {
        const auto header = readAt<IMAGE_OPTIONAL_HEADER32>(image, optional);
        headers.importRva = header.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
        headers.dllCharacteristics = header.DllCharacteristics;
    } else if (headers.magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC) {
        const auto header = readAt<IMAGE_OPTIONAL_HEADER64>(image, optional);
        headers.importRva = header.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
        headers.dllCharacteristics = header.DllCharacteristics;
    } else {
        return headers;
    }
    headers.valid = true;
    headers.machine = file.Machine;
    headers.sectionTable = optional + file.SizeOfOptionalHeader;
    headers.sectionCount = file.NumberOfSections;
    headers.symbolTable = file.PointerToSymbolTable;
    headers.symbolCount = file.NumberOfSymbols;
    return headers;
}

// The names of a PE file's sections. A name longer than eight characters (".debug_info") is
// stored as "/" and its offset in the string table behind the symbol table.
std::vector<std::string> sectionNames(const std::vector<uint8_t>& image) {
    std::vector<std::string> names;
    const ImageHeaders headers = readHeaders(image);
    const size_t stringTable = headers.symbolTable + headers.symbolCount * size_t{IMAGE_SIZEOF_SYMBOL};
    for (unsigned i = 0; headers.valid && i < headers.sectionCount; ++i) {
        const auto section = readAt<IMAGE_SECTION_HEADER>(image, headers.sectionTable + i * sizeof(IMAGE_SECTION_HEADER));
        std::string name(reinterpret_cast<const char*>(section.Name), strnlen(reinterpret_cast<const char*>(section.Name), 8));
        if (name.size() > 1 && name[0] == '/' && headers.symbolTable != 0) {
            const size_t offset = stringTable + std::strtoul(name.c_str() + 1, nullptr, 10);
            if (offset < image.size()) {
                name.assign(reinterpret_cast<const char*>(image.data() + offset),
                            strnlen(reinterpret_cast<const char*>(image.data() + offset), image.size() - offset));
            }
        }
        names.push_back(name);
    }
    return names;
}

// The names of the DLLs in a PE file's import table.
std::vector<std::string> importedDlls(const std::vector<uint8_t>& image) {
    std::vector<std::string> names;
    const ImageHeaders headers = readHeaders(image);
    if (!headers.valid) return names;
    const auto fileOffset = [&](uint32_t rva) -> size_t {
        for (unsigned i = 0; i < headers.sectionCount; ++i) {
            const auto section = readAt<IMAGE_SECTION_HEADER>(image, headers.sectionTable + i * sizeof(IMAGE_SECTION_HEADER));
            if (rva >= section.VirtualAddress && rva < section.VirtualAddress + section.SizeOfRawData)
                return rva - section.VirtualAddress + section.PointerToRawData;
        }
        return 0;
    };
    size_t descriptor = headers.importRva ? fileOffset(headers.importRva) : 0;
    for (; descriptor; descriptor += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        const auto entry = readAt<IMAGE_IMPORT_DESCRIPTOR>(image, descriptor);
        if (entry.Name == 0) break;
        const size_t name = fileOffset(entry.Name);
        if (name == 0 || name >= image.size()) break;
        names.emplace_back(reinterpret_cast<const char*>(image.data() + name),
                           strnlen(reinterpret_cast<const char*>(image.data() + name), image.size() - name));
    }
    return names;
}

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
    return text;
}

// The compiler's own runtime DLLs, which a static build must not need.
bool isCompilerRuntime(const std::string& dll) {
    const std::string name = lowerCase(dll);
    for (const char* prefix : {"libstdc++", "libgcc", "libwinpthread"}) {
        if (name.rfind(prefix, 0) == 0) return true;
    }
    return false;
}

bool isInSystemFolder(const std::string& dll) {
    wchar_t folder[MAX_PATH] = {};
    ::GetSystemDirectoryW(folder, MAX_PATH);
    const std::wstring path = std::wstring(folder) + L"\\" + std::wstring(dll.begin(), dll.end());
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The bytes of one resource, empty when the module does not carry it.
std::string resourceBytes(HMODULE module, const wchar_t* name, const wchar_t* type) {
    HRSRC resource = ::FindResourceW(module, name, type);
    if (!resource) return std::string();
    HGLOBAL loaded = ::LoadResource(module, resource);
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    if (!data) return std::string();
    return std::string(static_cast<const char*>(data), ::SizeofResource(module, resource));
}

UniqueModule loadAsData(const wchar_t* file) {
    return UniqueModule(::LoadLibraryExW(testdriver::builtFile(file).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
}

// The execution level a manifest requests, empty when it names none.
std::string requestedExecutionLevel(const std::string& manifest) {
    const size_t element = manifest.find("<requestedExecutionLevel");
    if (element == std::string::npos) return std::string();
    const size_t end = manifest.find('>', element);
    const std::string attributes = manifest.substr(element, end == std::string::npos ? std::string::npos : end - element);
    const size_t level = attributes.find("level=\"");
    if (level == std::string::npos) return std::string();
    const size_t start = level + 7;
    return attributes.substr(start, attributes.find('"', start) - start);
}

#pragma pack(push, 2)
struct IconGroupEntry {  // GRPICONDIRENTRY as stored in an RT_GROUP_ICON resource
    BYTE width;
    BYTE height;
    BYTE colorCount;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytesInResource;
    WORD id;
};
#pragma pack(pop)

// The programs in a build folder are all of the architecture its tests are built for: the x86
// folder holds PE32 images for i386, the x64 folder PE32+ images for AMD64.
TEST(ProgramImage, IsBuiltForTheArchitectureOfItsFolder) {
    const bool build64 = sizeof(void*) == 8;
    forEachProgram([&](const Program& program) {
        const ImageHeaders headers = readHeaders(readFile(testdriver::builtFile(program.file)));
        ASSERT_TRUE(headers.valid) << "no PE32 or PE32+ headers";
        EXPECT_EQ(headers.machine, build64 ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386);
        EXPECT_EQ(headers.magic, build64 ? IMAGE_NT_OPTIONAL_HDR64_MAGIC : IMAGE_NT_OPTIONAL_HDR32_MAGIC);
    });
}

// What sites expect of a shipped program's headers: ASLR, DEP, no per-user remapping of the
// Windows folder on a terminal server, and high-entropy ASLR where the address space has room for
// it (a PE32 image has no use for the flag). The debug data lies beside the build, not in the
// program: no debug section and no symbols.
TEST(ProgramImage, CarriesTheShippedHeaderFlagsAndNoDebugData) {
    const bool build64 = sizeof(void*) == 8;
    forEachProgram([&](const Program& program) {
        const std::vector<uint8_t> image = readFile(testdriver::builtFile(program.file));
        const ImageHeaders headers = readHeaders(image);
        ASSERT_TRUE(headers.valid) << "no PE32 or PE32+ headers";
        testdriver::forEachCase<WORD, bool, bool>({
            {"DYNAMIC_BASE", IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE, true, true},
            {"NX_COMPAT", IMAGE_DLLCHARACTERISTICS_NX_COMPAT, true, true},
            {"TERMINAL_SERVER_AWARE", IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE, true, true},
            {"HIGH_ENTROPY_VA", IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA, false, true},
        }, [&](WORD flag, bool on32, bool on64) {
            EXPECT_EQ((headers.dllCharacteristics & flag) != 0, build64 ? on64 : on32);
        });
        EXPECT_EQ(headers.symbolCount, 0u);
        const std::vector<std::string> sections = sectionNames(image);
        EXPECT_NE(std::find(sections.begin(), sections.end(), ".text"), sections.end());
        EXPECT_NE(std::find(sections.begin(), sections.end(), ".gnu_debuglink"), sections.end());
        for (const std::string& name : sections) EXPECT_NE(name.rfind(".debug", 0), 0u) << name;
    });
}

TEST(ProgramImage, ImportsOnlyWindowsSystemDlls) {
    forEachProgram([&](const Program& program) {
        const std::vector<std::string> dlls = importedDlls(readFile(testdriver::builtFile(program.file)));
        ASSERT_FALSE(dlls.empty()) << "no import table found";
        EXPECT_NE(std::find_if(dlls.begin(), dlls.end(),
                               [](const std::string& dll) { return lowerCase(dll) == "kernel32.dll"; }),
                  dlls.end());
        for (const std::string& dll : dlls) {
            SCOPED_TRACE(dll);
            EXPECT_FALSE(isCompilerRuntime(dll));
            EXPECT_TRUE(isInSystemFolder(dll));
        }
    });
}

TEST(ProgramImage, EmbedsAManifestThatRunsAsInvoker) {
    forEachProgram([&](const Program& program) {
        const UniqueModule module = loadAsData(program.file);
        ASSERT_TRUE(module);
        const std::string manifest =
            resourceBytes(module.get(), CREATEPROCESS_MANIFEST_RESOURCE_ID, RT_MANIFEST);
        ASSERT_FALSE(manifest.empty()) << "no manifest resource 1";
        EXPECT_EQ(requestedExecutionLevel(manifest), "asInvoker");
    });
}

TEST(ProgramImage, CarriesTheIconInEverySize) {
    const std::set<int> expectedSizes = {16, 32, 48, 96, 128, 256};
    forEachProgram([&](const Program& program) {
        if (!program.hasIcon) return;
        const UniqueModule module = loadAsData(program.file);
        ASSERT_TRUE(module);
        const std::string group = resourceBytes(module.get(), MAKEINTRESOURCEW(kIconGroupId), RT_GROUP_ICON);
        ASSERT_GE(group.size(), 6u) << "no icon group 101";
        WORD count = 0;
        std::memcpy(&count, group.data() + 4, sizeof(count));
        ASSERT_EQ(group.size(), 6 + count * sizeof(IconGroupEntry));
        std::set<int> sizes;
        for (WORD i = 0; i < count; ++i) {
            IconGroupEntry entry{};
            std::memcpy(&entry, group.data() + 6 + i * sizeof(IconGroupEntry), sizeof(entry));
            const int width = entry.width == 0 ? 256 : entry.width;  // 0 stands for 256
            const int height = entry.height == 0 ? 256 : entry.height;
            EXPECT_EQ(width, height);
            sizes.insert(width);
            // Each size must be a real image: its RT_ICON resource is there with the stated size.
            EXPECT_EQ(resourceBytes(module.get(), MAKEINTRESOURCEW(entry.id), RT_ICON).size(), entry.bytesInResource) << width << " px";
        }
        EXPECT_EQ(sizes, expectedSizes);
        EXPECT_EQ(count, expectedSizes.size());
    });
}

TEST(ProgramImage, LauncherCarriesTheSplashPicture) {
    forEachProgram([&](const Program& program) {
        if (!program.hasSplash) return;
        const UniqueModule module = loadAsData(program.file);
        ASSERT_TRUE(module);
        const std::string bitmap = resourceBytes(module.get(), MAKEINTRESOURCEW(kSplashBitmapId), RT_BITMAP);
        ASSERT_GE(bitmap.size(), sizeof(BITMAPINFOHEADER)) << "no bitmap 102";
        BITMAPINFOHEADER header{};
        std::memcpy(&header, bitmap.data(), sizeof(header));
        EXPECT_EQ(header.biWidth, 374);
        EXPECT_EQ(header.biHeight < 0 ? -header.biHeight : header.biHeight, 256);
        EXPECT_EQ(header.biBitCount, 24);
        // Rows of 374 pixels at 3 bytes are padded to 1124 bytes.
        EXPECT_GE(bitmap.size(), header.biSize + 1124u * 256u);
    });
}

// The program's whole version resource, empty when it has none.
std::vector<BYTE> versionResource(const std::wstring& path) {
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
    std::vector<BYTE> data(size);
    if (size == 0 || !::GetFileVersionInfoW(path.c_str(), 0, size, data.data())) data.clear();
    return data;
}

// One string of a language block ("040704b0"); "(none)" when the block or the value is missing.
std::wstring versionString(std::vector<BYTE>& resource, const std::wstring& block, const std::wstring& name) {
    void* value = nullptr;
    UINT length = 0;
    const std::wstring query = L"\\StringFileInfo\\" + block + L"\\" + name;
    if (!::VerQueryValueW(resource.data(), query.c_str(), &value, &length) || !value) return L"(none)";
    return std::wstring(static_cast<const wchar_t*>(value), length > 0 ? length - 1 : 0);
}

// "2.0.0" as the four numbers of a fixed version: missing parts are 0.
std::vector<DWORD> fourPartVersion(const std::wstring& dotted) {
    std::vector<DWORD> parts;
    size_t start = 0;
    while (start <= dotted.size() && parts.size() < 4) {
        const size_t dot = dotted.find(L'.', start);
        parts.push_back(std::stoul(dotted.substr(start, dot - start)));
        if (dot == std::wstring::npos) break;
        start = dot + 1;
    }
    parts.resize(4, 0);
    return parts;
}

std::vector<DWORD> fourPartVersion(DWORD mostSignificant, DWORD leastSignificant) {
    return {HIWORD(mostSignificant), LOWORD(mostSignificant), HIWORD(leastSignificant), LOWORD(leastSignificant)};
}

// Explorer's Details page and the installers read these; the version is the project version.
TEST(ProgramImage, CarriesVersionInformationInGermanAndEnglish) {
    const std::wstring version = kProductVersion;
    forEachProgram([&](const Program& program) {
        std::vector<BYTE> resource = versionResource(testdriver::builtFile(program.file));
        ASSERT_FALSE(resource.empty()) << "no version resource";

        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT size = 0;
        ASSERT_TRUE(::VerQueryValueW(resource.data(), L"\\", reinterpret_cast<void**>(&fixed), &size));
        ASSERT_GE(size, sizeof(VS_FIXEDFILEINFO));
        EXPECT_EQ(fixed->dwSignature, VS_FFI_SIGNATURE);
        EXPECT_EQ(fourPartVersion(fixed->dwFileVersionMS, fixed->dwFileVersionLS), fourPartVersion(version));
        EXPECT_EQ(fourPartVersion(fixed->dwProductVersionMS, fixed->dwProductVersionLS), fourPartVersion(version));
        EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

        // Both languages in Unicode (code page 1200), so Windows finds the user's language.
        DWORD* translations = nullptr;
        ASSERT_TRUE(::VerQueryValueW(resource.data(), L"\\VarFileInfo\\Translation",
                                     reinterpret_cast<void**>(&translations), &size));
        const std::vector<DWORD> languages(translations, translations + size / sizeof(DWORD));
        EXPECT_EQ(languages, (std::vector<DWORD>{MAKELONG(0x0407, 1200), MAKELONG(0x0409, 1200)}));

        const std::wstring file = program.file;
        testdriver::forEachCase<const wchar_t*, const wchar_t*, const wchar_t*>({
            {"German", L"040704b0", program.germanDescription, L"\u00A9 2026 Tavrel Bank. Alle Rechte vorbehalten."},
            {"English", L"040904b0", program.englishDescription, L"\u00A9 2026 Tavrel Bank. All rights reserved."},
        }, [&](const wchar_t* block, const wchar_t* description, const wchar_t* copyright) {
            testdriver::forEachRow<const wchar_t*, std::wstring>({
                {L"ProductName", L"Tavrel Bank brivane"},
                {L"CompanyName", L"Tavrel Bank"},
                {L"FileDescription", description},
                {L"OriginalFilename", file},
                {L"InternalName", file.substr(0, file.size() - 4)},
                {L"LegalCopyright", copyright},
                {L"FileVersion", version},
                {L"ProductVersion", version},
            }, [&](const wchar_t* name, const std::wstring& expected) {
                EXPECT_EQ(versionString(resource, block, name), expected);
            });
        });
    });
}

}  // namespace
