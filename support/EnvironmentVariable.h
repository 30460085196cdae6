#pragma once

#include <string>

// The value of a variable of this process's environment; empty when it is not set or empty.
// Never throws.
std::wstring environmentVariable(const std::wstring& name);
