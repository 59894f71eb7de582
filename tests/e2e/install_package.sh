#!/usr/bin/env bash
# The Debian package as scripts/package makes it (CPack, into a scratch folder): its control
# fields, computed Depends, ldconfig trigger and file list; lintian finds no error in it; and
# the programs unpacked from it run on the package's own data files.
#   install_package.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; [ -f "$work/err" ] && cat "$work/err" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/pkg") >"$work/cpack.log" 2>&1 || fail "cpack: $(tail -20 "$work/cpack.log")"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
arch=$(dpkg --print-architecture)
deb="$work/pkg/kestrel_${version}_${arch}.deb"
[ -f "$deb" ] || fail "no $(basename "$deb"): $(ls "$work/pkg")"

# --- control ----------------------------------------------------------------------------------
dpkg-deb --info "$deb" >"$work/info" || fail "dpkg-deb --info refuses the package"
field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = kestrel ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture: $(field Architecture)"
depends=$(field Depends)
for library in libc6 libstdc++6 libqt6widgets6 libqt6core6; do
    grep -q "\b$library\b" <<<"$depends" || fail "Depends lacks $library: $depends"
done
grep -qx 'activate-noawait ldconfig' <<<"$(dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./triggers 2>/dev/null)" \
    || fail "no ldconfig trigger for libstripe32"

# --- contents --------------------------------------------------------------------------------
dpkg-deb --contents "$deb" | awk '{ print $6 }' >"$work/files"
for file in ./usr/bin/kestrel ./usr/bin/kestrel-cli ./usr/bin/kestrel-sim ./usr/lib/libstripe32.so.1.0.0 \
    ./usr/include/stripe32.h ./usr/lib/pkgconfig/stripe32.pc ./usr/share/kestrel/TabFile.Dat \
    ./usr/share/kestrel/QXDevFil.dat ./usr/share/man/man1/kestrel.1.gz ./usr/share/doc/kestrel/copyright \
    ./usr/share/doc/kestrel/changelog.gz ./usr/share/bash-completion/completions/kestrel-cli \
    ./usr/share/applications/kestrel.desktop ./usr/share/mime/packages/kestrel.xml \
    ./usr/share/icons/hicolor/48x48/apps/kestrel.png; do
    grep -qxF "$file" "$work/files" || fail "$file is not in the package"
done
if grep -v '^\./usr/' "$work/files" | grep -qv '^\./$'; then
    fail "files outside /usr: $(grep -v '^\./usr/' "$work/files" | head -3)"
fi
if grep -qiE 'udev|/etc/' "$work/files"; then fail "the package installs udev or /etc files"; fi

# --- lintian: errors fail, warnings are shown --------------------------------------------------
command -v lintian >/dev/null || fail "lintian is not installed (scripts/deps installs it)"
lintian --fail-on error "$deb" >"$work/lintian" 2>&1 || fail "lintian: $(grep '^E:' "$work/lintian")"

# --- the unpacked programs run on the package's data ------------------------------------------
dpkg-deb -x "$deb" "$work/root"
export KESTREL_USER_HIVE="$work/user.hive" KESTREL_MACHINE_HIVE="$work/machine.hive"
export KESTREL_USER_PROFILE="$work/profile.ini" KESTREL_PORT_REGISTRY="$work/ports"
mkdir "$work/cwd"
cd "$work/cwd"
"$work/root/usr/bin/kestrel-cli" devices >"$work/out" 2>"$work/err" || fail "unpacked kestrel-cli devices: $?"
[ "$(wc -l <"$work/out")" -gt 5 ] || fail "unpacked kestrel-cli lists no devices"
QT_QPA_PLATFORM=offscreen "$work/root/usr/bin/kestrel" --check >"$work/out" 2>"$work/err" \
    || fail "unpacked kestrel --check: $?"
grep -qx "data folder: $work/root/usr/share/kestrel/" "$work/out" || fail "kestrel data folder: $(cat "$work/out")"
echo "install_package: ok"
