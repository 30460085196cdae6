#pragma once

#include <string>

// Whether the command line asks to skip the confirmation: "silent" anywhere in it, program path
// included, case-sensitive.
bool requestsSilence(const std::wstring& commandLine);

// The whole run of the mailer: confirmation unless silent, report, mail or save. Every
// IOException ends in one error box; never throws.
void runFaultpost();
