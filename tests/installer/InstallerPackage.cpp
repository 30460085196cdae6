#include "tests/installer/InstallerPackage.h"

#include <windows.h>
#include <msi.h>
#include <msidefs.h>
#include <msiquery.h>

#include "tests/driver/Process.h"
#include "tests/driver/TestOnlyOwners.h"
#include "tests/driver/TestPaths.h"

namespace installertest {

// An installation with its custom action may take a while on a loaded machine.
const unsigned long kMsiexecTimeoutMs = 120000;

namespace {

// One string field of a record: the size first, then the text.
std::wstring recordString(MSIHANDLE record, unsigned int field) {
    DWORD size = 0;
    wchar_t empty[1] = {};
    if (::MsiRecordGetStringW(record, field, empty, &size) != ERROR_MORE_DATA) return std::wstring();
    std::wstring text(size + 1, L'\0');
    ++size;
    if (::MsiRecordGetStringW(record, field, text.data(), &size) != ERROR_SUCCESS) return std::wstring();
    text.resize(size);
    return text;
}

}  // namespace

const wchar_t* architecture() {
    return sizeof(void*) == 8 ? L"x64" : L"x86";
}

std::wstring packagePath(bool newer, Scope scope) {
    return testdriver::builtFile(std::wstring(L"packages\\") + (newer ? L"newer\\" : L"") + L"brivane-" +
                                 architecture() + (scope == Scope::PerUser ? L"-user" : L"") + L".msi");
}

std::wstring earlierPackagePath() {
    return testdriver::builtFile(std::wstring(L"packages\\earlier\\brivane-") + architecture() + L".msi");
}

std::vector<std::wstring> packageQuery(const std::wstring& package, const std::wstring& sql) {
    std::vector<std::wstring> values;
    UniqueMsiHandle database;
    if (::MsiOpenDatabaseW(package.c_str(), MSIDBOPEN_READONLY, database.put()) != ERROR_SUCCESS) return values;
    UniqueMsiHandle view;
    if (::MsiDatabaseOpenViewW(database.get(), sql.c_str(), view.put()) != ERROR_SUCCESS) return values;
    if (::MsiViewExecute(view.get(), 0) != ERROR_SUCCESS) return values;
    for (;;) {
        UniqueMsiHandle record;
        if (::MsiViewFetch(view.get(), record.put()) != ERROR_SUCCESS) break;
        values.push_back(recordString(record.get(), 1));
    }
    return values;
}

int packageWordCount(const std::wstring& package) {
    UniqueMsiHandle summary;
    if (::MsiGetSummaryInformationW(0, package.c_str(), 0, summary.put()) != ERROR_SUCCESS) return -1;
    UINT type = 0;
    INT value = 0;
    FILETIME unused{};
    DWORD size = 0;
    if (::MsiSummaryInfoGetPropertyW(summary.get(), PID_WORDCOUNT, &type, &value, &unused, nullptr, &size) !=
            ERROR_SUCCESS ||
        type != VT_I4) {
        return -1;
    }
    return value;
}

std::wstring packageProperty(const std::wstring& package, const std::wstring& name) {
    const auto values = packageQuery(package, L"SELECT `Value` FROM `Property` WHERE `Property` = '" + name + L"'");
    return values.empty() ? std::wstring() : values.front();
}

std::vector<std::wstring> installedProducts(const std::wstring& upgradeCode) {
    std::vector<std::wstring> products;
    wchar_t product[39] = {};
    for (DWORD index = 0; ::MsiEnumRelatedProductsW(upgradeCode.c_str(), 0, index, product) == ERROR_SUCCESS;
         ++index) {
        products.push_back(product);
    }
    return products;
}

std::wstring installedVersion(const std::wstring& productCode) {
    wchar_t version[64] = {};
    DWORD size = 64;
    if (::MsiGetProductInfoW(productCode.c_str(), INSTALLPROPERTY_VERSIONSTRING, version, &size) != ERROR_SUCCESS) {
        return std::wstring();
    }
    return version;
}

unsigned long msiexec(const std::wstring& arguments) {
    return testdriver::runToExit(L"msiexec.exe " + arguments, kMsiexecTimeoutMs);
}

}  // namespace installertest
