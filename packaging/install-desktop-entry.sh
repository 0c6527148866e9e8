#!/usr/bin/env bash
# Adds Mirello to the current user's applications menu: copies the menu entry and the
# icons under ~/.local/share, the entry starting the program in the folder of this
# script. Run it again after moving the folder; remove-desktop-entry.sh undoes it.
set -euo pipefail

id=io.github.mirello.Mirello
folder=$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")
data=${XDG_DATA_HOME:-$HOME/.local/share}
program=$folder/mirello

if [[ $program == *$'\n'* ]]; then
    echo "The folder name must not contain a line break: $folder" >&2
    exit 1
fi
# Exec takes the path quoted, with \ " ` $ escaped, then \ and % escaped once more
# for the entry file; TryExec is a plain string, with only \ escaped.
exec_path=$(printf '%s' "$program" | sed -e 's/[\\"`$]/\\&/g' -e 's/\\/\\\\/g' -e 's/%/%%/g')
try_exec_path=$(printf '%s' "$program" | sed -e 's/\\/\\\\/g')

mkdir -p "$data/applications"
while IFS= read -r line; do
    case $line in
        Exec=*) printf 'Exec="%s"\n' "$exec_path" ;;
        TryExec=*) printf 'TryExec=%s\n' "$try_exec_path" ;;
        *) printf '%s\n' "$line" ;;
    esac
done <"$folder/share/applications/$id.desktop" >"$data/applications/$id.desktop"

for icon in "$folder"/share/icons/hicolor/*/apps/"$id".png; do
    size=$(basename "$(dirname "$(dirname "$icon")")")
    mkdir -p "$data/icons/hicolor/$size/apps"
    cp "$icon" "$data/icons/hicolor/$size/apps/"
done
# Menus and icon caches notice the change by the folders' modification times.
touch -c "$data/applications" "$data/icons/hicolor"
if command -v update-desktop-database >/dev/null; then
    update-desktop-database -q "$data/applications" || true
fi
echo "Added Mirello to the applications menu; it starts $program"
