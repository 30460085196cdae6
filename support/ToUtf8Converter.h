#pragma once

#include "support/ToMultiByteConverter.h"

// UTF-16 to UTF-8 (files and URL encoding).
class ToUtf8Converter : public ToMultiByteConverter {
public:
    ToUtf8Converter() : ToMultiByteConverter(65001 /* CP_UTF8 */) {}
};
