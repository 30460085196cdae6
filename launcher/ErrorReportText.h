#pragma once

#include <string>

// The texts of the launcher's start-up error report, in both languages.
struct ErrorReportText {
    std::wstring germanText;
    std::wstring englishText;
    std::wstring caption;
    std::wstring germanSubject;
    std::wstring englishSubject;
};

// The message with the hint of its kind (none for a kind outside Resource, Installation and
// InUse) and the closing question.
ErrorReportText composeErrorReportText(const std::wstring& title, const std::wstring& launcherVersion,
                                       const std::wstring& germanMessage, const std::wstring& englishMessage,
                                       int kind);

// The message of a Java process that could not be created; systemText is the system's text for
// the error (empty when it has none) and is appended as delivered, line end included.
std::wstring processFailureMessage(const std::wstring& commandLine, unsigned long errorCode,
                                   const std::wstring& systemText);
