# A PulseAudio server of a check's own, sourced by the scripts that listen through one: no system
# service and no autospawn, its runtime folder inside the check's work folder, one null sink at
# 48 kHz whose monitor a recorder reads.
#
#   pulse_start FOLDER   starts it and points this shell's PulseAudio clients (wine too) at it
#   pulse_record FILE    records the sink's monitor, float32 stereo at 48 kHz, into FILE, from now
#   pulse_stop           ends the recorder and the server by their process ids
#
# The null sink takes no rewinds. With them it renders as far ahead as a client allows (up to 2 s)
# and, when a stream joins, reaches back only one short block, so the new stream goes unread for
# a while. A native client only waits; wine's PulseAudio driver keeps the program's clock running
# and overwrites what the server would not take, and the greeting lost up to its first 0.56 s.
# Without rewinds the sink renders 50 ms at a time, and every frame a client writes is recorded.

pulse_pid=""
pulse_recorder=""

pulse_start() {
  local dir
  dir=$(realpath -m "$1")
  mkdir -p "$dir"
  printf 'autospawn = no\n' >"$dir/client.conf"
  export PULSE_SERVER="unix:$dir/native" PULSE_CLIENTCONFIG="$dir/client.conf"
  export PULSE_COOKIE="$dir/cookie"
  HOME="$dir" XDG_RUNTIME_DIR="$dir" XDG_CONFIG_HOME="$dir/config" pulseaudio -n \
    --daemonize=no --exit-idle-time=-1 --log-target="file:$dir/server.log" \
    -L "module-native-protocol-unix socket=$dir/native auth-anonymous=1" \
    -L "module-null-sink sink_name=korvanta rate=48000 channels=2 format=float32le norewinds=1" \
    >/dev/null 2>&1 &
  pulse_pid=$!
  local _
  for _ in $(seq 50); do
    pactl info >/dev/null 2>&1 && return 0
    kill -0 "$pulse_pid" 2>/dev/null || break
    sleep 0.1
  done
  echo "PulseAudio: the private server did not start (see $dir/server.log)" >&2
  return 1
}

pulse_record() {
  # A short fragment, so the file grows while the program plays.
  parec -d korvanta.monitor --format=float32le --rate=48000 --channels=2 --latency-msec=20 \
    >"$1" &
  pulse_recorder=$!
  # Recording from before anything plays, so a sound's start is never missed for a late recorder.
  local _
  for _ in $(seq 50); do
    [ -n "$(pactl list short source-outputs 2>/dev/null)" ] && return 0
    sleep 0.1
  done
  echo "PulseAudio: the recorder did not start" >&2
  return 1
}

pulse_stop() {
  local pid
  for pid in "$pulse_recorder" "$pulse_pid"; do
    [ -n "$pid" ] || continue
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  pulse_recorder=""
  pulse_pid=""
}
