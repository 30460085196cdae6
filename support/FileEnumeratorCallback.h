#pragma once

class FileDescription;

// Receives the entries of FileEnumerator and DirectoryEnumerator, one at a time.
class FileEnumeratorCallback {
public:
    virtual ~FileEnumeratorCallback() = default;
    // May set description.stopRequested to end the walk; an exception ends it too and passes
    // through the walker to its caller.
    virtual void onEntry(FileDescription& description) = 0;
};
