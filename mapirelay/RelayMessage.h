#pragma once

#include <string>

// The one e-mail that the relay hands to the mail program, as its command line describes it.
struct RelayMessage {
    std::wstring recipientName;
    std::wstring recipientAddress;  // passed on unchanged, address-type prefix included
    std::wstring subject;
    std::wstring body;
};
