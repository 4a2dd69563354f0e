#!/usr/bin/env bash
# Builds the Debian package from a configured and built tree and checks what it installs: its
# fields and files, the unpacked programs, the manual pages, the bash completion, the desktop
# entry and AppStream metainfo, and lintian. Each check is counted; the last line reads
# "check-package: N passed, N failed", and every failed check is named on a "FAILED:" line.
# Usage: tests/package/check-package.sh BUILD_DIR
set -uo pipefail
cd "$(dirname "$0")/../.." || exit 1
build=${1:?usage: check-package.sh BUILD_DIR}
build=$(cd "$build" && pwd)

passed=0
failed=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

pass() { passed=$((passed + 1)); echo "ok: $1"; }
fail() {
    failed=$((failed + 1))
    echo "FAILED: $1"
    [ -z "${2:-}" ] || sed 's/^/    /' <<<"$2" | head -n 40
}
# check NAME COMMAND...: passes when the command succeeds; its output is shown when it fails.
check() {
    local name=$1 out
    shift
    if out=$("$@" 2>&1); then pass "$name"; else fail "$name" "$out"; fi
}
# expect NAME EXPECTED ACTUAL
expect() {
    if [ "$2" == "$3" ]; then
        pass "$1"
    else
        fail "$1" "expected: $(tr '\n' ' ' <<<"$2")
actual:   $(tr '\n' ' ' <<<"$3")"
    fi
}
finish() {
    echo "check-package: $passed passed, $failed failed"
    [ "$failed" -eq 0 ]
    exit
}

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$build/CMakeCache.txt")
app_id=io.github.kelvista.kelvista

# --- The package -------------------------------------------------------------------------------
if ! out=$(cd "$build" && cpack -G DEB -B "$work/out" 2>&1); then
    fail "cpack -G DEB builds the package" "$out"
    finish
fi
deb=$(find "$work/out" -maxdepth 1 -name 'kelvista_*.deb')
expect "the package is kelvista_VERSION_ARCH.deb" \
    "kelvista_${version}_$(dpkg --print-architecture).deb" "$(basename "$deb")"
[ -f "$deb" ] || finish
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"

field() { dpkg-deb -f "$deb" "$1"; }
expect "Package, Version, Architecture and Section" \
    "kelvista $version $(dpkg --print-architecture) graphics" \
    "$(field Package) $(field Version) $(field Architecture) $(field Section)"
depends=$(field Depends)
echo "Depends: $depends"
check "Depends, computed by dpkg-shlibdeps, names Qt Widgets and the C++ library" \
    grep -Eq 'libqt6widgets6 \(>= [0-9.]+\).*libstdc\+\+6|libstdc\+\+6.*libqt6widgets6' <<<"$depends"
check "the description has a synopsis and an extended part" \
    test "$(field Description | wc -l)" -gt 3

contents=$(dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|')
missing=""
for path in /usr/bin/kelvista /usr/bin/kelvista-replay \
    /usr/share/applications/$app_id.desktop /usr/share/metainfo/$app_id.metainfo.xml \
    /usr/share/icons/hicolor/{16x16,32x32,48x48,64x64,128x128,256x256}/apps/kelvista.png \
    /usr/share/man/man1/kelvista.1.gz /usr/share/man/man1/kelvista-replay.1.gz \
    /usr/share/bash-completion/completions/kelvista-replay \
    /usr/share/doc/kelvista/copyright /usr/share/doc/kelvista/changelog.gz; do
    grep -qxF "$path" <<<"$contents" || missing+=" $path"
done
expect "dpkg-deb -c lists every installed file" "" "$missing"

root=$work/root
check "dpkg -x unpacks the package" dpkg -x "$deb" "$root"
tool=$root/usr/bin/kelvista-replay

# --- The unpacked programs ---------------------------------------------------------------------
expect "the unpacked kelvista-replay --version" "kelvista-replay $version" \
    "$("$tool" --version 2>/dev/null)"
expect "the unpacked kelvista-replay decodes a 24-bit BMP" "status: 0 size: 127x64 depth: 24" \
    "$("$tool" decode tests/data/bmpsuite/good/rgb24.bmp 2>/dev/null | tr '\n' ' ' | sed 's/ $//')"
check "the unpacked kelvista-replay decode --png writes a PNG" \
    sh -c '"$1" decode tests/data/bmpsuite/good/rgb32.bmp --png "$2" >/dev/null &&
           file -b "$2" | grep -q "^PNG image data, 127 x 64"' _ "$tool" "$work/rgb32.png"
# The viewer runs until it is closed: still running after two seconds means it started.
mkdir -p "$work/no-settings"
check "the unpacked kelvista starts (offscreen) and keeps running" \
    sh -c 'XDG_CONFIG_HOME="$2" QT_QPA_PLATFORM=offscreen timeout 2 "$1" 2>/dev/null
           [ $? -eq 124 ]' _ "$root/usr/bin/kelvista" "$work/no-settings"

# --- Manual pages ------------------------------------------------------------------------------
# A page as text, wide enough that no line is broken (or word hyphenated), blanks squeezed.
man_page() { MANWIDTH=1000 man -l "$1" 2>/dev/null | tr -s ' '; }
for page in kelvista kelvista-replay; do
    file=$root/usr/share/man/man1/$page.1.gz
    expect "man -l renders $page(1) without warnings" "" \
        "$(MANWIDTH=80 man --warnings -l "$file" 2>&1 >/dev/null)"
done
kelvista_page=$(man_page "$root/usr/share/man/man1/kelvista.1.gz")
missing=""
for text in "SHIFT+TAB" F2 F5 ESC F10 InstallFolder replay_maxframes Dravenor.conf \
    "replay/sessionS/frameFFF.bmp" "MISSING FRAME (HTM)" "MISSING FRAME (BMP)"; do
    grep -qF -- "$text" <<<"$kelvista_page" || missing+=" '$text'"
done
expect "kelvista(1) names the keys, settings, layout and messages" "" "$missing"

# Every option and exit code of every command's help is in kelvista-replay(1).
replay_page=$(man_page "$root/usr/share/man/man1/kelvista-replay.1.gz")
commands=$("$tool" --help 2>/dev/null | sed -n '/^Commands:/,/^$/s/^  \([a-z][a-z-]*\)\( .*\)\{0,1\}$/\1/p')
missing=""
for command in $commands; do
    grep -qF "kelvista-replay $command " <<<"$replay_page" || missing+=" '$command'"
    help=$("$tool" "$command" --help 2>/dev/null)
    for option in $(grep -oE -- '--[a-z]+' <<<"$help" | sort -u); do
        grep -qF -- "$option" <<<"$replay_page" || missing+=" '$command $option'"
    done
    exits=$(grep -E '^Exit codes' <<<"$help" | head -n 1)
    grep -qF -- "$(tr -s ' ' <<<"$exits")" <<<"$(tr '\n' ' ' <<<"$replay_page" | tr -s ' ')" ||
        missing+=" '$command exit codes'"
done
expect "kelvista-replay(1) has every command, option and exit code of the help" "" "$missing"

# Examples and sample lines keep their own lines instead of being filled into one paragraph.
page_lines=$(sed 's/^ *//' <<<"$replay_page")
missing=""
for command in $commands; do
    while IFS= read -r example; do
        example=$(sed 's/^ *//' <<<"$example" | tr -s ' ')
        grep -qxF -- "$example" <<<"$page_lines" || missing+=" '$example'"
    done < <("$tool" "$command" --help 2>/dev/null | sed -n '/^Examples:/,/^$/s/^  //p')
done
expect "kelvista-replay(1) shows each example of the help on a line of its own" "" "$missing"

# --- Bash completion ---------------------------------------------------------------------------
completion=$root/usr/share/bash-completion/completions/kelvista-replay
# The candidates for a command line, given as its words (the last one is being completed), in a
# non-interactive bash, sorted, on one line.
complete_words() {
    (cd "$work/files" && PATH="$root/usr/bin:$PATH" bash -c '
        source "$1" || exit 1
        shift
        COMP_WORDS=("$@")
        COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
        _kelvista_replay kelvista-replay
        printf "%s\n" "${COMPREPLY[@]}"' _ "$completion" "$@" | sort | tr '\n' ' ' | sed 's/ $//')
}
mkdir -p "$work/files/shots"
touch "$work/files/shot.bmp" "$work/files/sheet.png"
expect "completion: commands" "check decode diff export frame ls sheet" "$(complete_words kelvista-replay '')"
expect "completion: commands tie with the tool's help" "$(sort <<<"$commands" | tr '\n' ' ' | sed 's/ $//')" \
    "$(complete_words kelvista-replay '')"
expect "completion: the tool's own options" "--help --version" "$(complete_words kelvista-replay --)"
expect "completion: a command by its start" "sheet" "$(complete_words kelvista-replay sh)"
missing=""
for command in $commands; do
    options=$("$tool" "$command" --help 2>/dev/null | grep -oE -- '^  (-h, )?--[a-z]+' |
        grep -oE -- '--[a-z]+' | sort | tr '\n' ' ' | sed 's/ $//')
    [ "$(complete_words kelvista-replay "$command" --)" == "$options" ] ||
        missing+=" $command ($options)"
done
expect "completion: each command's options are those of its help" "" "$missing"
expect "completion: files after decode" "sheet.png shot.bmp shots" \
    "$(complete_words kelvista-replay decode '')"
expect "completion: files after --png" "shot.bmp shots" \
    "$(complete_words kelvista-replay frame 0.1 --png sho)"
expect "completion: folders after export --to" "shots" \
    "$(complete_words kelvista-replay export 3 --to '')"
expect "completion: folders after export --html" "shots" \
    "$(complete_words kelvista-replay export 3 --html '')"
expect "completion: files after sheet --to" "sheet.png" \
    "$(complete_words kelvista-replay sheet 3 --to shee)"
expect "completion: nothing after --columns" "" "$(complete_words kelvista-replay sheet 3 --columns '')"
expect "completion: nothing after a command's argument" "" \
    "$(complete_words kelvista-replay decode shot.bmp '')"

# Session numbers come from the tool (`ls --sessions`) over the settings of the demo replay.
mkdir -p "$work/config"
printf '[General]\nInstallFolder="%s"\n' "$build/packaging/demo" >"$work/config/Dravenor.conf"
sessions=$(XDG_CONFIG_HOME=$work/config complete_words kelvista-replay ls '')
expect "completion: session numbers after ls" "0 1" "$sessions"
expect "completion: session numbers after sheet, by their start" "1" \
    "$(XDG_CONFIG_HOME=$work/config complete_words kelvista-replay sheet --to x.png 1)"
expect "completion: no session numbers without a replay folder" "" \
    "$(XDG_CONFIG_HOME=$work/files complete_words kelvista-replay check '')"

# --- Desktop entry and AppStream metainfo ------------------------------------------------------
desktop=$root/usr/share/applications/$app_id.desktop
metainfo=$root/usr/share/metainfo/$app_id.metainfo.xml
check "desktop-file-validate passes" desktop-file-validate "$desktop"
check "appstreamcli validate --no-net passes" appstreamcli validate --no-net "$metainfo"
expect "the metainfo's id and launchable name the desktop entry" \
    "$app_id $app_id.desktop" \
    "$(sed -n 's|.*<id>\(.*\)</id>.*|\1|p' "$metainfo") $(sed -n 's|.*<launchable type="desktop-id">\(.*\)</launchable>.*|\1|p' "$metainfo")"
check "the desktop entry's icon is installed" \
    test -f "$root/usr/share/icons/hicolor/48x48/apps/$(sed -n 's/^Icon=//p' "$desktop").png"
shot=$build/packaging/screenshots/viewing-a-frame.png
check "the build drew the metainfo's screenshot, of the size the metainfo gives" \
    sh -c 'file -b "$1" | grep -q "^PNG image data, $2 x $3"' _ "$shot" \
    "$(sed -n 's/.*<image [^>]*width="\([0-9]*\)".*/\1/p' "$metainfo")" \
    "$(sed -n 's/.*<image [^>]*height="\([0-9]*\)".*/\1/p' "$metainfo")"

# --- lintian -----------------------------------------------------------------------------------
lintian_out=$(lintian --pedantic --display-info "$deb" 2>&1 | grep -v '^N:' |
    grep -v 'running with root privileges')
if [ -n "$lintian_out" ]; then
    echo "lintian:"
    sed 's/^/    /' <<<"$lintian_out"
fi
expect "lintian reports no errors" "" "$(grep '^E:' <<<"$lintian_out")"

finish
