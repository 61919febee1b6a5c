#!/usr/bin/env bash
# Speaks a command into a private PulseAudio's pipe source (the default
# microphone) while a desktop run listens, and checks the Command event.
# Usage: hear_microphone.sh ZARNPLAY
set -uo pipefail
zarnplay=$1
for tool in Xvfb pulseaudio pactl espeak-ng sox; do
  command -v "$tool" >/dev/null || { echo "hear_microphone: $tool is missing" >&2; exit 1; }
done
work=$(mktemp -d)
pids=()
stop() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap stop EXIT
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m700 "$XDG_RUNTIME_DIR"
export PULSE_SERVER=unix:$XDG_RUNTIME_DIR/pulse/native
pulseaudio --daemonize=no --exit-idle-time=-1 --disallow-exit -n \
  --load="module-null-sink sink_name=speakers" \
  --load="module-pipe-source source_name=mic file=$work/mic.fifo format=s16le rate=16000 channels=1" \
  --load="module-native-protocol-unix" >"$work/pulse.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.05; done
pactl set-default-source mic || { cat "$work/pulse.log" >&2; exit 1; }
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(head -n1 "$work/display")"
unset WAYLAND_DISPLAY

"$zarnplay" --make-test-characters "$work/chars" >/dev/null || exit 1
cat >"$work/voice.zrn" <<'ZRN'
[ZARN Script]
Version=7.0
[Characters]
Pip=Pip.acs
[Commands]
hello=Say hello|~|say hello [there]
weather=Weather|~|show [the] weather
[CommandScript:hello]
Pip.Play "Wave"
[Script]
Pip.Show
Pip.Listen True
ZRN
espeak-ng -v en-us -w "$work/hello.wav" "say hello" || exit 1
sox "$work/hello.wav" -r 16000 -c 1 -b 16 -e signed-integer -t raw "$work/hello.raw" pad 0.5 1.5

ZARN_CHARACTERS=$work/chars ZARN_INSTANCE_DIR=$work/instance \
  "$zarnplay" --trace "$work/trace.jsonl" "$work/voice.zrn" >"$work/out.txt" 2>"$work/err.txt" &
player=$!
pids+=($player)
for _ in $(seq 100); do grep -q '"Listen"' "$work/trace.jsonl" 2>/dev/null && break; sleep 0.05; done
# The microphone hears the phrase, then silence until the run ends.
(cat "$work/hello.raw"; sleep 8) >"$work/mic.fifo" &
pids+=($!)
for _ in $(seq 160); do
  grep -q '"ListenComplete"' "$work/trace.jsonl" && grep -q '"Hearing1","state"' "$work/trace.jsonl" &&
    break
  sleep 0.05
done
kill "$player"
wait "$player" 2>/dev/null
if ! grep -q '"Listen".*"result":true' "$work/trace.jsonl" ||
   ! grep -q '"Command".*"args":\["hello",\(9[0-9]\|100\)\]' "$work/trace.jsonl"; then
  echo "hear_microphone: the spoken command was not heard" >&2
  cat "$work/trace.jsonl" "$work/err.txt" >&2
  exit 1
fi
# The window's course: opened by Listen, the command, closed because the
# speaker finished (cause 5); Hearing plays once Show has ended.
order=$(grep -o '"ListenStart"\|"Command"\|"ListenComplete","char":"Pip","args":\[[0-9]\]' \
  "$work/trace.jsonl" | tr '\n' ' ')
if [ "$order" != '"ListenStart" "Command" "ListenComplete","char":"Pip","args":[5] ' ] ||
   ! grep -q '"Hearing1","state"' "$work/trace.jsonl"; then
  echo "hear_microphone: the listening window went wrong: $order" >&2
  cat "$work/trace.jsonl" >&2
  exit 1
fi
echo "hear_microphone: heard $(grep -o '"Command".*' "$work/trace.jsonl" | head -n1)"
