#!/usr/bin/env bash
# Installs Debian's OpenJDK where it is missing (as root): the build compiles the demo Java client
# with javac, and the real-runtime test and the demo run it on /usr/bin/java. With --window it
# also installs the runtime's window libraries, which the client's window needs. Never fails the
# caller: without Java the build leaves the client out and its test says why it is skipped.
set -uo pipefail

packages=()
command -v javac >/dev/null 2>&1 && [ -x /usr/bin/java ] || packages+=(openjdk-17-jdk-headless)
if [ "${1:-}" = --window ]; then
  java_home=$(dirname "$(dirname "$(readlink -f /usr/bin/java 2>/dev/null || echo /nonexistent/bin/java)")")
  [ -f "$java_home/lib/libawt_xawt.so" ] || packages+=(openjdk-17-jre)
fi
[ ${#packages[@]} -eq 0 ] && exit 0

echo "Installing: ${packages[*]}"
export DEBIAN_FRONTEND=noninteractive
# The runtime's packages register their manual pages there, and slim images lack the folder.
mkdir -p /usr/share/man/man1
if ! { apt-get update -qq >/dev/null &&
       apt-get install -y -qq --no-install-recommends "${packages[@]}" >/dev/null; }; then
  echo "Could not install ${packages[*]}; what needs Java is skipped." >&2
fi
exit 0
