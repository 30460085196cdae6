#pragma once

#include <string>

namespace benchfaultpost {

// The bytes of one launcher log: lines "yyyy.MM.dd HH:mm:ss " + message + CR LF in UTF-8, with
// umlauts in the paths, starting at the given second of the day and filled up to exactly size
// bytes (the last line padded). Different seeds give different sequences of messages.
std::string launcherLog(std::size_t size, unsigned int seed, int firstSecond);

}  // namespace benchfaultpost
