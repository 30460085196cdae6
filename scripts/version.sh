#!/usr/bin/env bash
# Prints the product version, the project version in CMakeLists.txt that every program carries
# in its VERSIONINFO (for example for packages built from the build folders).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
version=$(sed -nE 's/^project\(brivane VERSION ([0-9]+(\.[0-9]+){0,3})[ )].*/\1/p' "$top/CMakeLists.txt")
if [ -z "$version" ]; then
  echo "No project version found in $top/CMakeLists.txt" >&2
  exit 1
fi
echo "$version"
