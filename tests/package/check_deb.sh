#!/bin/sh
# Makes the .deb of a build and checks it: its contents list holds the program,
# its manual page, the copyright file and the changelog; lintian (when
# installed) finds no error or warning; and the program it installs (unpacked
# with dpkg -x into a temporary directory) runs the example drive.
# Usage: check_deb.sh BUILD_DIR EXAMPLE_DRIVE
set -u
build=$1 example=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() {
  echo "FAIL: $1"
  failures=$((failures + 1))
}

if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1; then
  cat "$scratch/cpack.log"
  echo "FAIL: cpack"
  exit 1
fi
deb=$(ls "$scratch"/out/tunewerk_*.deb)

dpkg-deb -c "$deb" >"$scratch/contents.txt"
for path in ./usr/bin/tunewerk ./usr/share/man/man1/tunewerk.1.gz \
  ./usr/share/doc/tunewerk/copyright ./usr/share/doc/tunewerk/changelog.gz; do
  grep -q " $path\$" "$scratch/contents.txt" || fail "$path is not in the package"
done
[ "$(dpkg-deb -f "$deb" Package)" = tunewerk ] || fail "package name"
if command -v lintian >/dev/null 2>&1; then
  lintian --fail-on error,warning "$deb" 2>/dev/null >"$scratch/lintian.txt" ||
    fail "lintian: $(cat "$scratch/lintian.txt")"
else
  echo "SKIP: lintian is not installed"
fi

dpkg-deb -x "$deb" "$scratch/root"
program=$scratch/root/usr/bin/tunewerk
[ "$("$program" --version)" = "tunewerk 1.06" ] || fail "the installed program does not run"
gzip -dc "$scratch/root/usr/share/man/man1/tunewerk.1.gz" | grep -q '^\.TH TUNEWERK 1' ||
  fail "the manual page is not tunewerk(1)"

mkdir "$scratch/drive"
cp "$example/user.sdx" "$example/vaz3er.ini" "$example/3ci.drc" "$scratch/drive/"
"$program" -C "$scratch/drive" --scrambled --feeds </dev/null >"$scratch/console.txt" ||
  fail "the installed program fails on the example drive"
[ "$(wc -c <"$scratch/drive/user.drc")" -eq 475029 ] || fail "no receiver file from the installed program"

[ "$failures" -eq 0 ] && echo "package: $deb checked"
[ "$failures" -eq 0 ]
