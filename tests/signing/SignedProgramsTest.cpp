// The signed copies that signing.sign_and_verify left in bin\signed must still load and run to
// their normal end: the signature is appended to the image and named in its headers, and a
// mistake there stops the loader. Wine does not check the signature itself; osslsigncode did.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include "tests/driver/CaseTable.h"
#include "tests/driver/Dialogs.h"
#include "tests/driver/MapiStandIn.h"
#include "tests/driver/Process.h"
#include "tests/driver/TestPaths.h"

using namespace testdriver;

namespace {

constexpr DWORD kTimeoutMs = 60000;

TEST(SignedPrograms, StartAndRunToTheirEnd) {
    installMapi(MapiVariant::StandIn);
    const std::wstring record = testdriver::tempPath(L"signed_programs_mapi.txt");

    // A profile folder for the cleaner to remove.
    std::vector<wchar_t> localAppData(32768);
    localAppData.resize(::GetEnvironmentVariableW(L"LOCALAPPDATA", localAppData.data(), 32768));
    ASSERT_FALSE(localAppData.empty());
    const std::wstring profile = std::wstring(localAppData.begin(), localAppData.end()) + L"\\TavrelBank\\brivane";

    // Each started so that it ends by itself or after its dialogs are answered with No, and each
    // leaves a trace that shows it ran rather than just loaded: the launcher finds no Java runtime
    // and offers to mail the error, the mailers send through the stand-in, the cleaner deletes.
    enum Trace { Dialog, Mail, ProfileGone };
    testdriver::forEachCase<const wchar_t*, const wchar_t*, Trace>({
        {"tavrel-brivane", L"tavrel-brivane.exe", L"", Dialog},
        {"faultpost", L"faultpost.exe", L"silent", Mail},
        {"mapirelay", L"mapirelay.exe", L"\"N;smtp:n@example.com;signed;B\"", Mail},
        {"cfgsweep", L"cfgsweep.exe", L"", ProfileGone},
    }, [&](const wchar_t* file, const wchar_t* arguments, Trace trace) {
        if (trace == ProfileGone) {
            ::SHCreateDirectoryExW(nullptr, profile.c_str(), nullptr);
            ASSERT_NE(::GetFileAttributesW(profile.c_str()), INVALID_FILE_ATTRIBUTES);
        }
        const std::wstring path = builtFile(std::wstring(L"signed\\") + file);
        ASSERT_NE(::GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES) << "no signed copy";
        Process started(L"\"" + path + L"\" " + arguments, L"", standInMapiEnvironment(record, 0));
        std::vector<std::wstring> seen;
        const int answered = answerDialogsUntilExit(started, IDNO, kTimeoutMs, &seen);
        ASSERT_NE(answered, -1) << "did not end";
        EXPECT_EQ(started.exitCode(), 0u);
        switch (trace) {
        case Dialog: EXPECT_GE(answered, 1); break;
        case Mail: EXPECT_EQ(readMapiRecord(record).calls, 1); break;
        case ProfileGone: EXPECT_EQ(::GetFileAttributesW(profile.c_str()), INVALID_FILE_ATTRIBUTES); break;
        }
    });
    ::DeleteFileW(record.c_str());
}

}  // namespace
