#!/usr/bin/env bash
# Plays the Windows build once under wine, in a virtual display, with SDL's disk audio driver:
# the menu's greeting must be heard in the recording, and Escape must end the program with
# status 0.
#
# usage: tools/windows/smoke.sh <wine runner> <unpacked zip folder> <e2e_heard> <work folder>
set -euo pipefail
if [ -z "${KORVANTA_SMOKE_DISPLAY:-}" ]; then
  exec env KORVANTA_SMOKE_DISPLAY=1 xvfb-run -a -s "-screen 0 800x600x24" "$0" "$@"
fi
runner=$(realpath "$1")
stage=$(realpath "$2")
heard=$(realpath "$3")
work=$(realpath -m "$4")
rm -rf "$work"
mkdir -p "$work"
recording="$work/output.f32"
greeting="$stage/sounds/ex1.mp3"

# Started as a player's starter would: in the pack folder.
(cd "$stage/sounds" && SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="Z:${recording//\//\\}" \
  exec "$runner" ../korvanta.exe >"$work/program.log" 2>&1) &
program=$!

fail() {
  echo "Windows smoke run: $1" >&2
  kill "$program" 2>/dev/null || true
  "$runner" wineserver -k || true
  sed 's/^/  program: /' "$work/program.log" >&2
  exit 1
}

for _ in $(seq 60); do
  sleep 1
  kill -0 "$program" 2>/dev/null || fail "the program ended before its greeting was heard"
  [ -f "$recording" ] && "$heard" "$recording" "$greeting" >"$work/heard.log" 2>&1 && break
done
grep -q ' heard ' "$work/heard.log" 2>/dev/null ||
  fail "no greeting in 60 s: $(cat "$work/heard.log" 2>/dev/null)"
echo "Windows smoke run: $(cat "$work/heard.log")"

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
echo "Windows smoke run: Escape ended the program with status 0"
# The prefix's own helpers leave before the virtual display does.
"$runner" wineserver -k
