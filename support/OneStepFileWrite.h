#pragma once

#include <string>

// Puts bytes into the file at path so that a reader sees the old file or the new one, never a
// part: written and flushed under path + ".tmp" (a leftover of that name is replaced), then moved
// over path in one step (MoveFileExW with MOVEFILE_REPLACE_EXISTING). A file that already holds
// exactly these bytes is left alone: a runtime that has it open would keep it from being replaced.
// Throws IOException (kind Resource) with the system's text of the failing call; the temporary
// file is then removed.
void writeFileInOneStep(const std::wstring& path, const std::string& bytes);
