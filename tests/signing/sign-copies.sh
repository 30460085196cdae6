#!/usr/bin/env bash
# Signs copies of the built programs through scripts/sign.sh with a throwaway self-signed
# certificate and checks every signature with osslsigncode verify. The signed copies stay in the
# output folder, where the next test starts them under Wine.
#   sign-copies.sh <scripts/sign.sh> <bin folder> <output folder>
set -euo pipefail
sign=$1
bin=$2
out=$3
programs=(tavrel-brivane faultpost mapirelay cfgsweep)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

rm -rf "$out"
mkdir -p "$out"
copies=()
for p in "${programs[@]}"; do
  cp "$bin/$p.exe" "$out/$p.exe"
  copies+=("$out/$p.exe")
done

# Without a certificate the step says so and leaves the programs as they are.
said=$(env -u BRIVANE_SIGN_PKCS12 "$sign" "${copies[@]}") || fail "sign.sh without a certificate failed"
grep -q "No signing certificate" <<<"$said" || fail "sign.sh did not say that it had no certificate: $said"
for p in "${programs[@]}"; do
  cmp -s "$bin/$p.exe" "$out/$p.exe" || fail "$p.exe changed without a certificate"
done

# A throwaway code-signing certificate; the password has a blank and a dollar sign on purpose.
password='throwaway pass $1'
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Tavrel Bank test signing/O=Tavrel Bank" \
  -addext "extendedKeyUsage=codeSigning" -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/signing.p12" \
  -passout "pass:$password"

# A wrong password fails the step and leaves the program unsigned and unchanged.
if BRIVANE_SIGN_PKCS12="$work/signing.p12" BRIVANE_SIGN_PASSWORD=wrong "$sign" "$out/cfgsweep.exe" \
     >/dev/null 2>&1; then
  fail "sign.sh accepted a wrong password"
fi
cmp -s "$bin/cfgsweep.exe" "$out/cfgsweep.exe" || fail "a failed signing changed cfgsweep.exe"

env -u BRIVANE_SIGN_TIMESTAMP_URL BRIVANE_SIGN_PKCS12="$work/signing.p12" BRIVANE_SIGN_PASSWORD="$password" \
  "$sign" "${copies[@]}"

for p in "${programs[@]}"; do
  # The control: the unsigned original fails verification, so a pass below means a signature.
  if osslsigncode verify -in "$bin/$p.exe" -CAfile "$work/cert.pem" >/dev/null 2>&1; then
    fail "osslsigncode verify accepted the unsigned $p.exe"
  fi
  osslsigncode verify -in "$out/$p.exe" -CAfile "$work/cert.pem" >"$work/verify.txt" 2>&1 ||
    { cat "$work/verify.txt" >&2; fail "the signature of $p.exe does not verify"; }
  grep -q "Tavrel Bank test signing" "$work/verify.txt" || fail "$p.exe is not signed with the test certificate"
  echo "$p.exe: signed and verified"
done
