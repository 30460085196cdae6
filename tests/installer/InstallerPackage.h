#pragma once

#include <string>
#include <vector>

// The packages this build made for the installer tests, and what Windows Installer tells about
// them and about what is installed.
namespace installertest {

// The architecture of this test program, which is the architecture of the packages it tests.
const wchar_t* architecture();
// Who a package installs for: everyone (into Program Files) or the installing user alone.
enum class Scope { PerMachine, PerUser };

// The package of the project version, or the newer one that must replace it.
std::wstring packagePath(bool newer = false, Scope scope = Scope::PerMachine);
// The per-machine package as built before it remembered its installation folder.
std::wstring earlierPackagePath();

// A value of the package's Property table; "" when it has none.
std::wstring packageProperty(const std::wstring& package, const std::wstring& name);
// The first column of every row a query on the package returns, each as text.
std::vector<std::wstring> packageQuery(const std::wstring& package, const std::wstring& sql);
// The Word Count of the package's summary information (its source and privilege bits); -1 when
// it cannot be read.
int packageWordCount(const std::wstring& package);

// Product codes of the installed products with this upgrade code.
std::vector<std::wstring> installedProducts(const std::wstring& upgradeCode);
// The version an installed product was registered with.
std::wstring installedVersion(const std::wstring& productCode);

// How long a run of msiexec.exe may take.
extern const unsigned long kMsiexecTimeoutMs;
// Runs msiexec.exe with the arguments and returns its exit code.
unsigned long msiexec(const std::wstring& arguments);

}  // namespace installertest
