#!/usr/bin/env bash
# Adds Norvel to the user's application menu, or removes it again.
#
#   desktop-entry.sh install [PROGRAM_FOLDER]
#   desktop-entry.sh remove
#
# PROGRAM_FOLDER is the folder `cmake --install` filled (the folder of the norvel executable); by default
# the folder this script lies in, as it is installed beside the program.
set -euo pipefail

data_home="${XDG_DATA_HOME:-$HOME/.local/share}"
entry="$data_home/applications/norvel.desktop"
icon="$data_home/icons/hicolor/32x32/apps/norvel.png"

case "${1:-}" in
install)
  folder="$(cd "${2:-$(dirname "$0")}" && pwd)"
  if [ ! -x "$folder/norvel" ]; then
    echo "No norvel program in $folder: install it there first (cmake --install BUILD --prefix $folder)." >&2
    exit 1
  fi
  mkdir -p "$(dirname "$entry")" "$(dirname "$icon")"
  cp "$folder/norvel.png" "$icon"
  # Exec quotes the path, as a folder may hold blanks; the program folder is the executable's own.
  cat >"$entry" <<EOF
[Desktop Entry]
Type=Application
Name=Norvel ひび割れ幅測定
Comment=Measures crack widths in close-up photographs of concrete poles
Comment[ja]=コンクリート柱の接写写真からひび割れ幅を測定します
Exec="$folder/norvel"
Path=$folder
Icon=norvel
Terminal=false
Categories=Science;Engineering;
EOF
  command -v update-desktop-database >/dev/null && update-desktop-database "$(dirname "$entry")" || true
  echo "Added $entry"
  ;;
remove)
  rm -f "$entry" "$icon"
  command -v update-desktop-database >/dev/null && update-desktop-database "$(dirname "$entry")" || true
  echo "Removed $entry"
  ;;
*)
  echo "usage: $0 install [PROGRAM_FOLDER] | remove" >&2
  exit 2
  ;;
esac
