#pragma once

#include <string>

#include "support/UniqueResource.h"

// Starts the program of commandLine (its first argument) with the creation flags, inheriting no
// handles; both handles of the new process go to process. 0 when it started, otherwise the
// system's error code. The length is not checked (see fitsProcessCommandLine). Never throws but
// std::bad_alloc.
unsigned long startProcess(const std::wstring& commandLine, unsigned long creationFlags,
                           UniqueProcessInformation& process);
