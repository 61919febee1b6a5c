#!/usr/bin/env python3
"""A long desktop run: Pip and Fennet idle, speak, think, play sounds, move
and change the backdrop, a command chosen from Pip's menu every few
seconds, the way a person would. The player's resident memory and open
files are sampled as it goes.

Run on a display, e.g.
  tests/desktop/with_display.sh bench/soak.py --player build/zarnplay --seconds 3600
With --check it fails when memory grew by --max-growth-mb or more after the
warm-up, when open files grew at all, or when most commands went unheard.
"""
import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
MEDIA = os.path.join(ROOT, "examples", "media")

# Each command's accelerator key in Pip's menu, and what it does.
COMMANDS = [
    ("s", "speak", "&Speak", 'Pip.Speak "Hello again, I am still here and still talking."'),
    ("t", "think", "&Think", 'Pip.Think "A quiet thought in a cloud."'),
    ("o", "sound", "S&ound", "PLAYWAVE " + os.path.join(MEDIA, "chime.wav")),
    ("m", "move", "&Move", "Fennet.MoveTo 650, 150\nFennet.MoveTo 650, 420\n"
                           'Fennet.Speak "Moved there and back."'),
    ("b", "backdrop", "&Backdrop",
     'BGCOLOR #2A284E\nBGIMAGE ' + os.path.join(MEDIA, "backdrop.png") + "\n"
     'Pip.Speak "The backdrop \\mrk=1\\comes and \\mrk=2\\goes."'),
    ("p", "play", "&Play", 'Fennet.Play "Wave"\nFennet.Speak "Waving."'),
]


def script_text(with_fennet):
    lines = ["[ZARN Script]", "Version=7.0", "[Characters]", "Pip=Pip.acs"]
    if with_fennet:
        lines.append("Fennet=Fennet.acs")
    lines += ["[Bookmarks]", "1=", "2=", "[BookmarkScript:1]", "BGSHOW",
              "[BookmarkScript:2]", "BGHIDE", "[Commands]", "MenuName=Soak"]
    for key, name, caption, _ in COMMANDS:
        lines.append(f"{name}={caption}|~|{name}")
    for _, name, _, body in COMMANDS:
        if not with_fennet:
            body = body.replace("Fennet.", "Pip.")
        lines += [f"[CommandScript:{name}]", body]
    lines += ["[Script]", "Pip.MoveTo 300, 300, 0", "Pip.Show"]
    if with_fennet:
        lines += ["Fennet.MoveTo 650, 420, 0", "Fennet.Show"]
    lines.append('Pip.Speak "Choose something from my menu."')
    return "\r\n".join(lines) + "\r\n"


def status_kb(pid, field):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith(field + ":"):
                return int(line.split()[1])
    return -1


def open_files(pid):
    return len(os.listdir(f"/proc/{pid}/fd"))


def count_in(path, needle):
    try:
        with open(path, errors="replace") as f:
            return sum(1 for line in f if needle in line)
    except FileNotFoundError:
        return 0


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--player", default=os.path.join(ROOT, "build", "zarnplay"))
    ap.add_argument("--seconds", type=float, default=3600)
    ap.add_argument("--warmup", type=float, default=None, help="default: a third of the run, at most 10 minutes")
    ap.add_argument("--sample", type=float, default=60, help="seconds between samples")
    ap.add_argument("--every", type=float, default=4, help="seconds between commands")
    ap.add_argument("--check", action="store_true")
    ap.add_argument("--max-growth-mb", type=float, default=5)
    ap.add_argument("--shots", help="folder for a screenshot at each sample")
    args = ap.parse_args()
    warmup = args.warmup if args.warmup is not None else min(600, args.seconds / 3)

    work = tempfile.mkdtemp(prefix="zarnsoak-")
    chars = os.path.join(work, "characters")
    subprocess.run([args.player, "--make-test-characters", chars], check=True,
                   stdout=subprocess.DEVNULL)
    fennet = os.path.join(os.path.dirname(os.path.abspath(args.player)), "characters", "Fennet.acs")
    with_fennet = os.path.exists(fennet)
    if with_fennet:
        shutil.copy(fennet, chars)
    script = os.path.join(work, "soak.zrn")
    with open(script, "w", newline="") as f:
        f.write(script_text(with_fennet))
    trace = os.path.join(work, "soak.jsonl")
    env = dict(os.environ, ZARN_CHARACTERS=chars, ZARN_INSTANCE_DIR=os.path.join(work, "registry"))
    out = open(os.path.join(work, "player.out"), "w")
    player = subprocess.Popen([args.player, "--trace", trace, script], env=env, stdout=out,
                              stderr=subprocess.STDOUT)
    failed = []
    try:
        until = time.monotonic() + 30
        while count_in(trace, '"op":"Show"') == 0 and time.monotonic() < until:
            time.sleep(0.2)
        start = time.monotonic()
        samples = []  # (seconds, rss kB, open files)
        next_sample = 0.0
        next_command = args.every
        chosen = 0
        while True:
            now = time.monotonic() - start
            if player.poll() is not None:
                failed.append(f"the player ended after {now:.0f} s (code {player.returncode})")
                break
            if now >= next_sample:
                samples.append((now, status_kb(player.pid, "VmRSS"), open_files(player.pid)))
                print(f"{now:7.0f} s  rss {samples[-1][1] / 1024:7.1f} MB  open files {samples[-1][2]}",
                      flush=True)
                if args.shots:
                    subprocess.run(["import", "-window", "root",
                                    os.path.join(args.shots, f"soak-{now:05.0f}.png")])
                next_sample += args.sample
            if now >= args.seconds:
                break
            if now >= next_command:
                key = COMMANDS[chosen % len(COMMANDS)][0]
                subprocess.run(["xdotool", "mousemove", "364", "384", "click", "3"])
                time.sleep(0.6)
                subprocess.run(["xdotool", "key", key])
                chosen += 1
                next_command += args.every
            time.sleep(0.2)
        heard = count_in(trace, '"op":"Command"')
        print(f"commands chosen {chosen}, heard {heard}; trace {trace}")
        if samples:
            first = samples[0]
            warm = next((s for s in samples if s[0] >= warmup), samples[-1])
            last = samples[-1]
            for label, s in (("start", first), ("after warm-up", warm), ("end", last)):
                print(f"{label:14} {s[0]:7.0f} s  rss {s[1] / 1024:7.1f} MB  open files {s[2]}")
            growth = (last[1] - warm[1]) / 1024
            print(f"growth after warm-up: {growth:+.1f} MB, {last[2] - warm[2]:+d} open files")
            if args.check:
                if growth >= args.max_growth_mb:
                    failed.append(f"memory grew {growth:.1f} MB after the warm-up")
                if last[2] > warm[2]:
                    failed.append(f"open files grew from {warm[2]} to {last[2]}")
                if heard * 2 < chosen:
                    failed.append(f"only {heard} of {chosen} commands were heard")
    finally:
        if player.poll() is None:
            player.send_signal(signal.SIGTERM)
            try:
                player.wait(20)
            except subprocess.TimeoutExpired:
                player.kill()
                player.wait()
        out.close()
    for line in failed:
        print("soak: " + line, file=sys.stderr)
    if not failed and not os.environ.get("ZARN_SOAK_KEEP"):
        shutil.rmtree(work, ignore_errors=True)
    return 1 if failed and args.check else 0


if __name__ == "__main__":
    sys.exit(main())
