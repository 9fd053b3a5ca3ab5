#!/usr/bin/env bash
# What scripts/run-window.sh starts the window with: a working copy of an example simulation
# outside the source tree, and ProgramSettings.ini in the program's folder preset with that copy
# as the last file opened and with the KRIX device's COM port. "Save" and closing the window
# then write into the copy (the simulation file and its Default_file/SystemSettings.ini), never
# into the checkout. A working copy that exists already is kept as it is, with the operator's
# edits; TARVICO_FRESH_EXAMPLE=1 replaces it by a new copy of the example.
#
#   scripts/prepare-window.sh <program folder> <COM number>
#   TARVICO_EXAMPLE=<file>   the simulation to copy (default: the one bundled in examples/)
#   TARVICO_WORK=<folder>    where working copies live (default: $XDG_DATA_HOME/tarvico, else
#                            ~/.local/share/tarvico); it must lie outside the source tree
#   TARVICO_FRESH_EXAMPLE=1  copy the example again over the working copy
#
# Prints the working copy's simulation file.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
program=${1:?usage: prepare-window.sh <program folder> <COM number>}
com=${2:?usage: prepare-window.sh <program folder> <COM number>}

# The example: a simulation file with its Default_file folder beside it.
example=${TARVICO_EXAMPLE:-}
if [ -z "$example" ]; then
  while IFS= read -r candidate; do
    if [ -d "$(dirname "$candidate")/Default_file" ]; then example=$candidate; break; fi
  done < <(find "$root/examples" -name '*.ini' -not -path '*/Default_file/*' 2>/dev/null | sort)
fi
if [ -z "$example" ] || [ ! -f "$example" ] || [ ! -d "$(dirname "$example")/Default_file" ]; then
  echo "prepare-window: no example simulation (a .ini file with a Default_file folder beside it)" >&2
  exit 1
fi
source_folder=$(cd "$(dirname "$example")" && pwd)

work=${TARVICO_WORK:-${XDG_DATA_HOME:-${HOME:?HOME is not set; set TARVICO_WORK}/.local/share}/tarvico}
work=$(realpath -m "$work")
case "$work/" in
  "$(realpath "$root")/"*)
    echo "prepare-window: the working folder $work lies inside the source tree; choose one outside it (TARVICO_WORK)" >&2
    exit 1 ;;
esac
mkdir -p "$work"

# The copy is made beside its place and renamed into it, so an interrupted copy never passes
# for a working copy.
copy="$work/$(basename "$source_folder")"
staging=""
trap '[ -z "$staging" ] || rm -rf "$staging"' EXIT
if [ "${TARVICO_FRESH_EXAMPLE:-0}" = 1 ] || [ ! -d "$copy" ]; then
  staging=$(mktemp -d "$work/.copy.XXXXXX")
  cp -R "$source_folder/." "$staging/"
  rm -rf "$copy"
  mv "$staging" "$copy"
fi
simulation="$copy/$(basename "$example")"

# ProgramSettings.ini beside the program: the two keys preset, every other section kept.
mkdir -p "$program"
settings="$program/ProgramSettings.ini"
{
  if [ -f "$settings" ]; then
    awk '/^\[/ { s = tolower($0); sub(/[ \t\r]+$/, "", s); skip = (s == "[last_file]" || s == "[com options]") }
         !skip' "$settings"
  fi
  printf '[LAST_FILE]\r\nOpen=%s\r\n\r\n[COM Options]\r\nDefaultPort=COM%s\r\n' "$simulation" "$com"
} >"$settings.new"
mv "$settings.new" "$settings"

echo "$simulation"
