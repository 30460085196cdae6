#pragma once

#include <string>

// The value of a variable of this process's environment; empty when it is not set or empty.
// Never throws.
std::wstring environmentVariable(const std::wstring& name);

// text with each %NAME% reference replaced by the variable's value, as ExpandEnvironmentStringsW
// does; a reference to a variable that is not set stays as written. text itself when the call
// fails. Never throws.
std::wstring expandEnvironmentStrings(const std::wstring& text);
