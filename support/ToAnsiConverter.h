#pragma once

#include "support/ToMultiByteConverter.h"

// UTF-16 to the system's ANSI code page (the narrow strings of Simple MAPI).
class ToAnsiConverter : public ToMultiByteConverter {
public:
    ToAnsiConverter() : ToMultiByteConverter(0 /* CP_ACP */) {}
};
