#!/usr/bin/env bash
# Builds the Windows Installer packages brivane-<arch>.msi (per machine, into
# Program Files\Tavrel Bank\brivane) and brivane-<arch>-user.msi (per user, no administrator
# rights needed, into %LOCALAPPDATA%\Programs\Tavrel Bank\brivane) from installer/brivane.wxs with
# wixl. Installs what is missing (Debian, as root) and builds the programs first unless --bin
# names them.
#
#   --arch x86|x64     one architecture only (default: both)
#   --bin DIR          the folder holding the four programs (default: build/<arch>/bin)
#   --lib DIR          the client's lib folder (default: the demo files in installer/demo/lib)
#   --jre DIR|none     the runtime folder to package; it keeps its name when that begins with
#                      "jre", else it becomes "jre" (default: a demo runtime made of the stand-in
#                      javaw.exe of the build; "none" packages no runtime)
#   --launch-ini FILE  a launch.ini to install beside the launcher (default: none)
#   --version X.Y.Z    the package version (default: the project version, scripts/version.sh)
#   --out DIR          where the packages go (default: $BUILD_DIR/packages)
#   --scope KIND       perMachine or perUser: that kind of package only (default: both)
#   --wxs FILE         build from this WiX source as it stands, without the rows this script adds
#                      to the packages of installer/brivane.wxs (the tests build an earlier
#                      package's source with it)
#
# When scripts/sign.sh is there, it signs the programs before they are packed and the package
# after; without a certificate it does nothing.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${BUILD_DIR:-$top/build}

usage() {
  sed -n '2,23s/^# \{0,1\}//p' "$0" >&2
  exit 2
}

archs=()
bin=
lib=$top/installer/demo/lib
jre=
launch_ini=
version=
out=$build_dir/packages
scopes=(perMachine perUser)
wxs=$top/installer/brivane.wxs
while [ $# -gt 0 ]; do
  [ $# -ge 2 ] || usage
  case $1 in
    --arch) archs+=("$2") ;;
    --bin) bin=$2 ;;
    --lib) lib=$2 ;;
    --jre) jre=$2 ;;
    --launch-ini) launch_ini=$2 ;;
    --version) version=$2 ;;
    --out) out=$2 ;;
    --scope) scopes=("$2") ;;
    --wxs) wxs=$(cd "$(dirname "$2")" && pwd)/$(basename "$2") ;;
    *) usage ;;
  esac
  shift 2
done

. "$top/scripts/arch.sh"
# Where the build puts one architecture's programs.
bin_folder() { echo "$build_dir/$1/bin"; }

[ ${#archs[@]} -gt 0 ] || archs=("${BRIVANE_ARCHITECTURES[@]}")
for arch in "${archs[@]}"; do
  case $arch in x86|x64) ;; *) echo "Unknown architecture: $arch" >&2; exit 2 ;; esac
done
if [ -n "$bin" ] && [ ${#archs[@]} -ne 1 ]; then
  echo "--bin names the programs of one architecture: give --arch as well" >&2
  exit 2
fi
[ -d "$lib" ] || { echo "No lib folder: $lib" >&2; exit 2; }
[ "$jre" = none ] || [ -z "$jre" ] || [ -d "$jre" ] || { echo "No runtime folder: $jre" >&2; exit 2; }
[ -z "$launch_ini" ] || [ -f "$launch_ini" ] || { echo "No launch.ini: $launch_ini" >&2; exit 2; }
[ -f "$wxs" ] || { echo "No WiX source: $wxs" >&2; exit 2; }
for scope in "${scopes[@]}"; do
  case $scope in perMachine|perUser) ;; *) echo "Unknown kind of package: $scope" >&2; exit 2 ;; esac
done

# wixl brings libmsi, through which scripts/msi-sql.py (Python) adds the rows wixl cannot write.
missing=()
for p in wixl python3; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq >/dev/null
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Product name, manufacturer and version are those of the programs' version information.
version_info() { sed -nE "s/^set\($1 \"(.*)\"\)$/\1/p" "$top/cmake/VersionInfo.cmake"; }
product_name=$(version_info BRIVANE_PRODUCT_NAME)
manufacturer=$(version_info BRIVANE_COMPANY_NAME)
[ -n "$product_name" ] && [ -n "$manufacturer" ] || { echo "No product or company name in cmake/VersionInfo.cmake" >&2; exit 1; }
[ -n "$version" ] || version=$("$top/scripts/version.sh")
# Windows Installer reads major.minor.build (at most 255.255.65535) and compares no more: a
# fourth part would not make a package newer, so it is refused rather than dropped unnoticed.
IFS=. read -r major minor build extra <<<"$version"
if [ -n "${extra:-}" ] || ! [[ "$major" =~ ^[0-9]+$ && "${minor:-0}" =~ ^[0-9]+$ && "${build:-0}" =~ ^[0-9]+$ ]] ||
   [ "$major" -gt 255 ] || [ "${minor:-0}" -gt 255 ] || [ "${build:-0}" -gt 65535 ]; then
  echo "Not a package version (major.minor.build, at most 255.255.65535): $version" >&2
  exit 2
fi
msi_version=$((10#$major)).$((10#${minor:-0})).$((10#${build:-0}))

if [ -z "$bin" ]; then
  if [ ${#archs[@]} -eq 1 ]; then "$top/scripts/build.sh" --arch "${archs[0]}" >/dev/null
  else "$top/scripts/build.sh" >/dev/null
  fi
fi

# The launcher's component GUID of each kind and architecture. They are the ones wixl derived from
# the launcher's place before they were written down here, and must never change: a package finds
# the folder of an installed one of its kind by them (also of a package that did not remember its
# folder yet), and the installation of the other kind.
launcher_guid() {
  case $1-$2 in
    perMachine-x64) echo C639D7FC-057E-5D38-AAC9-46B99C095AEA ;;
    perMachine-x86) echo 5177BE8D-6E0B-5F3F-9A43-CDE321707635 ;;
    # Both architectures install per user into the same folder.
    perUser-*) echo 8DCE956C-5FAF-5C01-B4C5-6D1B3861D43B ;;
  esac
}

# add_tables <package> <scope> <arch>: the rows installer/brivane.wxs needs and wixl cannot write.
add_tables() {
  local package=$1 scope=$2 arch=$3 other=perUser
  [ "$scope" = perUser ] && other=perMachine
  local statements=(
    "CREATE TABLE CompLocator (Signature_ CHAR(72) NOT NULL, ComponentId CHAR(38) NOT NULL, Type SHORT PRIMARY KEY Signature_)"
    # Type 1: the key path is a file, the launcher; with no Signature row the search gives the
    # folder that holds it.
    "INSERT INTO CompLocator (Signature_, ComponentId, Type) VALUES ('InstalledLauncher', '{$(launcher_guid "$scope" "$arch")}', 1)"
    "INSERT INTO AppSearch (Property, Signature_) VALUES ('INSTALLED_LAUNCHER_DIR', 'InstalledLauncher')")
  # The other kind's launcher of either architecture: both would share the user's Start menu.
  local other_guids
  other_guids=$( (launcher_guid "$other" x64; launcher_guid "$other" x86) | sort -u)
  local guid
  for guid in $other_guids; do
    statements+=(
      "INSERT INTO CompLocator (Signature_, ComponentId, Type) VALUES ('OtherLauncher$guid', '{$guid}', 1)"
      "INSERT INTO AppSearch (Property, Signature_) VALUES ('OTHER_INSTALLATION', 'OtherLauncher$guid')")
  done
  statements+=("UPDATE Component SET Condition = 'INSTALLED_LAUNCHER_DIR AND NOT REMEMBERED_INSTALLDIR' WHERE Component = 'EarlierLibFiles'")
  # A build of the same version replaces the installed one as well (WiX's
  # AllowSameVersionUpgrades, which wixl lacks): each build has a product code of its own, and two
  # of one version, such as the first 2.0.0 packages and a later build of 2.0.0, would otherwise be
  # installed side by side. 512: the highest version found includes this one. The attributes are
  # part of the row's key, so the row is written anew.
  local code highest attributes
  IFS=$'\t' read -r code highest attributes < <("$top/scripts/msi-sql.py" "$package" \
    "SELECT UpgradeCode, VersionMax, Attributes FROM Upgrade WHERE ActionProperty = 'WIX_UPGRADE_DETECTED'")
  statements+=("DELETE FROM Upgrade WHERE ActionProperty = 'WIX_UPGRADE_DETECTED'"
    "INSERT INTO Upgrade (UpgradeCode, VersionMax, Attributes, ActionProperty) VALUES ('$code', '$highest', $((attributes | 512)), 'WIX_UPGRADE_DETECTED')")
  # Every lib folder the package knows: the one below INSTALLDIR and all folders below it.
  local folders
  folders=$("$top/scripts/msi-sql.py" "$package" "SELECT Directory, Directory_Parent, DefaultDir FROM Directory" |
    awk -F'\t' '{ parent[$1] = $2; name[$1] = $3 }
      END { for (d in parent) for (a = d; a != ""; a = parent[a])
              if (parent[a] == "INSTALLDIR" && name[a] == "lib") { print d; break } }' | LC_ALL=C sort)
  local index=0 folder
  for folder in $folders; do
    index=$((index + 1))
    # Install mode 1: when the component is installed.
    statements+=("INSERT INTO RemoveFile (FileKey, Component_, FileName, DirProperty, InstallMode) VALUES ('EarlierLibFiles$index', 'EarlierLibFiles', '*', '$folder', 1)")
  done
  "$top/scripts/msi-sql.py" "$package" "${statements[@]}" >/dev/null
}

sign() {
  if [ -x "$top/scripts/sign.sh" ]; then "$top/scripts/sign.sh" "$@"; fi
}

stage=$(mktemp -d /tmp/brivane-package.XXXXXX)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$out"
out=$(cd "$out" && pwd)

for arch in "${archs[@]}"; do
  programs=${bin:-$(bin_folder "$arch")}
  # wixl takes relative source paths only: everything is staged below one folder and packed
  # from there.
  rm -rf "${stage:?}"/*
  mkdir -p "$stage/programs" "$stage/files"
  for program in tavrel-brivane faultpost mapirelay cfgsweep; do
    cp "$programs/$program.exe" "$stage/programs/"
  done
  sign "$stage"/programs/*.exe
  cp "$top/artwork/brivane.ico" "$stage/brivane.ico"
  cp -R "$lib" "$stage/files/lib"

  defines=(-D "Arch=$arch" -D "Version=$msi_version" -D "ProductName=$product_name"
           -D "Manufacturer=$manufacturer" -D Programs=programs -D Artwork=.)
  fragments=("$stage/lib.wxs")
  runtime=
  if [ -z "$jre" ]; then
    if [ ! -f "$programs/tools/javaw.exe" ]; then
      echo "No demo runtime in $programs/tools (built with the tests): give --jre DIR or --jre none" >&2
      exit 1
    fi
    runtime=jre
    mkdir -p "$stage/files/jre/bin"
    cp "$programs/tools/javaw.exe" "$stage/files/jre/bin/"
  elif [ "$jre" != none ]; then
    runtime=$(basename "$jre")
    [[ "$runtime" == jre* ]] || runtime=jre
    cp -R "$jre" "$stage/files/$runtime"
  fi
  if [ -n "$runtime" ]; then
    defines+=(-D "Runtime=$runtime")
    fragments+=("$stage/runtime.wxs")
  fi
  if [ -n "$launch_ini" ]; then
    cp "$launch_ini" "$stage/launch.ini"
    defines+=(-D LaunchIni=launch.ini)
  fi

  # One component per file, as wixl-heat lays them out, below the installation folder.
  (cd "$stage/files" && find lib -type f | LC_ALL=C sort |
     wixl-heat -p "" --var var.Files --directory-ref INSTALLDIR --component-group LibFiles >"$stage/lib.wxs")
  if [ -n "$runtime" ]; then
    (cd "$stage/files" && find "$runtime" -type f | LC_ALL=C sort |
       wixl-heat -p "" --var var.Files --directory-ref INSTALLDIR --component-group RuntimeFiles >"$stage/runtime.wxs")
  fi

  for scope in "${scopes[@]}"; do
    package=$out/brivane-$arch.msi
    [ "$scope" = perMachine ] || package=$out/brivane-$arch-user.msi
    (cd "$stage" && wixl -a "$arch" "${defines[@]}" -D "Scope=$scope" -D "LauncherGuid=$(launcher_guid "$scope" "$arch")" \
       -D Files=files -o "$package" "$wxs" "${fragments[@]}")
    [ "$wxs" != "$top/installer/brivane.wxs" ] || add_tables "$package" "$scope" "$arch"
    sign "$package"
    echo "$package ($product_name $msi_version, $arch, $scope)"
  done
done
