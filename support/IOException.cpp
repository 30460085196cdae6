#include "support/IOException.h"

#include <climits>

IOException::IOException(const std::wstring& germanMessage, const std::wstring& englishMessage, int kind)
    : germanMessage(germanMessage), englishMessage(englishMessage), kind(kind) {}

IOException::~IOException() = default;

IOException notEnoughMemory() {
    return IOException(L"Nicht genügend Speicher",
                       L"Not enough memory",
                       IOException::Resource);
}

int checkedCount(std::size_t size) {
    if (size > static_cast<std::size_t>(INT_MAX)) throw notEnoughMemory();
    return static_cast<int>(size);
}
