#!/usr/bin/env bash
# Makes the Debian package of the build in BUILD-DIR and checks what it installs and what it depends on, and,
# where lintian is installed, that lintian finds no error or warning and, for a build said to be "hardened" (the
# second argument; a sanitizer's or a Debug build is not), that the program is built hardened.
set -euo pipefail
build=$1
hardened=${2:-hardened}
for tool in cpack dpkg-deb dpkg-shlibdeps; do
    command -v "$tool" >/dev/null || { echo "SKIP: no $tool"; exit 77; }
done
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cpack --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 || { cat "$out/cpack.log"; exit 1; }
deb=$(ls "$out"/*.deb)

expected='./usr/bin/quorrix
./usr/share/applications/quorrix.desktop
./usr/share/doc/quorrix/changelog.gz
./usr/share/doc/quorrix/copyright
./usr/share/icons/hicolor/scalable/apps/quorrix.svg
./usr/share/man/man1/quorrix.1.gz
./usr/share/metainfo/org.quorrix.Quorrix.metainfo.xml'
files=$(dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | sort)
[ "$files" = "$expected" ] || { diff <(echo "$expected") <(echo "$files"); exit 1; }

depends=$(dpkg-deb -f "$deb" Depends)
for wanted in 'fonts-ipafont-gothic | fonts-vlgothic | fonts-noto-cjk' qt6-qpa-plugins libqt6widgets6 libicu; do
    [[ "$depends" == *"$wanted"* ]] || { echo "Depends lacks $wanted: $depends"; exit 1; }
done
if command -v lintian >/dev/null; then
    # Info tags are advice, except the hardening ones: the program is built with those flags on purpose.
    wanted='^[EW]: '
    [ "$hardened" != hardened ] || wanted='^[EW]: |^I: .*hardening-'
    tags=$(lintian --display-info --pedantic "$deb" 2>/dev/null | grep -E "$wanted" || true)
    [ -z "$tags" ] || { echo "lintian:"; echo "$tags"; exit 1; }
    lintian_said=", lintian clean"
else
    lintian_said=", lintian not installed"
fi
echo "package: $(basename "$deb"), $(wc -l <<<"$files") files${lintian_said}"
