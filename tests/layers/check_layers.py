#!/usr/bin/env python3
"""Fails when a source file includes a header its layer may not use.

Each layer is a folder under src/; a layer may include its own headers and
those of the layers listed for it. Third-party headers are allowed only in
the layers that wrap a library.
"""
import os
import re
import sys

LAYERS = {
    # layer: (folder, layers it may include)
    "base": ("base", []),
    "charfile": ("charfile", ["base"]),
    "ports": ("ports", ["base"]),
    "backend": ("backend", ["base", "ports", "charfile"]),
    "charengine": ("charengine", ["base", "ports", "charfile"]),
    "core": ("core", ["base", "ports"]),
    "headless": ("platform/headless", ["base", "ports", "backend", "charfile", "charengine", "speech"]),
    "net": ("platform/net", ["base", "ports"]),
    "speech": ("platform/speech", ["base", "ports", "charengine"]),
    "listen": ("platform/listen", ["base", "ports", "backend", "charengine"]),
    "desktop": ("platform/desktop",
                ["base", "ports", "backend", "charfile", "charengine", "speech", "listen", "headless"]),
    "record": ("platform/record",
               ["base", "ports", "backend", "charfile", "charengine", "speech", "headless", "desktop"]),
    "service": ("platform/service", ["base", "ports", "backend", "charfile", "charengine"]),
    "app": ("app", ["*"]),
}

# Third-party headers by the prefix of their include path, and the layers
# that may include them.
THIRD_PARTY = {
    "zlib.h": ["charfile"], "png.h": ["charfile"],
    "curl/": ["net"], "zip.h": ["headless"],
    "Q": ["desktop", "record", "service", "app"], "X11/": ["desktop"], "xdo.h": ["desktop"],
    "espeak-ng/": ["speech", "desktop", "app"], "fluidsynth": ["desktop"],
    "flite/": ["speech"],
    "pocketsphinx": ["listen"], "sphinxbase/": ["listen"],
    "poppler/": ["desktop"], "libav": ["record"], "libsw": ["record"],
    "sndfile.h": ["backend"], "expat.h": ["headless"],
}

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def layer_of_path(rel):
    best = None
    for name, (folder, _) in LAYERS.items():
        if rel == folder or rel.startswith(folder + "/"):
            if best is None or len(folder) > len(LAYERS[best][0]):
                best = name
    return best


def check(src_root):
    errors = []
    for dirpath, _, files in os.walk(src_root):
        for name in files:
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.join(dirpath, name)
            rel = os.path.relpath(path, src_root)
            layer = layer_of_path(os.path.dirname(rel))
            if layer is None:
                continue
            allowed = LAYERS[layer][1]
            with open(path, encoding="utf-8", errors="replace") as f:
                for number, line in enumerate(f, 1):
                    m = INCLUDE.match(line)
                    if not m:
                        continue
                    quote, target = m.groups()
                    if quote == '"':
                        to = layer_of_path(os.path.dirname(target))
                        if to is None or to == layer or "*" in allowed or to in allowed:
                            continue
                        errors.append(f"{rel}:{number}: {layer} may not include {target} ({to})")
                    else:
                        for prefix, users in THIRD_PARTY.items():
                            if target.startswith(prefix) and layer not in users:
                                errors.append(f"{rel}:{number}: {layer} may not include <{target}>")
    return errors


if __name__ == "__main__":
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "../../src")
    found = check(root)
    for e in found:
        print(e)
    print(f"layering: {len(found)} forbidden include(s)")
    sys.exit(1 if found else 0)
