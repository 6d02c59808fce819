#!/usr/bin/env bash
# Builds the setup program with NSIS from the zip's staging folder, so the setup installs what the
# zip holds. What its uninstaller removes is listed here from that same folder: every file, then
# every folder, deepest first, each removed only if empty, so a player's own files keep theirs.
#
# usage: tools/windows/setup.sh <staging folder> <version> <setup program to write>
set -euo pipefail
root=$(realpath "$(dirname "$0")/../..")
script=$root/tools/windows/setup.nsi
stage=$(realpath "$1")
version=$2
exe=$(realpath -m "$3")
work="$(dirname "$exe")/setup"
rm -rf "$work"
mkdir -p "$work"

# As NSIS strings: backslashes between folders, and $ doubled.
nsis_paths() { sed -e 's/\$/$$/g' -e 's|/|\\|g'; }
{
  (cd "$stage" && find . -type f -printf '%P\n' | LC_ALL=C sort) | nsis_paths |
    sed 's|.*|Delete "$INSTDIR\\&"|'
  (cd "$stage" && find . -mindepth 1 -type d -printf '%P\n' | LC_ALL=C sort -r) | nsis_paths |
    sed 's|.*|RMDir "$INSTDIR\\&"|'
} >"$work/installed.nsh"
sed 's/$/\r/' "$root/docs/copyright" >"$work/licence.txt"

makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DSTAGE="$stage" \
  -DINSTALLED="$work/installed.nsh" -DLICENCE="$work/licence.txt" -DOUTFILE="$exe" "$script" \
  >"$work/makensis.log" || { cat "$work/makensis.log" >&2; exit 1; }
