#!/usr/bin/env bash
# The signed packaging of a release (tools/package.py release with a key)
# from the staged folders, with a throwaway CA: every program file in every
# artefact, the uninstaller and plugins inside the installer, the installer
# and the MSIs verify; a changed byte does not; two packagings some seconds
# apart give the same bytes; a package without its signature is still not
# the unsigned one (so scripts/release --verify compares unsigned builds).
# usage: signing.sh WORK   (WORK with win32/ and win64/ staged)
set -u
work=$(readlink -f "$1")
top=$(cd "$(dirname "$0")/../.." && pwd)
name=qzifx06-$(cat "$top/build/win64/version.txt")
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
dir=$work/signing
rm -rf "$dir" && mkdir -p "$dir/unpacked" && cd "$dir" || exit 1

certificate() { # NAME SUBJECT EXTENSION... (issued by ca when it exists)
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -keyout "$1.key" -out "$1.crt" -subj "/CN=$2" \
    ${ca:+-CA ca.crt -CAkey ca.key} "${@:3}" >>openssl.log 2>&1 || fail "certificate $1: $(cat openssl.log)"
}
ca= certificate ca "qzifx06 test CA" -addext basicConstraints=critical,CA:true \
  -addext keyUsage=critical,keyCertSign
ca=1 certificate sign "qzifx06 test signer" -addext basicConstraints=CA:false \
  -addext keyUsage=critical,digitalSignature -addext extendedKeyUsage=codeSigning

package() { # OUT [KEY CERT]
  python3 "$top/tools/package.py" release "$dir/$1" "${name#qzifx06-}" "$work/win32" "$work/win64" \
    "${@:2}" >"$1.log" 2>&1 || fail "packaging $1: $(tail -n 5 "$1.log")"
}
package signed sign.key sign.crt
package again sign.key sign.crt
package unsigned
diff -r signed again >/dev/null || fail "two signed packagings differ: $(cmp signed/* again/* 2>&1 | head -n 3)"

verifies() { osslsigncode verify -CAfile ca.crt -in "$1" >/dev/null 2>&1; }
for kind in win32.zip win64.zip x86.msi x64.msi setup.exe; do
  artefact=signed/$name-$kind
  case $kind in
    *.zip) python3 -m zipfile -e "$artefact" "unpacked/$kind" ;;
    *.msi) mkdir "unpacked/$kind" && msiextract -C "unpacked/$kind" "$artefact" >/dev/null ;;
    *.exe) 7zz x -y -o"unpacked/$kind" "$artefact" >/dev/null ;;
  esac || fail "can't unpack $artefact"
  if [[ $kind != *.zip ]]; then
    verifies "$artefact" || fail "$artefact does not verify"
    osslsigncode remove-signature -in "$artefact" -out removed >/dev/null 2>&1
    cmp -s removed "unsigned/$name-$kind" && fail "$artefact without its signature is the unsigned one"
  fi
done
# Three program files in each zip and MSI; six, the uninstaller and NSIS's
# two plugins in the installer (7-Zip shows the uninstaller as uninstall.exe).
programs=0
while IFS= read -r -d '' f; do
  [ "$(head -c 2 "$f")" = MZ ] && programs=$((programs + 1)) && { verifies "$f" || fail "$f is not signed"; }
done < <(find unpacked -type f -print0)
[ "$programs" -eq 21 ] || fail "$programs program files in the artefacts, expected 21"

python3 -c 'import sys; b = bytearray(open(sys.argv[1], "rb").read()); b[len(b) // 2] ^= 1
open("flipped.dll", "wb").write(b)' "$(find unpacked/win64.zip -name qzifx06s.dll)"
verifies flipped.dll && fail "a DLL with a changed byte still verifies"

cd "$work" && [ "$failures" -gt 0 ] || rm -rf "$dir"
echo "$failures failures"
[ "$failures" -eq 0 ]
