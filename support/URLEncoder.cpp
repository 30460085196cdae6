#include "support/URLEncoder.h"

namespace {

bool isAsciiLetterOrDigit(unsigned char byte) {
    // Plain ASCII ranges on purpose: isalnum would depend on the C runtime's locale.
    return (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z');
}

}  // namespace

std::wstring& URLEncoder::encode(std::wstring& out, const std::wstring& in) {
    static constexpr wchar_t kHexDigits[] = L"0123456789ABCDEF";
    // Converting first: when it throws, out is still untouched.
    converter_.convert(in.c_str());
    const char* const bytes = converter_.data();
    const int count = converter_.length();
    out.clear();
    for (int i = 0; i < count; ++i) {
        const unsigned char byte = static_cast<unsigned char>(bytes[i]);
        if (isAsciiLetterOrDigit(byte)) {
            out.push_back(static_cast<wchar_t>(byte));
        } else {
            out.push_back(L'%');
            out.push_back(kHexDigits[byte >> 4]);
            out.push_back(kHexDigits[byte & 0x0F]);
        }
    }
    return out;
}
