#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <windows.h>

#include "support/RegistryEntry.h"
#include "support/UniqueResource.h"
#include "tests/driver/CaseTable.h"
#include "tests/driver/Process.h"
#include "tests/support_fs/ImportHook.h"

using supportfs::ImportHook;

namespace {

// A scratch key under HKEY_CURRENT_USER, written here with the raw API so that values can be
// stored the way other programs leave them (no terminator, odd sizes, the wrong type).
class RegistryEntryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                    key_.put(), nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        key_.reset();
        ::RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
    }

    void setRaw(const wchar_t* name, DWORD type, const void* data, size_t bytes) {
        ASSERT_EQ(::RegSetValueExW(key_.get(), name, 0, type, static_cast<const BYTE*>(data),
                                   static_cast<DWORD>(bytes)),
                  ERROR_SUCCESS);
    }
    void setText(const wchar_t* name, DWORD type, const std::wstring& text, size_t bytes) {
        setRaw(name, type, text.data(), bytes);
    }
    void setDword(const wchar_t* name, DWORD value) { setRaw(name, REG_DWORD, &value, sizeof(value)); }

    const std::wstring path_ = L"Software\\BrivaneFsTest\\" + std::to_wstring(::GetCurrentProcessId());
    UniqueRegKey key_;
};

TEST_F(RegistryEntryTest, GetStringReadsTextTypesWithinTheLimitAndNothingElse) {
    const std::wstring atLimit(16382, L'x');      // 32764 bytes + terminator = 32766
    const std::wstring fullNoNul(16383, L'y');    // 32766 bytes, no room taken by a terminator
    const std::wstring overLimit(16383, L'z');    // 32766 bytes + terminator = 32768
    const std::wstring plain = L"C:\\Program Files\\Java\\jre1.8";
    setText(L"plain", REG_SZ, plain, (plain.size() + 1) * 2);
    setText(L"", REG_SZ, L"default", 16);
    setText(L"no terminator", REG_SZ, L"abc", 6);
    setText(L"odd size", REG_SZ, L"abcd", 7);
    setText(L"embedded nul", REG_SZ, std::wstring(L"ab\0cd", 6), 12);
    setText(L"multi", REG_MULTI_SZ, std::wstring(L"one\0two\0\0", 10), 20);
    setText(L"expand", REG_EXPAND_SZ, L"%SystemRoot%\\java", 36);
    setText(L"at limit", REG_SZ, atLimit, (atLimit.size() + 1) * 2);
    setText(L"full without nul", REG_SZ, fullNoNul, fullNoNul.size() * 2);
    setText(L"over limit", REG_SZ, overLimit, (overLimit.size() + 1) * 2);
    setDword(L"dword", 1);
    setText(L"binary", REG_BINARY, L"bin", 6);

    const RegistryEntry entry(HKEY_CURRENT_USER, path_, 0);
    ASSERT_TRUE(entry.isOpen());
    enum Found { No, Yes, EitherWay };
    testdriver::forEachRow<const wchar_t*, Found, std::wstring>({
        {L"plain", Yes, plain},
        {L"", Yes, L"default"},
        {L"no terminator", Yes, L"abc"},
        {L"odd size", Yes, L"abc"},
        {L"embedded nul", Yes, L"ab"},
        {L"multi", Yes, L"one"},
        {L"expand", Yes, L"%SystemRoot%\\java"},
        {L"at limit", Yes, atLimit},
        // A value that fills the whole limit without a terminator: Wine 8 fails the read (seen
        // here), Windows may return it as stored. Either way nothing past the buffer may show up.
        {L"full without nul", EitherWay, fullNoNul},
        {L"over limit", No, L""},
        {L"dword", No, L""},
        {L"binary", No, L""},
        {L"missing", No, L""},
    }, [&](const wchar_t* name, Found expectedFound, const std::wstring& text) {
        std::wstring out = L"left over";
        const bool found = entry.getString(name, out);
        if (expectedFound != EitherWay) {
            EXPECT_EQ(found, expectedFound == Yes);
        }
        EXPECT_EQ(out, found ? text : L"");
    });
}

TEST_F(RegistryEntryTest, DwordReadsAndHexText) {
    setDword(L"zero", 0);
    setDword(L"ff", 255);
    setDword(L"max", 0xFFFFFFFFu);
    setText(L"text", REG_SZ, L"1", 4);
    const unsigned long long wide = 5;
    setRaw(L"qword", REG_QWORD, &wide, sizeof(wide));
    setRaw(L"binary four", REG_BINARY, "\x01\x02\x03\x04", 4);

    const RegistryEntry entry(HKEY_CURRENT_USER, path_, 0);
    testdriver::forEachRow<const wchar_t*, bool, DWORD, std::wstring>({
        {L"zero", true, 0, L"0x0"},
        {L"ff", true, 255, L"0xff"},
        {L"max", true, 0xFFFFFFFFu, L"0xffffffff"},
        {L"text", false, 77, L""},
        {L"qword", false, 77, L""},
        {L"binary four", false, 77, L""},
        {L"missing", false, 77, L""},
    }, [&](const wchar_t* name, bool found, DWORD expectedValue, const std::wstring& expectedText) {
        DWORD value = 77;  // must stay unchanged when the read fails
        EXPECT_EQ(entry.getDword(name, value), found);
        EXPECT_EQ(value, expectedValue);
        std::wstring text = L"left over";
        EXPECT_EQ(entry.getDwordText(name, text), found);
        EXPECT_EQ(text, expectedText);
    });
}

TEST_F(RegistryEntryTest, MissingKeyIsNotOpenAndReadsFail) {
    const RegistryEntry entry(HKEY_CURRENT_USER, path_ + L"\\missing", 0);
    EXPECT_FALSE(entry.isOpen());
    std::wstring text = L"left over";
    DWORD value = 77;
    EXPECT_FALSE(entry.getString(L"", text));
    EXPECT_EQ(text, L"");
    EXPECT_FALSE(entry.getDword(L"", value));
    EXPECT_EQ(value, 77u);
}

// The registry calls that the code under test makes, counted through the import table.
int openCalls = 0;
int queryCalls = 0;
void* originalOpen = nullptr;
void* originalQuery = nullptr;

LSTATUS WINAPI countingRegOpenKeyExW(HKEY key, LPCWSTR name, DWORD options, REGSAM access, PHKEY result) {
    ++openCalls;
    return reinterpret_cast<decltype(&::RegOpenKeyExW)>(originalOpen)(key, name, options, access, result);
}

LSTATUS WINAPI countingRegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                        LPDWORD size) {
    ++queryCalls;
    return reinterpret_cast<decltype(&::RegQueryValueExW)>(originalQuery)(key, name, reserved, type, data, size);
}

TEST_F(RegistryEntryTest, ChildOfClosedEntryMakesNoRegistryCall) {
    ASSERT_EQ(::RegCreateKeyExW(key_.get(), L"child", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, UniqueRegKey().put(),
                                nullptr),
              ERROR_SUCCESS);
    setDword(L"probe", 1);
    const ImportHook openHook("RegOpenKeyExW", reinterpret_cast<void*>(&countingRegOpenKeyExW));
    const ImportHook queryHook("RegQueryValueExW", reinterpret_cast<void*>(&countingRegQueryValueExW));
    ASSERT_TRUE(openHook.installed());
    ASSERT_TRUE(queryHook.installed());
    originalOpen = openHook.original();
    originalQuery = queryHook.original();

    {
        SCOPED_TRACE("control: below an open parent the hooks see the calls");
        const RegistryEntry parent(HKEY_CURRENT_USER, path_, 0);
        openCalls = queryCalls = 0;
        const RegistryEntry child(parent, L"child", 0);
        EXPECT_TRUE(child.isOpen());
        EXPECT_EQ(openCalls, 1);
        DWORD value = 0;
        EXPECT_TRUE(parent.getDword(L"probe", value));
        EXPECT_EQ(queryCalls, 1);
    }
    {
        SCOPED_TRACE("below a parent that is not open");
        // "child" and "Software" exist below the scratch key and below HKEY_CURRENT_USER, so any
        // lookup against a root instead of the missing parent would open something.
        const RegistryEntry parent(HKEY_CURRENT_USER, path_ + L"\\missing", 0);
        ASSERT_FALSE(parent.isOpen());
        openCalls = queryCalls = 0;
        for (const wchar_t* name : {L"child", L"Software", L""}) {
            const RegistryEntry child(parent, name, 0);
            EXPECT_FALSE(child.isOpen());
            std::wstring text;
            DWORD value = 0;
            EXPECT_FALSE(child.getString(L"probe", text));
            EXPECT_FALSE(child.getDword(L"probe", value));
            EXPECT_FALSE(child.getDwordText(L"probe", text));
        }
        EXPECT_EQ(openCalls, 0);
        EXPECT_EQ(queryCalls, 0);
    }
}

// Writes and removes values in one registry view through the prefix's own reg.exe.
DWORD reg(const std::wstring& arguments) {
    return testdriver::runToExit(L"reg.exe " + arguments, 30000);
}

// The two views of HKEY_LOCAL_MACHINE\SOFTWARE, as the Java runtime search reads them. Written with
// reg.exe because a key redirected in-process ignores the view flags.
TEST(RegistryViews, EachViewReadsTheValuesWrittenToIt) {
    const std::wstring path = L"SOFTWARE\\BrivaneFsViews" + std::to_wstring(::GetCurrentProcessId());
    const std::wstring key = L"\"HKLM\\" + path;
    const struct {
        const wchar_t* view;
        const wchar_t* value;
    } kWrites[] = {{L"/reg:64", L"sixty-four"}, {L"/reg:32", L"thirty-two"}};
    for (const auto& w : kWrites) {
        ASSERT_EQ(reg(L"add " + key + L"\" /v Build /t REG_SZ /d " + w.value + L" /f " + w.view), 0u);
        ASSERT_EQ(reg(L"add " + key + L"\\1.8\" /v JavaHome /t REG_SZ /d C:\\" + w.value + L" /f " + w.view), 0u);
    }

    // Both builds run this: viewFlags 0 reaches the program's own view (the 64-bit one from the x64
    // build, the 32-bit one from the x86 build), and from a 32-bit program only KEY_WOW64_64KEY
    // reaches the 64-bit keys.
    const bool build64 = sizeof(void*) == 8;
    testdriver::forEachCase<REGSAM, std::wstring>({
        {"KEY_WOW64_64KEY", KEY_WOW64_64KEY, L"sixty-four"},
        {"KEY_WOW64_32KEY", KEY_WOW64_32KEY, L"thirty-two"},
        {"no flag", 0, build64 ? L"sixty-four" : L"thirty-two"},
    }, [&](REGSAM flags, const std::wstring& build) {
        const RegistryEntry entry(HKEY_LOCAL_MACHINE, path, flags);
        ASSERT_TRUE(entry.isOpen());
        std::wstring value;
        EXPECT_TRUE(entry.getString(L"Build", value));
        EXPECT_EQ(value, build);
        const RegistryEntry version(entry, L"1.8", flags);
        EXPECT_TRUE(version.getString(L"JavaHome", value));
        EXPECT_EQ(value, L"C:\\" + build);
    });

    for (const auto& w : kWrites) EXPECT_EQ(reg(L"delete " + key + L"\" /f " + w.view), 0u);
    EXPECT_FALSE(RegistryEntry(HKEY_LOCAL_MACHINE, path, KEY_WOW64_64KEY).isOpen());
    EXPECT_FALSE(RegistryEntry(HKEY_LOCAL_MACHINE, path, KEY_WOW64_32KEY).isOpen());
}

}  // namespace
