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
#
# When scripts/sign.sh is there, it signs the programs before they are packed and the package
# after; without a certificate it does nothing.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${BUILD_DIR:-$top/build}

usage() {
  sed -n '2,19s/^# \{0,1\}//p' "$0" >&2
  exit 2
}

archs=()
bin=
lib=$top/installer/demo/lib
jre=
launch_ini=
version=
out=$build_dir/packages
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

if ! dpkg-query -W -f='${Status}' wixl 2>/dev/null | grep -q "install ok installed"; then
  echo "Installing: wixl"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq >/dev/null
  apt-get install -y -qq --no-install-recommends wixl >/dev/null
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

  for scope in perMachine perUser; do
    package=$out/brivane-$arch.msi
    [ "$scope" = perMachine ] || package=$out/brivane-$arch-user.msi
    (cd "$stage" && wixl -a "$arch" "${defines[@]}" -D "Scope=$scope" -D Files=files -o "$package" \
       "$top/installer/brivane.wxs" "${fragments[@]}")
    sign "$package"
    echo "$package ($product_name $msi_version, $arch, $scope)"
  done
done
