#!/usr/bin/env python3
"""Milliseconds from exec to the character's window on screen, per build:
    tests/desktop/with_display.sh --no-tray dbus-run-session -- bench/first_frame.py BUILD_DIR...
A desktop session has a bus; without one Qt's tray probe starts one
(dbus-launch) and the figure counts it.
The moment is the X server's MapNotify for the character's window, read
from xev as it arrives (no polling); the first frame is painted in the same
turn of the event loop. Median and worst of --runs runs."""
import argparse, os, re, subprocess, tempfile, threading, time

SCRIPT = ('[ZARN Script]\nVersion=7.0\n\n[Characters]\nFennet=Fennet.acs\n[Script]\n'
          'Fennet.MoveTo 300, 300, 0\nFennet.Show\nFennet.Speak "Hello there."\n')


def first_frame_ms(build, script):
    xev = subprocess.Popen(['stdbuf', '-oL', 'xev', '-root', '-event', 'substructure'],
                           stdout=subprocess.PIPE, text=True)
    maps = []  # (seconds, window id) as each MapNotify arrives

    def read():
        for line in xev.stdout:
            m = re.search(r'event 0x[0-9a-f]+, window (0x[0-9a-f]+), override', line)
            if m:
                maps.append((time.monotonic(), int(m.group(1), 16)))
    reader = threading.Thread(target=read, daemon=True)
    reader.start()
    time.sleep(0.3)
    env = dict(os.environ, ZARN_CHARACTERS=os.path.join(build, 'characters'))
    start = time.monotonic()
    player = subprocess.Popen([os.path.join(build, 'zarnplay'), '--no-service', script], env=env,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        # Asking the server which window is the character while the player
        # starts would slow the start it measures: ask once it is up.
        time.sleep(1.5)
        for _ in range(100):
            ids = subprocess.run(['xdotool', 'search', '--name', 'zarnplay character'],
                                 capture_output=True, text=True).stdout.split()
            seen = [t for t, w in maps if str(w) in ids]
            if seen:
                return (seen[0] - start) * 1000
            time.sleep(0.05)
        raise SystemExit(f'first_frame: no character window from {build}')
    finally:
        player.kill()
        player.wait()
        xev.kill()
        xev.wait()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('builds', nargs='+')
    parser.add_argument('--runs', type=int, default=10)
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as work:
        script = os.path.join(work, 'show.zrn')
        with open(script, 'w') as f:
            f.write(SCRIPT)
        print(f'{"build":40} {"median ms":>10} {"worst ms":>10}')
        for build in args.builds:
            times = sorted(first_frame_ms(build, script) for _ in range(args.runs))
            print(f'{build:40} {times[(len(times) - 1) // 2]:10.1f} {times[-1]:10.1f}')


if __name__ == '__main__':
    main()
