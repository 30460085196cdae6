#pragma once

namespace supportfs {

// Replaces one imported function in this test program's import address table for as long as the
// hook lives. The support library is linked into the test program statically, so every call it
// makes to, say, RegOpenKeyExW goes through this table: a counting replacement sees exactly the
// calls the code under test makes.
class ImportHook {
public:
    // functionName as the import table names it, e.g. "RegOpenKeyExW".
    ImportHook(const char* functionName, void* replacement);
    ~ImportHook();
    ImportHook(const ImportHook&) = delete;
    ImportHook& operator=(const ImportHook&) = delete;

    // False when the program does not import the function (the hook then does nothing).
    bool installed() const { return slot_ != nullptr; }
    // The function the table pointed to before; call it to forward.
    void* original() const { return original_; }

private:
    void** slot_ = nullptr;
    void* original_ = nullptr;
};

}  // namespace supportfs
