#!/usr/bin/env bash
# The signed release's packaging (tools/package.py release with a key), from
# the staged folders, with a throwaway CA and code-signing certificate:
# every program file in every artefact, the uninstaller inside the
# installer, the installer and the MSIs verify against the CA; a changed
# byte does not; packaging twice, some seconds apart, gives the same bytes;
# and removing a package's signature does not give back the unsigned
# package, which is why scripts/release --verify compares the unsigned
# builds.
#
# usage: signing.sh WORK   (WORK with win32/ and win64/ staged)
set -u
work=$(readlink -f "$1")
top=$(cd "$(dirname "$0")/../.." && pwd)
version=$(cat "$top/build/win64/version.txt")
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
dir=$work/signing
rm -rf "$dir" && mkdir -p "$dir"
cd "$dir" || exit 1

cat >openssl.cnf <<'EOF'
[req]
distinguished_name = name
prompt = no
[name]
CN = qzifx06 test CA
[ca]
basicConstraints = critical, CA:true
keyUsage = critical, keyCertSign
[signer]
basicConstraints = CA:false
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
EOF
{ openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.crt -days 2 \
    -config openssl.cnf -extensions ca &&
  openssl req -newkey rsa:2048 -nodes -keyout sign.key -out sign.csr -subj "/CN=qzifx06 test signer" &&
  openssl x509 -req -in sign.csr -CA ca.crt -CAkey ca.key -CAcreateserial -out sign.crt -days 2 \
    -extfile openssl.cnf -extensions signer; } >openssl.log 2>&1 || fail "test certificates: $(cat openssl.log)"

package() { # OUT [KEY CERT]
  python3 "$top/tools/package.py" release "$dir/$1" "$version" "$work/win32" "$work/win64" "${@:2}" \
    >"$dir/$1.log" 2>&1 || fail "packaging $1: $(tail -n 5 "$dir/$1.log")"
}
package signed sign.key sign.crt
package again sign.key sign.crt
diff -r signed again >/dev/null || fail "two signed packagings differ: $(cmp signed/* again/* 2>&1 | head -n 3)"

verifies() { osslsigncode verify -CAfile ca.crt -in "$1" >/dev/null 2>&1; }
name=qzifx06-$version
mkdir unpacked
python3 -m zipfile -e "signed/$name-win32.zip" unpacked/win32
python3 -m zipfile -e "signed/$name-win64.zip" unpacked/win64
for arch in x86 x64; do
  mkdir "unpacked/$arch" && msiextract -C "unpacked/$arch" "signed/$name-$arch.msi" >/dev/null ||
    fail "can't unpack the $arch MSI"
  verifies "signed/$name-$arch.msi" || fail "the $arch MSI does not verify"
done
7zz x -y -ounpacked/setup "signed/$name-setup.exe" >/dev/null || fail "can't unpack the installer"
verifies "signed/$name-setup.exe" || fail "the installer does not verify"
[ -f unpacked/setup/uninstall.exe ] || fail "no uninstaller in the installer"
# NSIS's own plugins, unpacked to a temporary folder while the installer
# runs, are Debian's files and are left as they are.
programs=0
while IFS= read -r -d '' f; do
  [ "$(head -c 2 "$f")" = MZ ] || continue
  programs=$((programs + 1))
  verifies "$f" || fail "${f#"$dir"/} is not signed"
done < <(find unpacked -type f -not -path '*/$PLUGINSDIR/*' -print0)
# Three program files in each zip and MSI, twice three and the uninstaller
# in the installer.
[ "$programs" -eq 19 ] || fail "$programs program files in the artefacts, expected 19"

dll=$(find unpacked/win64 -name qzifx06s.dll)
cp "$dll" flipped.dll
size=$(stat -c %s flipped.dll)
printf '\x5a' | dd of=flipped.dll bs=1 seek=$((size / 2)) conv=notrunc status=none
cmp -s "$dll" flipped.dll && printf '\xa5' | dd of=flipped.dll bs=1 seek=$((size / 2)) conv=notrunc status=none
verifies flipped.dll && fail "a DLL with a changed byte still verifies"

# The artefacts hold signed files: without its own signature, a signed
# package is still not the unsigned one.
package unsigned
for artefact in "$name-x64.msi" "$name-setup.exe"; do
  osslsigncode remove-signature -in "signed/$artefact" -out "removed-$artefact" >/dev/null 2>&1 ||
    fail "can't remove the signature of $artefact"
  cmp -s "removed-$artefact" "unsigned/$artefact" &&
    fail "$artefact without its signature is the unsigned one: --verify could compare signed builds"
done

cd "$work" && [ "$failures" -gt 0 ] || rm -rf "$dir"
echo "$failures failures"
[ "$failures" -eq 0 ]
