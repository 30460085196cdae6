#pragma once

#include <string>

#include "support/UniqueResource.h"

// The name of the mutex that two launchers of one user share for one application folder:
// "Local\" and a hash of the folder's text with its plain letters folded to lower case (a mutex
// name takes no backslash and at most MAX_PATH characters). Never throws.
std::wstring applicationFolderMutexName(const std::wstring& folder);

// Holds the application folder's mutex from construction to destruction, for work that another
// launcher of the same user may do at the same moment. Never throws: when the mutex cannot be
// had within the wait (a launcher that hangs holding it), the work goes on without it, and the
// one-step moves it guards keep the files whole all the same.
class ApplicationFolderLock {
public:
    explicit ApplicationFolderLock(const std::wstring& folder);
    ~ApplicationFolderLock();

    ApplicationFolderLock(const ApplicationFolderLock&) = delete;
    ApplicationFolderLock& operator=(const ApplicationFolderLock&) = delete;

    bool isHeld() const { return held_; }

private:
    UniqueHandle mutex_;
    bool held_;
};
