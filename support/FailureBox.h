#pragma once

#include <string>

class IOException;
class TextSelector;

// The box that ends a program's run on a failure, without owner window: "Es ist folgender Fehler
// aufgetreten: " / "The following error occured: ", a blank line and the failure's message, under
// the caller's caption, all in the user's language. Never throws.
void showFailureBox(const TextSelector& selector, const IOException& failure, const std::wstring& germanCaption,
                    const std::wstring& englishCaption);
