#pragma once

#include <string>

#include "support/ToUtf8Converter.h"

// Percent-encodes text for the launcher's folder properties: only ASCII letters and digits pass,
// every other UTF-8 byte becomes "%" and two upper-case hexadecimal digits.
class URLEncoder {
public:
    virtual ~URLEncoder() = default;
    // Replaces out by the encoding of in (up to its first zero unit) and returns out. Throws
    // IOException when the UTF-8 conversion fails; out is then unchanged.
    virtual std::wstring& encode(std::wstring& out, const std::wstring& in);

private:
    ToUtf8Converter converter_;
};
