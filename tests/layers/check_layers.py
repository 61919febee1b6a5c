#!/usr/bin/env python3
"""Fails when a source file includes a header its layer may not use.

The layers are the build's libraries: CMake writes them to layers.json (the
folders of each, the layers it links, the third-party headers it wraps and
whether it may call the system). A layer may include its own headers and
those of every layer it links, directly or through another. Quoted includes
are resolved as the compiler does (beside the including file first), so a
relative path cannot slip past. With --readme the README's Layout table must
equal the one made from the same table (--print-readme prints it).

usage: check_layers.py LAYERS.json SRC [--readme README.md | --print-readme]
"""
import json
import os
import re
import sys

# System interfaces that only the layers marked POSIX may call.
POSIX = ("unistd.h", "sys/", "fcntl.h", "dirent.h", "poll.h", "signal.h", "spawn.h", "dlfcn.h",
         "pwd.h", "grp.h", "termios.h", "pthread.h", "netinet/", "arpa/", "netdb.h", "glob.h",
         "fnmatch.h", "wordexp.h", "syslog.h", "libgen.h", "sched.h", "semaphore.h")

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def load_layers(path):
    with open(path, encoding="utf-8") as f:
        layers = [layer for layer in json.load(f)["layers"] if layer]
    by_name = {layer["name"]: layer for layer in layers}
    for layer in layers:
        seen, todo = set(), list(layer["uses"])
        while todo:
            name = todo.pop()
            if name in seen or name not in by_name:
                continue
            seen.add(name)
            todo.extend(by_name[name]["uses"])
        layer["reach"] = seen
    return layers


def layer_of(rel_dir, layers):
    """The layer whose folder holds rel_dir (the deepest one)."""
    best, depth = None, -1
    for layer in layers:
        for folder in layer["dirs"]:
            if (rel_dir == folder or rel_dir.startswith(folder + "/")) and len(folder) > depth:
                best, depth = layer, len(folder)
    return best


def check_file(path, rel, layer, layers, src_root):
    errors = []
    third_party = {prefix for other in layers for prefix in other["headers"]}
    with open(path, encoding="utf-8", errors="replace") as f:
        for number, line in enumerate(f, 1):
            m = INCLUDE.match(line)
            if not m:
                continue
            quote, target = m.groups()
            where = f"{rel}:{number}: {layer['name']}"
            if quote == '"':
                beside = os.path.normpath(os.path.join(os.path.dirname(path), target))
                resolved = beside if os.path.exists(beside) else os.path.join(src_root, target)
                to_rel = os.path.relpath(os.path.normpath(resolved), src_root)
                if to_rel.startswith(".."):
                    errors.append(f"{where} includes {target}, outside the source tree")
                    continue
                to = layer_of(os.path.dirname(to_rel), layers)
                if to is None:
                    errors.append(f"{where} includes {target}, which is in no layer")
                elif to is not layer and to["name"] not in layer["reach"]:
                    errors.append(f"{where} may not include {target} ({to['name']})")
            elif target.startswith(POSIX):
                if not layer["posix"]:
                    errors.append(f"{where} may not call the system: <{target}>")
            else:
                owner = [p for p in third_party if target.startswith(p)]
                if owner and not any(p in layer["headers"] for p in owner):
                    errors.append(f"{where} may not include <{target}>")
    return errors


def check(layers, src_root):
    errors = []
    for dirpath, _, files in os.walk(src_root):
        for name in sorted(files):
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.join(dirpath, name)
            rel = os.path.relpath(path, src_root)
            layer = layer_of(os.path.dirname(rel), layers)
            if layer is None:
                if os.path.dirname(rel):
                    errors.append(f"{rel}: in no layer (add its folder to a library)")
                continue
            errors.extend(check_file(path, rel, layer, layers, src_root))
    return errors


def folders_text(dirs):
    parents = {d.rsplit("/", 1)[0] for d in dirs}
    if len(dirs) > 1 and len(parents) == 1 and all("/" in d for d in dirs):
        return f"`src/{parents.pop()}/{{{','.join(d.rsplit('/', 1)[1] for d in dirs)}}}`"
    return ", ".join(f"`src/{d}`" for d in dirs)


def readme_table(layers):
    rows = ["| library | folder | what it is | may use |", "|---|---|---|---|"]
    for layer in layers:
        uses = ", ".join(u.removeprefix("zarn_") for u in layer["uses"]) or "nothing"
        rows.append(f"| `{layer['name']}` | {folders_text(layer['dirs'])} | {layer['about']} | {uses} |")
    return rows


def readme_errors(layers, readme_path):
    with open(readme_path, encoding="utf-8") as f:
        lines = f.read().splitlines()
    expected = readme_table(layers)
    try:
        start = lines.index(expected[0])
    except ValueError:
        return [f"{readme_path}: no Layout table"]
    end = start
    while end < len(lines) and lines[end].startswith("|"):
        end += 1
    if lines[start:end] != expected:
        return [f"{readme_path}: the Layout table is not the build's; it should read:"] + expected
    return []


def main(argv):
    if len(argv) < 3:
        print(__doc__.strip().splitlines()[-1])
        return 2
    layers = load_layers(argv[1])
    if "--print-readme" in argv:
        print("\n".join(readme_table(layers)))
        return 0
    found = check(layers, argv[2])
    if "--readme" in argv:
        found += readme_errors(layers, argv[argv.index("--readme") + 1])
    for e in found:
        print(e)
    print(f"layering: {len(found)} problem(s)")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
