#pragma once

#include <string>

#include "support/FileEnumeratorCallback.h"

class FileDescription;

// Joins every "*.jar" below a folder into one class path, in the walker's order (deepest
// folders first) and separated by ";".
class ClasspathFinder : public FileEnumeratorCallback {
public:
    ~ClasspathFinder() override = default;
    void onEntry(FileDescription& description) override;

    // folder ends with a backslash. Empty when nothing matches. Never throws.
    std::wstring createClasspath(const std::wstring& folder);

private:
    std::wstring classpath_;
};
