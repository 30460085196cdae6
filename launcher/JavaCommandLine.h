#pragma once

#include <string>

// The pieces of the Java runtime's command line, composed from plain strings.

// One "-Dlaunch." option appended to options (blank-separated); nothing for an empty value.
void appendLaunchProperty(const std::wstring& name, const std::wstring& value, std::wstring& options);

// The proxyHost and proxyPort options of an Internet settings "ProxyServer" text: the whole text
// as host:port, or in a per-protocol list ("http=...;https=...") only the "https=" entry.
void appendProxyProperties(const std::wstring& proxyServer, std::wstring& options);

struct JavaCommandLineParts {
    std::wstring javaPath;
    std::wstring classpath;
    std::wstring propertyOptions;
    std::wstring additionalOptions;
    std::wstring appDir;
    std::wstring installDir;
    std::wstring dataDir;
};

// Quoted runtime, " -classpath " and the quoted class path, the options, " a.a " and the three
// quoted folders. Nothing is escaped: the folders cannot hold a double quote.
std::wstring composeJavaCommandLine(const JavaCommandLineParts& parts);
