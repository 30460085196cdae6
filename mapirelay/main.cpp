#include <string>

#include <windows.h>

#include "mapirelay/RelayArguments.h"
#include "mapirelay/RelayMessage.h"
#include "support/DllSearch.h"
#include "support/FailureBox.h"
#include "support/IOException.h"
#include "support/MailDispatch.h"
#include "support/MessageQueue.h"
#include "support/TextSelector.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    restrictDllSearchToSystem32();
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
        showFailureBox(textSelector, failure, L"Fehler - Tavrel Bank brivane Mapirelay",
                       L"Error - Tavrel Bank brivane Mapirelay");
    }
    return 0;
}
