#!/usr/bin/env bash
# A headless run maps none of the back ends' libraries (read from its
# /proc/PID/maps while it speaks); a run that needs the module program when
# it is missing says so in one line and fails.
# Usage: modules_test.sh ZARNPLAY CHARACTERS_DIR
set -euo pipefail
exe=$1
chars=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "modules_test: $*" >&2; exit 1; }

printf '[ZARN Script]\nVersion=7.0\n\n[Characters]\nFennet=Fennet.acs\n[Script]\nFennet.Show\nFennet.Speak "%s"\n' \
  "Hello, this sentence takes a moment to say on the wall clock." >"$work/speak.zrn"
ZARN_CHARACTERS=$chars "$exe" --headless --realtime --idle-exit "$work/speak.zrn" >/dev/null 2>&1 &
pid=$!
sleep 0.5
maps=$(grep -oE '/[^ ]+\.so[.0-9]*$' "/proc/$pid/maps" | sort -u) || fail "the headless run ended too soon"
wait "$pid" || fail "the headless run failed"
grep -q '/libc\.so' <<<"$maps" || fail "no libraries seen in the maps"
for lib in libQt6Widgets libQt6Multimedia libavcodec libavformat libswscale libpocketsphinx \
  libsphinxbase libpoppler libfluidsynth libxdo libX11; do
  if grep -q "/$lib" <<<"$maps"; then fail "a headless run maps $lib"; fi
done

# backend | its display | arguments (;-separated) | its module | the build option the line names
cases=(
  "the desktop|:99|$work/speak.zrn|zarnplay-desktop|-DZARN_DESKTOP=ON"
  "recording||--record;$work/out.mp4;$work/speak.zrn|zarnplay-record|-DZARN_RECORD=ON"
  "listening||--headless;--act;0 hear x.wav;$work/speak.zrn|zarnplay-desktop|-DZARN_LISTEN=ON"
)
for case in "${cases[@]}"; do
  IFS='|' read -r backend display arguments module option <<<"$case"
  IFS=';' read -r -a args <<<"$arguments"
  if DISPLAY=$display ZARNPLAY_MODULE_DIR="$work/none" ZARN_CHARACTERS="$chars" \
    "$exe" "${args[@]}" >"$work/out" 2>"$work/err"; then
    fail "$backend: ran without its module"
  fi
  [ "$(wc -l <"$work/err")" = 1 ] || fail "$backend: not one line: $(cat "$work/err")"
  grep -q "^zarnplay: $backend needs the module $module, .*$option" "$work/err" ||
    fail "$backend: unclear: $(cat "$work/err")"
done
echo "modules_test: the headless run maps $(wc -l <<<"$maps") libraries, none of the back ends'"
