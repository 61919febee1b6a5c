#!/usr/bin/env bash
# Runs a command under a private Xvfb (first free display number) with the
# trayer tray host and, when PulseAudio is installed, a sound server whose
# only output is a null sink ("nullsink"; its monitor records what played),
# then stops them. Usage: with_display.sh [--no-tray] CMD...
set -uo pipefail
tray=1
if [ "${1:-}" = "--no-tray" ]; then tray=0; shift; fi
for tool in Xvfb trayer; do
  command -v "$tool" >/dev/null || { echo "with_display: $tool is missing (scripts/setup.sh)" >&2; exit 1; }
done
work=$(mktemp -d)
pids=()
stop() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap stop EXIT
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
[ -s "$work/display" ] || { echo "with_display: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
# Sanitizer builds: the display libraries keep caches until exit.
export LSAN_OPTIONS="suppressions=$(cd "$(dirname "$0")/.." && pwd)/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export DISPLAY=":$(head -n1 "$work/display")"
unset WAYLAND_DISPLAY
if [ "$tray" = 1 ]; then
  trayer --edge top --align right --widthtype pixel --width 120 --height 32 \
    --SetDockType true --transparent false >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do xwininfo -root -tree | grep -qi panel && break; sleep 0.05; done
fi
# Sound goes to a PulseAudio null sink; without one the player stays silent.
if command -v pulseaudio >/dev/null; then
  export XDG_RUNTIME_DIR="$work/runtime"
  mkdir -p -m700 "$XDG_RUNTIME_DIR"
  pulseaudio --daemonize=no --exit-idle-time=-1 --disallow-exit -n \
    --load="module-null-sink sink_name=nullsink" --load="module-native-protocol-unix" \
    >"$work/pulse.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.05; done
  pactl info >/dev/null 2>&1 || { echo "with_display: PulseAudio did not start" >&2; cat "$work/pulse.log" >&2; }
fi
"$@"
