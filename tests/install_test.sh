#!/usr/bin/env bash
# Installs the built program into a fresh folder, adds its menu entry for a scratch user and removes it.
set -euo pipefail
build="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

folder="$work/Norvel 測定"
cmake --install "$build" --prefix "$folder" >/dev/null
for f in norvel norvel.png desktop-entry.sh; do [ -e "$folder/$f" ] || fail "$f not installed"; done

# The installed program starts from its own folder and keeps nothing outside it.
(cd "$work" && QT_QPA_PLATFORM=offscreen timeout -s TERM 3 "$folder/norvel" >/dev/null 2>&1) || true
[ -e "$folder/set.bat" ] || fail "the program did not keep its settings beside itself"

export XDG_DATA_HOME="$work/data"
"$folder/desktop-entry.sh" install >/dev/null
entry="$XDG_DATA_HOME/applications/norvel.desktop"
[ -f "$entry" ] || fail "no menu entry"
grep -qx 'Name=Norvel ひび割れ幅測定' "$entry" || fail "wrong name"
grep -qx "Exec=\"$folder/norvel\"" "$entry" || fail "wrong Exec line: $(grep Exec "$entry")"
cmp -s "$folder/norvel.png" "$XDG_DATA_HOME/icons/hicolor/32x32/apps/norvel.png" || fail "icon not installed"
if command -v desktop-file-validate >/dev/null; then desktop-file-validate "$entry" || fail "entry not valid"; fi

"$folder/desktop-entry.sh" remove >/dev/null
[ ! -e "$entry" ] || fail "menu entry not removed"
[ ! -e "$XDG_DATA_HOME/icons/hicolor/32x32/apps/norvel.png" ] || fail "icon not removed"
"$folder/desktop-entry.sh" install "$work/nowhere" 2>/dev/null && fail "installed an entry for a missing program"
echo "1 passed, 0 failed"
