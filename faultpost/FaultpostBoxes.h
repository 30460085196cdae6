#pragma once

class IOException;
class TextSelector;

// The two message boxes of the mailer, without owner window, in the user's language.

// Asks whether the log files may be mailed; true only for Yes.
bool confirmSending(const TextSelector& selector);
// Shows the failure that ended the run.
void showFailure(const TextSelector& selector, const IOException& failure);
