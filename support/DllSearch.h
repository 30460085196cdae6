#pragma once

// Restricts every later DLL load of this process that names no full path to the system folder,
// so no DLL planted beside the program or in the current folder is ever loaded (the shell's
// dialogs and what they pull in load by name). Call it as the first statement of a program's
// entry. Windows 7 without update KB2533623 lacks the function: there it changes nothing and
// answers false, as it does when the call fails. Never throws.
bool restrictDllSearchToSystem32() noexcept;
