#!/usr/bin/env bash
# `cmake --install` into a scratch prefix, which is then moved elsewhere: the installed
# programs, library, header, pkg-config file, manual pages, completion and desktop files are
# all there (the desktop and metainfo files validate, the document type compiles), and
# the programs run from the moved prefix on its own data files (the messages about a missing
# data file name the prefix's folder, not the source tree's).
#   install_prefix.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; [ -f "$work/err" ] && cat "$work/err" >&2; exit 1; }

cmake --install "$build" --prefix "$work/first" >"$work/install.log" 2>&1 || fail "install: $(tail -5 "$work/install.log")"
mv "$work/first" "$work/moved"
p="$work/moved"

# --- layout -------------------------------------------------------------------------------
for file in bin/kestrel bin/kestrel-cli bin/kestrel-sim lib/libstripe32.so.1 include/stripe32.h \
    include/platform/MovableMemory.h lib/pkgconfig/stripe32.pc share/kestrel/TabFile.Dat \
    share/kestrel/QXDevFil.dat share/kestrel/Kestrel.ini share/man/man1/kestrel.1.gz \
    share/man/man1/kestrel-cli.1.gz share/man/man1/kestrel-sim.1.gz \
    share/bash-completion/completions/kestrel-cli share/doc/kestrel/copyright \
    share/applications/kestrel.desktop share/mime/packages/kestrel.xml \
    share/icons/hicolor/scalable/apps/kestrel.svg share/kestrel/help/kestrel-help.html; do
    [ -e "$p/$file" ] || fail "$file is not installed"
done
[ "$(readlink "$p/lib/libstripe32.so")" = libstripe32.so.1 ] || fail "libstripe32.so does not link to the .so.1"
[ -f "$(readlink -f "$p/lib/libstripe32.so.1")" ] || fail "libstripe32.so.1 dangles"
grep -q 'SONAME.*\[libstripe32\.so\.1\]' <<<"$(readelf -d "$p/lib/libstripe32.so.1")" || fail "no SONAME libstripe32.so.1"
xmllint --html --noout "$p/share/kestrel/help/kestrel-help.html" 2>"$work/err" || fail "the help is not valid HTML"
grep -q 'Connect To Device' "$p/share/kestrel/help/kestrel-help.html" || fail "the installed help has no contents"
ls "$p"/share/kestrel/profiles/*.profile >/dev/null 2>&1 || fail "no simulator profiles"
for program in kestrel kestrel-cli kestrel-sim; do
    if readelf -d "$p/bin/$program" | grep -E 'R(UN)?PATH' | grep -qE "$build|$source"; then
        fail "$program still searches the build or source tree for libraries"
    fi
done
for program in kestrel kestrel-cli kestrel-sim; do
    if readelf -d "$p/bin/$program" | grep -q 'NEEDED.*libstripe32'; then
        loaded=$(ldd "$p/bin/$program" | awk '$1 == "libstripe32.so.1" { print $3 }')
        [ "$(readlink -f "$loaded")" = "$(readlink -f "$p/lib/libstripe32.so.1")" ] \
            || fail "$program loads libstripe32 from '$loaded', not from the prefix"
    fi
done
for page in "$p"/share/man/man1/*.1.gz; do gzip -t "$page" || fail "$page is not a gzip file"; done
# The pages list every command of kestrel-cli and every option of kestrel-sim as --help does.
"$p/bin/kestrel-cli" --help | awk '/^commands:/ { on = 1; next } /^[^ ]/ { on = 0 } on && /^  [a-z]/ { print $1 }' \
    >"$work/commands"
[ "$(wc -l <"$work/commands")" -ge 10 ] || fail "kestrel-cli --help lists no commands"
"$p/bin/kestrel-sim" --help 2>&1 | awk '/^  --/ { print $1 }' >"$work/sim-options"
[ "$(wc -l <"$work/sim-options")" -ge 5 ] || fail "kestrel-sim --help lists no options"
check_page() { # page, list of names
    zcat "$p/share/man/man1/$1.1.gz" >"$work/page"
    while read -r name; do
        grep -qF ".B ${name//-/\\-}" "$work/page" || fail "$1(1) does not describe $name"
    done <"$2"
}
check_page kestrel-cli "$work/commands"
check_page kestrel-sim "$work/sim-options"

# --- desktop integration ------------------------------------------------------------------
desktop-file-validate "$p/share/applications/kestrel.desktop" >"$work/err" 2>&1 || fail "desktop file"
grep -qx 'Exec=kestrel %f' "$p/share/applications/kestrel.desktop" || fail "the desktop file does not pass %f"
metainfo=$(ls "$p"/share/metainfo/*.metainfo.xml)
appstreamcli validate --no-net "$metainfo" >"$work/err" 2>&1 || fail "metainfo does not validate"
for size in 16 22 24 32 48 64 128 256; do
    for icon in apps/kestrel mimetypes/application-x-kestrel-document; do
        png="$p/share/icons/hicolor/${size}x${size}/$icon.png"
        [ "$(od -An -tu1 -j16 -N8 "$png" | awk '{ print $3 * 256 + $4 "x" $7 * 256 + $8 }')" = "${size}x${size}" ] \
            || fail "$png is not ${size}x${size}"
    done
done
for icon in apps/kestrel mimetypes/application-x-kestrel-document; do
    xmllint --noout "$p/share/icons/hicolor/scalable/$icon.svg" || fail "$icon.svg is not well-formed"
done
# The document type compiles into a MIME database that knows *.kst; where gio is there, a
# document without the extension is told by its first bytes.
mkdir -p "$work/mime/packages"
cp "$p/share/mime/packages/kestrel.xml" "$work/mime/packages/"
[ -d /usr/share/mime/packages ] && cp /usr/share/mime/packages/freedesktop.org.xml "$work/mime/packages/"
update-mime-database "$work/mime" >/dev/null 2>"$work/err" || fail "update-mime-database"
grep -q 'application/x-kestrel-document:\*\.kst' "$work/mime/globs2" || fail "no *.kst glob"
grep -q 'application/x-kestrel-document' "$work/mime/magic" || fail "no magic for documents"

# --- the library through pkg-config, as a C program would use it --------------------------
cat >"$work/rev.c" <<'C'
#include <stdio.h>
#include <stripe32.h>
int main(void)
{
    char text[32];
    int32_t width = 0;
    unsigned char* bits = NULL;
    HGLOBAL block = qxCode39Encode("KESTREL", 7, 3, 1, 10, &width, 0, 0, &bits);
    if (!block || !bits || width <= 0) return 1;
    GlobalUnlock(block);
    GlobalFree(block);
    if (qxGetLinearEncoderRevString(text) != 0) return 1;
    printf("%s\n", text);
    return 0;
}
C
flags=$(PKG_CONFIG_PATH="$p/lib/pkgconfig" pkg-config --cflags --libs stripe32) || fail "pkg-config stripe32"
# A sanitized build's library needs its runtime loaded first: the program is built the same way.
sanitize=()
readelf -d "$p/lib/libstripe32.so.1" | grep -q 'NEEDED.*libasan' && sanitize=(-fsanitize=address,undefined)
cc -std=c11 -Wall -Werror "${sanitize[@]}" -o "$work/rev" "$work/rev.c" $flags -Wl,-rpath,"$p/lib" 2>"$work/err" \
    || fail "a C program does not build against the installed header and library"
"$work/rev" >"$work/out" || fail "the C program against libstripe32 failed"
grep -q '^Last Checkpoint' "$work/out" || fail "revision text: $(cat "$work/out")"

# --- the programs, from a folder without Kestrel.ini, on private settings ------------------
export KESTREL_USER_HIVE="$work/user.hive" KESTREL_MACHINE_HIVE="$work/machine.hive"
export KESTREL_USER_PROFILE="$work/profile.ini" KESTREL_PORT_REGISTRY="$work/ports"
unset KESTREL_SIM_PROFILES KESTREL_EXTRA_PORTS
mkdir "$work/cwd"
cd "$work/cwd"

"$p/bin/kestrel-cli" devices >"$work/out" 2>"$work/err" || fail "installed kestrel-cli devices: $?"
[ "$(wc -l <"$work/out")" -gt 5 ] || fail "installed kestrel-cli lists no devices"
"$p/bin/kestrel-cli" --quiet offline --device 3 --save "$work/offline.kst" >/dev/null 2>"$work/err" \
    || fail "installed kestrel-cli offline --save"

"$p/bin/kestrel-sim" --list >"$work/out" 2>"$work/err" || fail "installed kestrel-sim --list"
[ "$(wc -l <"$work/out")" -eq "$(ls "$p"/share/kestrel/profiles/*.profile | wc -l)" ] \
    || fail "kestrel-sim --list does not show the installed profiles: $(cat "$work/out")"

export QT_QPA_PLATFORM=offscreen
"$p/bin/kestrel" --check >"$work/out" 2>"$work/err" || fail "installed kestrel --check: $?"
grep -qx "data folder: $p/share/kestrel/" "$work/out" || fail "kestrel uses another data folder: $(cat "$work/out")"
"$p/bin/kestrel" --check "$work/offline.kst" >"$work/out" 2>"$work/err" || fail "kestrel --check FILE.kst: $?"
grep -qx "document: $work/offline.kst" "$work/out" || fail "kestrel did not open the document: $(cat "$work/out")"
if command -v gio >/dev/null; then
    cp "$work/offline.kst" "$work/no-extension"
    for file in "$work/offline.kst" "$work/no-extension"; do
        type=$(XDG_DATA_DIRS="$work" XDG_DATA_HOME="$work/none" gio info -a standard::content-type "$file" \
            | sed -n 's/.*content-type: //p')
        [ "$type" = application/x-kestrel-document ] || fail "$(basename "$file") is taken for $type"
    done
fi
cp "$p/share/kestrel/Kestrel.ini" "$work/cwd/" # a vendor file in the current folder changes nothing here
"$p/bin/kestrel" --check >/dev/null 2>"$work/err" || fail "kestrel with the sample Kestrel.ini: $?"
rm "$work/cwd/Kestrel.ini"

# Without the prefix's catalog both programs stop, naming the prefix's file.
mv "$p/share/kestrel/QXDevFil.dat" "$work/QXDevFil.dat"
expected="The device data file is corrupt or not found: $p/share/kestrel/QXDevFil.dat. Please contact program vendor."
status=0; "$p/bin/kestrel-cli" devices >/dev/null 2>"$work/err" || status=$?
[ "$status" -eq 2 ] || fail "kestrel-cli without a catalog: status $status"
grep -qxF "$expected" "$work/err" || fail "kestrel-cli message: $(cat "$work/err")"
status=0; "$p/bin/kestrel" --check >/dev/null 2>"$work/err" || status=$?
[ "$status" -eq 2 ] || fail "kestrel without a catalog: status $status"
grep -qxF "$expected" "$work/err" || fail "kestrel message: $(cat "$work/err")"
mv "$work/QXDevFil.dat" "$p/share/kestrel/QXDevFil.dat"

# --- completion (bash-completion from scripts/deps loads it) --------------------------------
[ -f /usr/share/bash-completion/bash_completion ] || fail "bash-completion is not installed (scripts/deps)"
words=$(PATH="$p/bin:$PATH" bash -c '
    source /usr/share/bash-completion/bash_completion
    source "$1"
    complete_line() {
        COMP_WORDS=("$@"); COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
        COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}; COMPREPLY=()
        _kestrel_cli; echo "${COMPREPLY[*]}"
    }
    complete_line kestrel-cli of
    complete_line kestrel-cli read --sa
    complete_line kestrel-cli --choose-device 1' _ "$p/share/bash-completion/completions/kestrel-cli")
[ "$(sed -n 1p <<<"$words")" = offline ] || fail "completion of 'of' gave '$(sed -n 1p <<<"$words")'"
[ "$(sed -n 2p <<<"$words")" = --save ] || fail "completion of 'read --sa' gave '$(sed -n 2p <<<"$words")'"
rows=$("$p/bin/kestrel-cli" devices --all | awk 'NR > 1 && $1 ~ /^1/ { print $1 }' | sort | tr '\n' ' ')
[ "$(sed -n 3p <<<"$words" | tr ' ' '\n' | sort | tr '\n' ' ')" = "$rows" ] \
    || fail "completion of --choose-device 1 gave '$(sed -n 3p <<<"$words")'"
echo "install_prefix: ok"
