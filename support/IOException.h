#pragma once

#include <cstddef>
#include <string>

// The one failure type of all four programs: the same failure in German and in English, and a
// kind that tells the launcher's error report which hint to add. Raised by value, caught by
// reference. Deliberately not derived from std::exception: nothing but our handlers catches it.
class IOException {
public:
    enum Kind : int {
        Resource = 0,      // file, volume or memory problem
        Installation = 1,  // something of the installation is missing or broken
        InUse = 2          // files held by a running client
    };

    IOException(const std::wstring& germanMessage, const std::wstring& englishMessage, int kind);
    virtual ~IOException();

    std::wstring germanMessage;
    std::wstring englishMessage;
    int kind;
};

// The pair raised when a buffer cannot grow or a size no longer fits a 32-bit count.
IOException notEnoughMemory();

// size as a 32-bit count. Throws notEnoughMemory() when it does not fit.
int checkedCount(std::size_t size);
