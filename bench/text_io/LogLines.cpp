#include "bench/text_io/LogLines.h"

namespace benchtextio {

namespace {

const wchar_t* const kTemplates[] = {
    L"Launcher initialized, version 2",
    L"AppDir=C:\\Users\\J\u00FCrgen M\u00FCller\\AppData\\Local\\TavrelBank\\brivane",
    L"DataDir=C:\\Users\\J\u00FCrgen M\u00FCller\\Documents\\TavrelBank",
    L"Adding to classpath: C:\\Users\\J\u00FCrgen M\u00FCller\\AppData\\Local\\TavrelBank\\brivane\\lib\\module-",
    L"Found Java runtime in registry: C:\\Program Files\\Java\\jre1.8.0_",
    L"Proxy settings: ProxyEnable=1 ProxyServer=proxy.example.com:8080 ProxyOverride=<local>;*.example.com",
    L"Renaming C:\\Users\\J\u00FCrgen M\u00FCller\\AppData\\Local\\TavrelBank\\brivane\\lib_new to lib",
    L"Waiting for Java process to become idle, pass ",
    L"Z\u00FCrich \u00E4\u00F6\u00FC\u00DF \u20AC \u00C4\u00D6\u00DC - Unicode line with three-byte characters",
    L"Exception occured: Die Datei C:\\Users\\J\u00FCrgen\\lib kann nicht gelesen werden",
};
constexpr unsigned long kTemplateCount = sizeof kTemplates / sizeof kTemplates[0];

}  // namespace

void logMessage(unsigned long index, std::wstring& message) {
    // A cheap mixing of the index, so that the kinds follow each other irregularly.
    const unsigned long mixed = (index * 2654435761UL) >> 7;
    message.assign(kTemplates[mixed % kTemplateCount]);
    // Digits appended by hand: std::to_wstring would be a temporary string of its own.
    unsigned long number = index % 997;
    wchar_t digits[4];
    int count = 0;
    do {
        digits[count++] = static_cast<wchar_t>(L'0' + number % 10);
        number /= 10;
    } while (number > 0);
    while (count > 0) message.push_back(digits[--count]);
    if (index % 4999 == 17) {
        // A launcher command line: long enough to make every buffer grow once.
        message.append(L" -cp ");
        for (int i = 0; i < 40; ++i) message.append(L"C:\\Users\\J\u00FCrgen\\lib\\library-part.jar;");
    }
}

}  // namespace benchtextio
