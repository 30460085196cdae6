#pragma once

#include <string>

#include "support/IOException.h"

// Puts bytes into the file at path so that a reader sees the old file or the new one, never a
// part: written and flushed under path + ".tmp" (a leftover of that name is replaced), then moved
// over path in one step (MoveFileExW with MOVEFILE_REPLACE_EXISTING). A file that already holds
// exactly these bytes is left alone: a runtime that has it open would keep it from being replaced.
// A read-only mark on either file (a sync tool, a restore from backup) is cleared first, and a
// folder where either file belongs is removed like any leftover. Throws IOException with the
// system's text of the failing call, kind InUse when another program holds the file (a running
// client: the user can close it), Resource otherwise; the temporary file is then removed.
void writeFileInOneStep(const std::wstring& path, const std::string& bytes);

// The kind of a failed write or move by its system error: InUse for a file that another program
// holds (sharing or lock violation, and access denied on a file that is there and not read-only,
// as Windows answers for a file open without delete sharing), Resource for the rest. Never throws.
IOException::Kind oneStepWriteFailureKind(unsigned long errorCode, bool heldFileThere);

// Deletes the file at path in one attempt (a file that a running program holds stays); false when
// it is still there. Never throws.
bool tryDeleteFileOnce(const std::wstring& path);
