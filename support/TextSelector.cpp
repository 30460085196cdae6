#include "support/TextSelector.h"

#include <windows.h>

bool isGermanLocale(unsigned long localeId) {
    // Whole identifiers, sort-order bits included: German with the phone-book order (0x10407)
    // is not in the list and gets English.
    switch (localeId) {
        case 0x0407:  // German, Germany
        case 0x0807:  // German, Switzerland
        case 0x0C07:  // German, Austria
        case 0x1007:  // German, Luxembourg
        case 0x1407:  // German, fifth sublanguage
        case 0x100C:  // French, Switzerland
            return true;
        default:
            return false;
    }
}

const std::wstring& TextSelector::select(const std::wstring& german, const std::wstring& english) const {
    // Asked on every call: the user may change the setting while a program runs.
    return isGermanLocale(::GetUserDefaultLCID()) ? german : english;
}
