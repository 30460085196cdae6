#include "launcher/commandline/RuntimeReadablePath.h"

#include <vector>

#include <windows.h>

#include "support/GrowingBuffer.h"
#include "support/IOException.h"
#include "support/LogfileWriter.h"

namespace {

constexpr unsigned int kUtf8CodePage = CP_UTF8;

bool survivesCodePage(const std::wstring& text, unsigned int codePage) {
    if (text.empty()) return true;
    const int count = static_cast<int>(text.size());
    // UTF-8 carries every well-formed text; it takes no default character, only the strict flag,
    // which refuses a lone surrogate.
    if (codePage == kUtf8CodePage) {
        return ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), count, nullptr, 0, nullptr,
                                     nullptr) > 0;
    }
    BOOL usedDefault = FALSE;
    const int bytes = ::WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text.data(), count, nullptr, 0, nullptr,
                                            &usedDefault);
    if (bytes <= 0 || usedDefault) return false;
    std::vector<char> narrow(static_cast<std::size_t>(bytes));
    ::WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text.data(), count, narrow.data(), bytes, nullptr,
                          &usedDefault);
    if (usedDefault) return false;
    const int units = ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, narrow.data(), bytes, nullptr, 0);
    if (units <= 0) return false;
    std::wstring back(static_cast<std::size_t>(units), L'\0');
    ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, narrow.data(), bytes, &back[0], units);
    return back == text;
}

bool holdsClassPathHazard(const std::wstring& path) {
    for (const wchar_t unit : path) {
        if (unit == L';' || unit == L'%' || (unit >= 0xD800 && unit <= 0xDFFF)) return true;
    }
    return false;
}

std::wstring shortFormOf(const std::wstring& path) {
    return callWithGrowingBuffer([&](wchar_t* buffer, unsigned long capacity) {
        return static_cast<unsigned long>(::GetShortPathNameW(path.c_str(), buffer, capacity));
    });
}

}  // namespace

bool runtimeReadsAsWritten(const std::wstring& path, unsigned int codePage, RuntimePathUse use) {
    if (use == RuntimePathUse::ClassPathEntry && holdsClassPathHazard(path)) return false;
    return survivesCodePage(path, codePage);
}

std::wstring chooseRuntimePath(const std::wstring& path, const std::wstring& shortForm, unsigned int codePage,
                               RuntimePathUse use) {
    if (runtimeReadsAsWritten(path, codePage, use)) return path;
    // With short names off, the system answers the long name itself: that is no way out either.
    if (!shortForm.empty() && runtimeReadsAsWritten(shortForm, codePage, use)) return shortForm;
    return std::wstring();
}

bool tryRuntimeReadablePath(const std::wstring& path, RuntimePathUse use, std::wstring& readable) {
    const unsigned int codePage = ::GetACP();
    readable = runtimeReadsAsWritten(path, codePage, use) ? path : chooseRuntimePath(path, shortFormOf(path), codePage, use);
    return !readable.empty() || path.empty();
}

std::wstring runtimeReadablePath(const std::wstring& path, RuntimePathUse use, LogfileWriter& log) {
    std::wstring chosen;
    if (tryRuntimeReadablePath(path, use, chosen) && chosen == path) return path;
    if (chosen.empty()) {
        log.log(L"No short form for " + path);
        throw IOException(L"Der Pfad " + path +
                              L" enthält Zeichen, die die Java-Laufzeitumgebung nicht lesen kann, und hat keinen "
                              L"kurzen Namen. Ein Administrator kann mit einer Zeile appDir= in der Datei launch.ini "
                              L"des Installationsordners einen Ordner mit einfachem Namen wählen oder kurze Namen auf "
                              L"diesem Laufwerk einschalten.",
                          L"The path " + path +
                              L" holds characters that the Java runtime can not read, and it has no short name. An "
                              L"administrator can choose a folder with a plain name by an appDir= line in the file "
                              L"launch.ini of the installation folder, or turn on short names on this volume.",
                          IOException::Installation);
    }
    log.log(L"Handing over short form " + chosen + L" for " + path);
    return chosen;
}
