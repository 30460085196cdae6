#pragma once

#include <string>

// The versions that Java runtimes carry in the names of their registry keys and in their
// "release" files, read on the scale of JavaVersion's number so that they compare with the
// launcher's minimum.

// The comparable number of a version name such as "1.8.0_392", "17.0.9.9", "8.0.392.8", "8u392",
// "zulu-17" or "Liberica JDK 17 Full"; 0 when the name is not understood, which is older than
// every minimum. Never throws.
//
// The name is an optional word (letters, blanks, hyphens), one to four parts of at most four
// digits each ("." between them, "." or "_" before the fourth; "u" after the first as in "8u392"),
// and an optional tail that starts with a blank, "-" or "+" and is ignored. Anything else is not
// understood. The parts are read as
// - 1.<feature>.<micro>_<update>: the old scheme, the same number JavaVersion gives;
// - 2 to 8 first (8.0.392.8, 8u392, zulu-8): the runtime the old scheme calls 1.<first>.0_<third>;
// - 9 to 200 first (17.0.9.9): feature, interim, update, build, as JavaVersion reads 17.0.9.
int runtimeVersionNumber(const std::wstring& name);

// The JAVA_VERSION value of a runtime's "release" file (lines of NAME="value", ASCII), without its
// quotes. False when no line sets it. Never throws.
bool releaseJavaVersion(const std::string& releaseBytes, std::wstring& version);
