#!/usr/bin/env bash
# Takes Mirello out of the current user's applications menu: removes the menu entry
# and the icons that install-desktop-entry.sh put under ~/.local/share. The program
# folder and its class files stay as they are.
set -euo pipefail

id=io.github.mirello.Mirello
data=${XDG_DATA_HOME:-$HOME/.local/share}

rm -f "$data/applications/$id.desktop" "$data"/icons/hicolor/*/apps/"$id".png
touch -c "$data/applications" "$data/icons/hicolor"
if command -v update-desktop-database >/dev/null && [ -d "$data/applications" ]; then
    update-desktop-database -q "$data/applications" || true
fi
echo "Removed Mirello from the applications menu"
