#!/usr/bin/env python3
"""Writes the service worker of a web build: web/sw.js with the build's list
of files and their SHA-256 written in, and an id made from that list, so
that a build with any file changed is a new build to the browser.

    offline.py BUILD_FOLDER [TEMPLATE]     (TEMPLATE: web/sw.js)

The list holds every file the page needs (PAGE_FILES, all in BUILD_FOLDER);
a missing one is an error. tools/web.sh runs it after each build, and the
page's test to make a second build.
"""
import hashlib
import json
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))

# Everything a player downloads but the service worker itself, in the order
# it is fetched.
PAGE_FILES = [
    "index.html", "controls.js", "page.js", "pako.js", "pako.wasm", "kick.wav", "a1.wav",
    "manifest.webmanifest", "icon-32.png", "icon-180.png", "icon-192.png", "icon-512.png",
    "icon-maskable-512.png", "rally.record",
]
MARK = re.compile(r"/\* build \*/.*?/\* build \*/", re.S)


def build_list(folder):
    files = {}
    for name in PAGE_FILES:
        with open(os.path.join(folder, name), "rb") as f:
            files[name] = hashlib.sha256(f.read()).hexdigest()
    listing = "".join("%s %s\n" % (files[n], n) for n in PAGE_FILES)
    return {"id": hashlib.sha256(listing.encode()).hexdigest()[:16], "files": files}


def write_worker(folder, template=os.path.join(ROOT, "web", "sw.js")):
    """Writes FOLDER/sw.js; returns the build's id."""
    build = build_list(folder)
    with open(template, encoding="utf-8") as f:
        text = f.read()
    if len(MARK.findall(text)) != 1:
        raise SystemExit("offline.py: %s has no single /* build */ ... /* build */" % template)
    text = MARK.sub(lambda _: "/* build */ %s /* build */" % json.dumps(build, indent=2), text)
    path = os.path.join(folder, "sw.js")
    try:
        with open(path, encoding="utf-8") as f:
            if f.read() == text:
                return build["id"]
    except OSError:
        pass
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)
    return build["id"]


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit("usage: offline.py BUILD_FOLDER [TEMPLATE]")
    print(write_worker(*sys.argv[1:]))


if __name__ == "__main__":
    main()
