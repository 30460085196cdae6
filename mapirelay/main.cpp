#include <string>

#include <windows.h>

#include "mapirelay/RelayArguments.h"
#include "mapirelay/RelayMessage.h"
#include "support/IOException.h"
#include "support/MailDispatch.h"
#include "support/MessageQueue.h"
#include "support/TextSelector.h"

namespace {

void showRelayError(const TextSelector& textSelector, const IOException& failure) {
    const std::wstring germanText = L"Es ist folgender Fehler aufgetreten: \n\n" + failure.germanMessage;
    const std::wstring englishText = L"The following error occured: \n\n" + failure.englishMessage;
    const std::wstring germanCaption = L"Fehler - Tavrel Bank brivane Mapirelay";
    const std::wstring englishCaption = L"Error - Tavrel Bank brivane Mapirelay";
    ::MessageBoxW(nullptr, textSelector.select(germanText, englishText).c_str(),
                  textSelector.select(germanCaption, englishCaption).c_str(), MB_ICONERROR);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const TextSelector textSelector;
    // Handle whatever is already queued for this thread before the modal compose window and the
    // message boxes take it over.
    drainMessages();
    try {
        const std::wstring commandLine = ::GetCommandLineW();
        RelayMessage message = parseRelayArguments(commandLine);
        message.body = expandLineBreaks(message.body);
        mailOrWarn(message.recipientName.c_str(), message.recipientAddress.c_str(), message.subject.c_str(),
                   message.body.c_str());
    } catch (const IOException& failure) {
        showRelayError(textSelector, failure);
    }
    return 0;
}
