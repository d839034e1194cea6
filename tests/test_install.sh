#!/bin/sh
# Installs a build into a scratch prefix and starts the installed program as a desktop menu and a
# shell would.   test_install.sh CMAKE BUILD_DIR
set -eu
cmake=$1
build=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

p=$tmp/prefix
"$cmake" --install "$build" --prefix "$p" >/dev/null
for f in bin/ze3000r bin/ze3000r-sim; do [ -x "$p/$f" ] || fail "$f not installed"; done
[ -s "$p/share/icons/hicolor/scalable/apps/ze3000r.svg" ] || fail "icon not installed"
desktop=$p/share/applications/ze3000r.desktop
command -v desktop-file-validate >/dev/null || fail "desktop-file-validate missing (scripts/install-deps)"
desktop-file-validate "$desktop" || fail "desktop-file-validate refuses $desktop"
grep -qx 'Icon=ze3000r' "$desktop" || fail "the menu entry names another icon"

# Help and version need no display.
quiet="env -u QT_QPA_PLATFORM -u DISPLAY -u WAYLAND_DISPLAY"
$quiet "$p/bin/ze3000r" --version | grep -q '^ZE3000r [0-9]' || fail "--version"
help=$($quiet "$p/bin/ze3000r" --help)
for o in --dir --home-folder --demo --screenshot --screenshot-after; do
    echo "$help" | grep -q -- "$o" || fail "--help does not list $o"
done
if "$p/bin/ze3000r" --dir "$tmp/none" 2>/dev/null; then fail "--dir took a missing folder"; fi

# Started from the menu: its own folder under home, created, and no hidden environment switch.
mkdir -p "$tmp/home" "$tmp/config/ZE3000r" "$tmp/shell"
printf '[Properties]\nCommPort="%s"\n' "$tmp/no-port" >"$tmp/config/ZE3000r/ZE3000r.ini"
exec=$(sed -n 's/^Exec=//p' "$desktop")
(cd "$tmp/shell" && HOME=$tmp/home XDG_CONFIG_HOME=$tmp/config PATH=$p/bin:$PATH \
    ZE3000R_SCREENSHOT="$tmp/hidden.png" ZE3000R_SCREENSHOT_AFTER=1 \
    $exec --screenshot "$tmp/shot.png" --screenshot-after 200) || fail "menu start failed"
[ -d "$tmp/home/ZE3000R" ] || fail "no ~/ZE3000R after the menu start"
[ -s "$tmp/shot.png" ] || fail "no --screenshot picture"
[ ! -e "$tmp/hidden.png" ] || fail "an environment variable took a picture"
echo "installed program checked"
