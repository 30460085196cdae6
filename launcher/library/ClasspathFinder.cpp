#include "launcher/library/ClasspathFinder.h"

#include "support/FileDescription.h"
#include "support/FileEnumerator.h"

void ClasspathFinder::onEntry(FileDescription& description) {
    if (!classpath_.empty()) classpath_ += L';';
    classpath_ += description.fullPath();
}

std::wstring ClasspathFinder::createClasspath(const std::wstring& folder) {
    classpath_.clear();
    FileEnumerator enumerator;
    enumerator.enumerate(folder, L"*.jar", *this, true);
    return classpath_;
}
