#pragma once

#include <string>

#include "launcher/runtime/JavaVersion.h"

// The versions that Java runtimes carry in the names of their registry keys and in their
// "release" files, read on the scale of JavaVersion's number so that they compare with the
// launcher's minimum.

// The version a runtime's name stands for, written in the form JavaVersion reads ("1.8.0_392",
// "17.0.9_9"), so that JavaVersion alone turns every form into its number; an empty version
// (number 0, older than every minimum) when the name is not understood. Never throws.
//
// The name is an optional word (letters, blanks, hyphens), one to four parts of at most four
// digits each ("." between them, "." or "_" before the fourth; "u" after the first as in "8u392"),
// and an optional tail that starts with a blank, "-" or "+" and is ignored. Anything else is not
// understood. The parts are read as
// - 1.<feature>.<micro>_<update>: the old scheme, as JavaVersion reads it;
// - 2 to 8 first (8.0.392.8, 8u392, zulu-8): the runtime the old scheme calls 1.<first>.0_<third>;
// - 9 to 200 first (17.0.9.9): feature, interim, update, build, as JavaVersion reads 17.0.9_9.
// Each part is capped to its slot of JavaVersion's number (99, 99, 999 after the first).
JavaVersion runtimeVersion(const std::wstring& name);

// runtimeVersion(name).getNumber(), for a name such as "1.8.0_392", "17.0.9.9", "8.0.392.8",
// "8u392", "zulu-17" or "Liberica JDK 17 Full". Never throws.
int runtimeVersionNumber(const std::wstring& name);

// The JAVA_VERSION value of a runtime's "release" file (lines of NAME="value", ASCII), without its
// quotes. False when no line sets it. Never throws.
bool releaseJavaVersion(const std::string& releaseBytes, std::wstring& version);

// The version that a runtime's "release" file names (runtimeVersion of its JAVA_VERSION); the
// empty version when it names none. Never throws.
JavaVersion releaseFileVersion(const std::string& releaseBytes);
