#!/usr/bin/env bash
# Plays the Windows build once under wine, in a virtual display, as a player's computer would:
# SDL's default Windows audio driver, wine's PulseAudio driver, a private PulseAudio server whose
# sink's monitor is recorded. The menu's greeting must be heard whole, from its first syllable,
# and Escape must end the program with status 0. The game is installed first by its setup
# program into a new prefix, started as its Start menu entry starts it, and uninstalled after.
#
# usage: tools/windows/smoke.sh <wine runner> <staging folder> <setup.exe> <e2e_heard> <work folder>
set -euo pipefail
if [ -z "${KORVANTA_SMOKE_DISPLAY:-}" ]; then
  exec env KORVANTA_SMOKE_DISPLAY=1 xvfb-run -a -s "-screen 0 800x600x24" "$0" "$@"
fi
runner=$(realpath "$1")
stage=$(realpath "$2")
setup=$(realpath "$3")
listen=$(realpath "$4")
work=$(realpath -m "$5")
rm -rf "$work"
mkdir -p "$work/home/Desktop"
recording="$work/output.f32"
greeting="$stage/sounds/ex1.mp3"
version=$(basename "$setup" | sed -n 's/^korvanta-\(.*\)-setup\.exe$/\1/p')
# A new prefix, whose desktop and documents are folders of this run, not the home folder's.
export KORVANTA_WINEPREFIX="$work/wine" HOME="$work/home"
users="$KORVANTA_WINEPREFIX/drive_c/users/$(id -un)"
menu="$users/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/KORVANTA"
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\KORVANTA'
program=""

# shellcheck source=tools/windows/pulse.sh
. "$(dirname "$0")/pulse.sh"
# Whatever happens, nothing this run started outlives it.
finish() {
  [ -z "$program" ] || kill "$program" 2>/dev/null || true
  "$runner" wineserver -k 2>/dev/null || true
  pulse_stop
}
trap finish EXIT
trap "exit 1" INT TERM HUP
fail() {
  echo "Windows smoke run: $1" >&2
  [ ! -f "$work/program.log" ] || sed 's/^/  program: /' "$work/program.log" >&2
  exit 1
}

# wineboot returns while the new prefix is still being set up; a window opened then fails. The
# server then stays up: a program started as it ends after its idle seconds fails to connect.
"$runner" wineboot -i >"$work/wineboot.log" 2>&1 && "$runner" wineserver -w &&
  "$runner" wineserver -p || fail "wine cannot make a prefix"

# A folder that cannot be made, for a file stands in its way, is refused.
touch "$KORVANTA_WINEPREFIX/drive_c/blocker"
status=$("$runner" "$setup" /S '/D=C:\blocker\KORVANTA' && echo 0 || echo $?)
[ "$status" = 2 ] || fail "the setup took a folder it cannot write (status $status)"
"$runner" reg query "$key" >/dev/null 2>&1 && fail "a refused install registered itself"

# Installed into the per-user programs folder, then again into a folder of the script's choosing
# with a desktop shortcut: the second replaces the first, leaving nothing of it.
"$runner" "$setup" /S || fail "the silent install failed"
[ -f "$users/AppData/Local/Programs/KORVANTA/korvanta.exe" ] || fail "not in the programs folder"
"$runner" "$setup" /S /DESKTOP '/D=C:\Games\KORVANTA' || fail "the install over it failed"
[ ! -e "$users/AppData/Local/Programs/KORVANTA" ] || fail "the earlier install was left"
registered=$("$runner" reg query "$key" | tr -d '\r')
location=$(sed -n 's/^ *InstallLocation *REG_SZ *//p' <<<"$registered")
[ "$location" = 'C:\Games\KORVANTA' ] || fail "installed in '$location', not where /D= said"
folder="$KORVANTA_WINEPREFIX/drive_c/Games/KORVANTA"
for value in "DisplayName REG_SZ KORVANTA" "DisplayVersion REG_SZ $version" \
  "Publisher REG_SZ The KORVANTA developers" "DisplayIcon REG_SZ $location\\korvanta.exe,0" \
  "UninstallString REG_SZ \"$location\\uninstall.exe\""; do
  tr -s ' ' <<<"$registered" | grep -qxF " $value" || fail "the uninstall key lacks $value"
done
size=$(($(sed -n 's/^ *EstimatedSize *REG_DWORD *//p' <<<"$registered")))
# In KB, each file rounded up, as Windows lists it.
staged=$(find "$stage" -type f -printf '%s\n' | awk '{ k+=int(($1+1023)/1024) } END { print k }')
((size == staged)) ||
  fail "the uninstall key gives $size KB, the files take $staged KB"
# Every file of the zip, byte for byte, and nothing else but the uninstaller.
diff -r -x uninstall.exe "$stage" "$folder" >"$work/installed.diff" ||
  fail "the installed files differ from the zip's: $(cat "$work/installed.diff")"

# Each entry starts the installed game in its pack's folder.
entry() {
  python3 - "$1" <<'LNK'
import struct, sys  # header, item list, link info naming the target, then strings as flagged
data = open(sys.argv[1], "rb").read()
flags, = struct.unpack_from("<I", data, 20)
at = 76 + (2 + struct.unpack_from("<H", data, 76)[0]) * (flags & 1)
size, _, _, _, base = struct.unpack_from("<5I", data, at)
target = data[at + base:data.index(b"\0", at + base)].decode("cp1252")
at, strings = at + size, {}
for bit in range(2, 7):
    if flags >> bit & 1:
        count, = struct.unpack_from("<H", data, at)
        strings[bit] = data[at + 2:at + 2 + 2 * count].decode("utf-16-le").rstrip("\0")
        at += 2 + 2 * count
print(target + "|" + strings.get(4, ""))
LNK
}
[ "$(ls "$menu")" = "$(printf 'KORVANTA (español).lnk\nKORVANTA.lnk')" ] ||
  fail "the Start menu folder holds: $(ls "$menu")"
for link in "$menu/KORVANTA.lnk|sounds" "$menu/KORVANTA (español).lnk|sounds-es" \
  "$users/Desktop/KORVANTA.lnk|sounds"; do
  [ "$(entry "${link%|*}")" = "$location\\korvanta.exe|$location\\${link#*|}" ] ||
    fail "${link%|*} starts '$(entry "${link%|*}")'"
done
IFS='|' read -r target start <<<"$(entry "$menu/KORVANTA.lnk")"

pulse_start "$work/pulse" || exit 1
"$runner" reg add 'HKCU\Software\Wine\Drivers' /v Audio /d pulse /f >/dev/null 2>&1 ||
  echo "Windows smoke run: cannot choose wine's PulseAudio driver; wine picks its own" >&2
pulse_record "$recording" || exit 1

# Started as its Start menu entry starts it.
(cd "$KORVANTA_WINEPREFIX/drive_c/$(sed 's/^C:.//; s/\\/\//g' <<<"$start")" &&
  exec "$runner" "$target" >"$work/program.log" 2>&1) &
program=$!

heard=1
for _ in $(seq 60); do
  sleep 1
  kill -0 "$program" 2>/dev/null || fail "the program ended before its greeting was heard"
  heard=0
  "$listen" "$recording" "$greeting" >"$work/heard.log" 2>&1 || heard=$?
  [ "$heard" = 1 ] || break
done
case $heard in
  0) echo "Windows smoke run: $(cat "$work/heard.log")" ;;
  3) fail "the greeting's start was lost: $(cat "$work/heard.log")" ;;
  *) fail "the greeting was not heard: $(cat "$work/heard.log" 2>/dev/null)" ;;
esac

# Escape at the menu: the farewell, then the end.
xdotool search --sync --limit 1 --name '^KORVANTA$' windowfocus --sync key Escape
for _ in $(seq 30); do
  kill -0 "$program" 2>/dev/null || break
  sleep 1
done
kill -0 "$program" 2>/dev/null && fail "Escape did not end the program within 30 s"
status=0
wait "$program" || status=$?
[ "$status" = 0 ] || fail "the program ended with status $status"
program=""
echo "Windows smoke run: Escape ended the program with status 0"

# Uninstalled silently, waiting for it (_?=); a sound folder of the player's stays, and a second
# run finds nothing left. A copy runs, as the uninstaller removes itself.
mkdir "$folder/my sounds"
cp "$stage/sounds/ex1.mp3" "$folder/my sounds/"
cp "$folder/uninstall.exe" "$work/uninstall.exe"
"$runner" "$work/uninstall.exe" /S "_?=$location" || fail "the silent uninstall failed"
[ "$(cd "$folder" && find . | sort)" = "$(printf '.\n./my sounds\n./my sounds/ex1.mp3')" ] ||
  fail "after the uninstall, the folder holds: $(cd "$folder" && find . | sort)"
[ ! -e "$menu" ] && [ ! -e "$users/Desktop/KORVANTA.lnk" ] || fail "shortcuts were left"
"$runner" reg query "$key" >/dev/null 2>&1 && fail "the uninstall key was left"
status=$("$runner" "$work/uninstall.exe" /S "_?=$location" && echo 0 || echo $?)
[ "$status" = 3 ] || fail "a second uninstall did not find nothing left (status $status)"
echo "Windows smoke run: installed, started from the Start menu, uninstalled"
