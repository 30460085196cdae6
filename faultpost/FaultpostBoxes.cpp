#include "faultpost/FaultpostBoxes.h"

#include <string>

#include <windows.h>

#include "support/FailureBox.h"
#include "support/TextSelector.h"

bool confirmSending(const TextSelector& selector) {
    const std::wstring text =
        selector.select(L"Wollen Sie wirklich brivane Logdaten per e-Mail an die Tavrel Bank verschicken?",
                        L"Do you really want to send the brivane log files to the Tavrel Bank?");
    const std::wstring caption =
        selector.select(L"Tavrel Bank brivane Faultpost", L"Tavrel Bank brivane Faultpost");
    return ::MessageBoxW(nullptr, text.c_str(), caption.c_str(), MB_ICONQUESTION | MB_YESNO) == IDYES;
}

void showFailure(const TextSelector& selector, const IOException& failure) {
    showFailureBox(selector, failure, L"Fehler - Tavrel Bank brivane Faultpost",
                   L"Error - Tavrel Bank brivane Faultpost");
}
