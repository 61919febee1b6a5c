#!/usr/bin/env bash
# Builds the Debian package from BUILD_DIR, checks it with lintian (no
# error allowed), installs it with apt, and opens
# an installed example the way a file manager does (xdg-open) under its own
# display; the trace the installed program writes must show the script
# played to its end. Needs root (it installs the package).
# Usage: deb_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
[ "$(id -u)" = 0 ] || { echo "deb_test: must run as root to install the package" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(cd "$build" && rm -f zarnplay_*.deb && cpack -G DEB >"$work/cpack.log" 2>&1) ||
  { cat "$work/cpack.log" >&2; exit 1; }
deb=$(ls "$build"/zarnplay_*.deb)
fail() { echo "deb_test: $*" >&2; exit 1; }
lintian --fail-on error --display-info --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 ||
  { cat "$work/lintian.log" >&2; fail "lintian finds errors in $(basename "$deb")"; }
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$deb" \
  >"$work/apt.log" 2>&1 || { cat "$work/apt.log" >&2; exit 1; }

for f in /usr/bin/zarnplay /usr/lib/zarnplay/zarnplay-desktop /usr/lib/zarnplay/zarnplay-record \
  /usr/lib/zarnplay/zarnplay-slides.so /usr/share/zarnplay/characters/Fennet.acs \
  /usr/share/zarnplay/examples/hello.zrn /usr/share/applications/zarnplay.desktop \
  /usr/share/man/man1/zarnplay.1.gz /usr/share/icons/hicolor/scalable/apps/zarnplay.svg \
  /usr/share/dbus-1/services/org.zarnplay.Characters.service \
  /usr/share/dbus-1/interfaces/org.zarnplay.Character1.xml; do
  [ -e "$f" ] || fail "$f is not installed"
done
[ "$(xdg-mime query filetype /usr/share/zarnplay/examples/hello.zrn)" = application/x-zarn-script ] ||
  fail "hello.zrn is not known as a ZARN script: $(xdg-mime query filetype /usr/share/zarnplay/examples/hello.zrn)"
[ "$(xdg-mime query default application/x-zarn-script)" = zarnplay.desktop ] ||
  fail "zarnplay is not the default for ZARN scripts"
# The installed program finds its own character without help.
zarnplay --list-characters | grep -q "^Fennet	/usr/share/zarnplay/characters/Fennet.acs$" ||
  fail "--list-characters does not list Fennet"

# A private registry and trace; the installed examples are read-only.
export ZARN_INSTANCE_DIR="$work/instances" ZARNPLAY_TRACE="$work/trace.jsonl"
unset ZARN_CHARACTERS
"$here/../desktop/with_display.sh" bash -c '
  xdg-open /usr/share/zarnplay/examples/hello.zrn
  for _ in $(seq 600); do grep -q "\"Exit\"" "$ZARNPLAY_TRACE" 2>/dev/null && exit 0; sleep 0.1; done
  echo "deb_test: the program did not finish within 60 s" >&2; exit 1'
grep -q '"LoadScript".*hello.zrn' "$ZARNPLAY_TRACE" || fail "the trace has no LoadScript of hello.zrn"
grep -q '"Speak"' "$ZARNPLAY_TRACE" || fail "the trace has no Speak"

# The installed modules are found: a slideshow (the slides module) on the
# desktop, and a recording (the recording module) to a file.
printf '[ZARN Script]\nVersion=7.0\nPowerPointFile=/usr/share/zarnplay/examples/media/slides.odp\n[Characters]\nFennet=Fennet.acs\n[Script]\nFennet.Show\nFennet.Speak "The first slide."\n#\nFennet.Speak "The second."\n' >"$work/slides.zrn"
# The show waits on its first slide for the user: it is ended once shown.
ZARNPLAY_TRACE="$work/slides.jsonl" "$here/../desktop/with_display.sh" bash -c '
  zarnplay "$0" >"$1" 2>&1 &
  for _ in $(seq 600); do grep -q "\"NextSlide\"" "$ZARNPLAY_TRACE" 2>/dev/null && break; sleep 0.1; done
  kill "$!"; wait "$!" || true' "$work/slides.zrn" "$work/slides.log"
grep -q '"NextSlide"' "$work/slides.jsonl" && ! grep '"kind":"show"' "$work/slides.jsonl" | grep -q '"error"' ||
  { cat "$work/slides.log" >&2; fail "the slideshow showed no slide: $(grep '"show"' "$work/slides.jsonl")"; }
timeout 120 zarnplay --record "$work/hello.mp4" /usr/share/zarnplay/examples/hello.zrn \
  >"$work/record.log" 2>&1 || { cat "$work/record.log" >&2; fail "the installed program could not record"; }
[ -s "$work/hello.mp4" ] || fail "the recording is empty"
grep -v "running with root privileges" "$work/lintian.log" || true
echo "deb_test: $(basename "$deb") passes lintian and is installed; xdg-open played hello.zrn ($(wc -l <"$ZARNPLAY_TRACE") trace records); a slideshow and a recording found their modules"
