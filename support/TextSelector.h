#pragma once

#include <string>

// Chooses the German or the English text of a pair by the user's default locale, asked anew on
// every call. The German text is always the first argument.
class TextSelector {
public:
    virtual ~TextSelector() = default;
    // Returns a reference to one of the arguments, not a copy.
    virtual const std::wstring& select(const std::wstring& german, const std::wstring& english) const;
};

// Whether a locale identifier selects German: the four German-speaking countries, the fifth
// German sublanguage and French (Switzerland), compared as whole identifiers.
bool isGermanLocale(unsigned long localeId);
