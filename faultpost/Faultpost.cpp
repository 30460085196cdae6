#include "faultpost/Faultpost.h"

#include <windows.h>

#include "faultpost/FaultpostBoxes.h"
#include "faultpost/Report.h"
#include "support/IOException.h"
#include "support/MessageQueue.h"
#include "support/TextSelector.h"

bool requestsSilence(const std::wstring& commandLine) {
    return commandLine.find(L"silent") != std::wstring::npos;
}

void runFaultpost() {
    const TextSelector selector;
    // Whatever the starting program left in our queue must not answer the first message box.
    drainMessages();
    try {
        const std::wstring commandLine = ::GetCommandLineW();
        if (!requestsSilence(commandLine) && !confirmSending(selector)) return;
        sendReport();
    } catch (const IOException& failure) {
        showFailure(selector, failure);
    }
}
