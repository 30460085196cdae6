#include "bench/faultpost/LauncherLogs.h"

#include <cstdio>

namespace benchfaultpost {

namespace {

// What the launcher writes in a run, in UTF-8 ("\xC3\xBC" is u-umlaut, "\xE2\x82\xAC" the euro
// sign); a number is appended to the messages that end in a blank or "-".
const char* const kMessages[] = {
    "Launcher initialized, version 2",
    "installFolder=C:\\Program Files\\Tavrel Bank\\brivane",
    "AppDir=C:\\Users\\J\xC3\xBCrgen M\xC3\xBCller\\AppData\\Local\\TavrelBank\\brivane",
    "DataDir=C:\\Users\\J\xC3\xBCrgen M\xC3\xBCller\\Documents\\TavrelBank",
    "LibDir=C:\\Users\\J\xC3\xBCrgen M\xC3\xBCller\\AppData\\Local\\TavrelBank\\brivane\\lib",
    "Adding to classpath: C:\\Users\\J\xC3\xBCrgen M\xC3\xBCller\\AppData\\Local\\TavrelBank\\brivane\\lib\\module-",
    "Found Java runtime in registry: C:\\Program Files\\Java\\jre1.8.0_",
    "Proxy settings: ProxyEnable=1 ProxyServer=proxy.example.com:8080 ProxyOverride=<local>",
    "Renaming C:\\Users\\J\xC3\xBCrgen M\xC3\xBCller\\AppData\\Local\\TavrelBank\\brivane\\lib_new to lib",
    "Waiting for Java process to become idle, pass ",
    "Kontoauszug Z\xC3\xBCrich \xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F \xE2\x82\xAC \xC3\x84\xC3\x96\xC3\x9C geladen, Umsatz ",
    "Exception occured: Die Datei C:\\Users\\J\xC3\xBCrgen\\lib kann nicht gelesen werden",
};
constexpr unsigned int kMessageCount = sizeof kMessages / sizeof kMessages[0];

}  // namespace

std::string launcherLog(std::size_t size, unsigned int seed, int firstSecond) {
    std::string log;
    log.reserve(size);
    unsigned int state = seed * 2654435761u + 1;
    int second = firstSecond;
    char line[512];
    for (unsigned int index = 0;; ++index) {
        // A cheap xorshift, so that the kinds of message follow each other irregularly.
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        const char* const message = kMessages[state % kMessageCount];
        const int day = second / 86400;
        const int time = second % 86400;
        int length = std::snprintf(line, sizeof line, "2024.03.%02d %02d:%02d:%02d %s", 5 + day % 20,
                                   time / 3600, time / 60 % 60, time % 60, message);
        const char last = line[length - 1];
        if (last == ' ' || last == '-' || last == '_') {
            length += std::snprintf(line + length, sizeof line - static_cast<std::size_t>(length), "%u", index % 997);
        }
        line[length++] = '\r';
        line[length++] = '\n';
        if (log.size() + static_cast<std::size_t>(length) > size) break;
        log.append(line, static_cast<std::size_t>(length));
        if (index % 7 == 0) ++second;
    }
    // Pad the last line so that every file has exactly the size asked for.
    const std::size_t rest = size - log.size();
    if (rest >= 2) log.append(rest - 2, '.').append("\r\n");
    else log.append(rest, '.');
    return log;
}

}  // namespace benchfaultpost
