#!/usr/bin/env bash
# Plays the Windows build once under wine, in a virtual display, as a player's computer would:
# SDL's default Windows audio driver, wine's PulseAudio driver, a private PulseAudio server whose
# sink's monitor is recorded. The menu's greeting must be heard whole, from its first syllable,
# and Escape must end the program with status 0.
#
# usage: tools/windows/smoke.sh <wine runner> <unpacked zip folder> <e2e_heard> <work folder>
set -euo pipefail
if [ -z "${KORVANTA_SMOKE_DISPLAY:-}" ]; then
  exec env KORVANTA_SMOKE_DISPLAY=1 xvfb-run -a -s "-screen 0 800x600x24" "$0" "$@"
fi
runner=$(realpath "$1")
stage=$(realpath "$2")
listen=$(realpath "$3")
work=$(realpath -m "$4")
rm -rf "$work"
mkdir -p "$work"
recording="$work/output.f32"
greeting="$stage/sounds/ex1.mp3"
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
  sed 's/^/  program: /' "$work/program.log" >&2
  exit 1
}

pulse_start "$work/pulse" || exit 1
"$runner" reg add 'HKCU\Software\Wine\Drivers' /v Audio /d pulse /f >/dev/null 2>&1 ||
  echo "Windows smoke run: cannot choose wine's PulseAudio driver; wine picks its own" >&2
pulse_record "$recording" || exit 1

# Started as a player's starter would: in the pack folder.
(cd "$stage/sounds" && exec "$runner" ../korvanta.exe >"$work/program.log" 2>&1) &
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
