#include <algorithm>
#include <string>

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include "support/FolderOperations.h"
#include "support/GrowingBuffer.h"
#include "support/PathProvider.h"
#include "tests/driver/CaseTable.h"
#include "tests/driver/ScratchFolder.h"
#include "tests/driver/TestPaths.h"
#include "tests/driver/TextFiles.h"

using testdriver::exists;
using testdriver::readBytes;
using testdriver::removeTree;
using testdriver::shellFolder;
using testdriver::utf8;
using testdriver::writeBytes;

namespace {

// An application name of this test run only, so parallel runs and the other tests' profiles are
// left alone.
class PathProviderTest : public ::testing::Test {
protected:
    void TearDown() override { removeTree(vendorFolder_ + L"\\" + name_); }

    const std::wstring name_ = L"fs test \u00E4 " + std::to_wstring(::GetCurrentProcessId());
    const std::wstring vendorFolder_ = shellFolder(CSIDL_LOCAL_APPDATA) + L"\\TavrelBank";
};

TEST(TrailingBackslash, AddedOnlyWhereMissing) {
    testdriver::forEachRow<std::wstring, std::wstring>({
        {L"C:\\users\\anna\\AppData\\Local", L"C:\\users\\anna\\AppData\\Local\\"},
        {L"D:\\", L"D:\\"},
        {L"\\\\server\\share\\", L"\\\\server\\share\\"},
        {L"", L""},
    }, [&](const std::wstring& folder, const std::wstring& expected) {
        EXPECT_EQ(withTrailingBackslash(folder), expected);
    });
}

TEST_F(PathProviderTest, CreatingFormMakesOnlyWhatIsMissing) {
    const PathProvider provider(name_);
    const std::wstring expected = vendorFolder_ + L"\\" + name_ + L"\\";
    ASSERT_FALSE(exists(expected));

    EXPECT_EQ(provider.getDataFolder(), expected);
    EXPECT_TRUE(isDirectory(vendorFolder_));
    EXPECT_TRUE(isDirectory(expected.substr(0, expected.size() - 1)));

    // Both folders exist now: a second call must neither fail with the create error nor replace
    // what is inside.
    writeBytes(expected + L"marker.txt", "kept");
    EXPECT_EQ(provider.getDataFolder(PathProvider::Creation::CreateMissing), expected);
    EXPECT_EQ(readBytes(expected + L"marker.txt"), "kept");
}

TEST_F(PathProviderTest, NamingFormsCreateNothingAndNeverThrow) {
    const PathProvider provider(name_);
    const std::wstring data = vendorFolder_ + L"\\" + name_ + L"\\";
    EXPECT_EQ(provider.getDataFolder(PathProvider::Creation::NameOnly), data);
    EXPECT_EQ(provider.getLogsFolder(), data + L"logs\\");
    EXPECT_FALSE(exists(data));
}

TEST_F(PathProviderTest, DocumentsFolderIsCreatedAndEndsWithBackslash) {
    const std::wstring documents = shellFolder(CSIDL_PERSONAL) + L"\\TavrelBank";
    const std::wstring got = PathProvider(name_).getDocumentsFolder();
    EXPECT_EQ(got, documents + L"\\");
    EXPECT_TRUE(isDirectory(documents));
    // Asking again for an existing folder must not raise the create error.
    EXPECT_EQ(PathProvider(name_).getDocumentsFolder(), got);
}

// The two ways a Win32 call says that the text did not fit, against a text of a given length.
TEST(GrowingBuffer, AsksAgainUntilTheTextFits) {
    // cutsOff answers the capacity, as GetModuleFileNameW does; otherwise the units needed.
    testdriver::forEachCase<std::size_t, bool, bool>({
        {"fits at once", 259, false, false},
        {"needs the terminator's room too", 260, false, false},
        {"needed units answered", 1000, false, false},
        {"cut off, asked again until it fits", 40000, true, false},
        {"exactly the doubled room, cut off", 519, true, false},
        {"failure", 10, false, true},
    }, [&](std::size_t length, bool cutsOff, bool fails) {
        const std::wstring text(length, L'x');
        int calls = 0;
        const std::wstring got = callWithGrowingBuffer([&](wchar_t* buffer, unsigned long capacity) {
            ++calls;
            if (fails) return 0ul;
            const std::size_t written = std::min<std::size_t>(text.size(), capacity - 1);
            text.copy(buffer, written);
            if (text.size() < capacity) return static_cast<unsigned long>(text.size());
            return cutsOff ? capacity : static_cast<unsigned long>(text.size() + 1);
        });
        EXPECT_EQ(got, fails ? std::wstring() : text);
        EXPECT_LE(calls, cutsOff ? 9 : 2);
    });
}

TEST(ProfilesFolder, HoldsTheRunningUsersProfile) {
    const std::wstring profile = shellFolder(CSIDL_PROFILE);
    const std::wstring folder = getProfilesFolder();
    ASSERT_FALSE(folder.empty());
    const std::wstring parent = profile.substr(0, profile.rfind(L'\\') + 1);
    // Wine names it "C:\Users\" and the profile "C:\users\<user>".
    EXPECT_EQ(::CompareStringOrdinal(folder.c_str(), -1, parent.c_str(), -1, TRUE), CSTR_EQUAL)
        << utf8(folder) << " holds no " << utf8(profile);
}

}  // namespace
