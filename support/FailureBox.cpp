#include "support/FailureBox.h"

#include <windows.h>

#include "support/IOException.h"
#include "support/TextSelector.h"

void showFailureBox(const TextSelector& selector, const IOException& failure, const std::wstring& germanCaption,
                    const std::wstring& englishCaption) {
    const std::wstring text = selector.select(L"Es ist folgender Fehler aufgetreten: \n\n" + failure.germanMessage,
                                              L"The following error occured: \n\n" + failure.englishMessage);
    const std::wstring caption = selector.select(germanCaption, englishCaption);
    ::MessageBoxW(nullptr, text.c_str(), caption.c_str(), MB_ICONERROR);
}
