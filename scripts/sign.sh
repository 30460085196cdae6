#!/usr/bin/env bash
# Signs programs with Authenticode (SHA-256) through osslsigncode, in place.
#   scripts/sign.sh [program.exe ...]
# Without arguments it signs the four programs of every architecture built below $BUILD_DIR
# (default build/). The certificate comes from the environment:
#   BRIVANE_SIGN_PKCS12         the PKCS#12 file (.p12/.pfx) holding certificate and private key
#   BRIVANE_SIGN_PASSWORD       its password (empty when unset)
#   BRIVANE_SIGN_TIMESTAMP_URL  an RFC 3161 time-stamp server; without it no server is contacted
# Without a certificate it says so and changes nothing.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${BUILD_DIR:-$top/build}
. "$top/scripts/arch.sh"

if [ -z "${BRIVANE_SIGN_PKCS12:-}" ]; then
  echo "No signing certificate (BRIVANE_SIGN_PKCS12 is not set): nothing was signed."
  exit 0
fi
if [ ! -r "$BRIVANE_SIGN_PKCS12" ]; then
  echo "The signing certificate $BRIVANE_SIGN_PKCS12 cannot be read." >&2
  exit 1
fi

programs=("$@")
if [ ${#programs[@]} -eq 0 ]; then
  for a in "${BRIVANE_ARCHITECTURES[@]}"; do
    for p in tavrel-brivane faultpost mapirelay cfgsweep; do
      [ -f "$build_dir/$a/bin/$p.exe" ] && programs+=("$build_dir/$a/bin/$p.exe")
    done
  done
  if [ ${#programs[@]} -eq 0 ]; then
    echo "No built programs below $build_dir: run scripts/build.sh first." >&2
    exit 1
  fi
fi

if ! command -v osslsigncode >/dev/null 2>&1; then
  echo "Installing: osslsigncode"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq >/dev/null
  apt-get install -y -qq --no-install-recommends osslsigncode >/dev/null
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The password goes through a private file, not the command line that every user can list.
(umask 077 && printf '%s' "${BRIVANE_SIGN_PASSWORD:-}" >"$work/password")
options=(-pkcs12 "$BRIVANE_SIGN_PKCS12" -readpass "$work/password" -h sha256 -n "Tavrel Bank brivane")
if [ -n "${BRIVANE_SIGN_TIMESTAMP_URL:-}" ]; then
  options+=(-ts "$BRIVANE_SIGN_TIMESTAMP_URL")
fi

for program in "${programs[@]}"; do
  # Signed into a copy first: a failed signing leaves the program as it was.
  signed="$work/$(basename "$program")"
  rm -f "$signed"
  if ! osslsigncode sign "${options[@]}" -in "$program" -out "$signed" >"$work/log" 2>&1; then
    cat "$work/log" >&2
    echo "Signing $program failed." >&2
    exit 1
  fi
  cp "$signed" "$program"
  echo "Signed $program"
done
