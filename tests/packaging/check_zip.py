#!/usr/bin/env python3
"""tools/zip-folder.py, which zips the Windows game and the web page:

- the same files give the same bytes whatever order they were made in,
  their modes and times, the umask and the time zone;
- entries come in byte order of their names, under the folder's own name,
  dated SOURCE_DATE_EPOCH in UTC, rw-r--r-- and rwxr-xr-x, and unpack to
  the same files;
- a zip whose bytes would not change is not written again;
- a symbolic link, a missing SOURCE_DATE_EPOCH and a missing folder are
  refused.

usage: check_zip.py SOURCE_DIR
"""
import os
import subprocess
import sys
import tempfile
import time
import zipfile

EPOCH = 1796792481  # 2026-12-09 05:01:21 UTC
FILES = {"pako.exe": b"MZ" + bytes(range(256)) * 40, "README.txt": b"Read me\r\n",
         "a1.wav": b"RIFF....", "sub/Zo\u00eb.txt": "\u00c5ngstr\u00f6m".encode()}


def fail(what):
    print("FAIL: " + what, file=sys.stderr)
    sys.exit(1)


def make(folder, names, mode, when):
    os.makedirs(folder)
    for name in names:
        path = os.path.join(folder, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(FILES[name])
        os.chmod(path, mode)
        os.utime(path, (when, when))


def run(tool, folder, out, tz, epoch=EPOCH, umask=0o022):
    env = dict(os.environ, TZ=tz)
    env.pop("SOURCE_DATE_EPOCH", None)
    if epoch is not None:
        env["SOURCE_DATE_EPOCH"] = str(epoch)
    return subprocess.run([sys.executable, tool, folder, out], env=env, capture_output=True,
                          text=True, preexec_fn=lambda: os.umask(umask))


def main():
    tool = os.path.join(sys.argv[1], "tools", "zip-folder.py")
    with tempfile.TemporaryDirectory() as t:
        one, two = os.path.join(t, "1", "game"), os.path.join(t, "2", "game")
        make(one, list(FILES), 0o644, 1000000000)
        make(two, list(reversed(list(FILES))), 0o600, 2000000000)
        os.chmod(two, 0o700)
        os.chmod(os.path.join(two, "pako.exe"), 0o700)
        a, b = os.path.join(t, "a.zip"), os.path.join(t, "b.zip")
        r = run(tool, one, a, "UTC")
        if r.returncode:
            fail("zip-folder.py: " + r.stderr)
        r = run(tool, two, b, "Pacific/Kiritimati", umask=0o077)
        if r.returncode:
            fail("zip-folder.py: " + r.stderr)
        if open(a, "rb").read() != open(b, "rb").read():
            fail("the same files in another order, modes, times, umask and time zone "
                 "gave other bytes")

        with zipfile.ZipFile(a) as z:
            infos = z.infolist()
            names = [i.filename for i in infos]
            want = ["game/", "game/README.txt", "game/a1.wav", "game/pako.exe", "game/sub/",
                    "game/sub/Zo\u00eb.txt"]
            if names != want:
                fail("entries %r, not %r" % (names, want))
            # A zip's times are to two seconds.
            when = time.gmtime(EPOCH)[:5] + (time.gmtime(EPOCH)[5] // 2 * 2,)
            for i in infos:
                if i.date_time != when:
                    fail("%s dated %r" % (i.filename, i.date_time))
                mode = i.external_attr >> 16
                if mode != (0o40755 if i.is_dir() else 0o100644):
                    fail("%s has mode %o" % (i.filename, mode))
                if i.extra:
                    fail("%s has extra fields %r" % (i.filename, i.extra))
                if not i.is_dir() and z.read(i) != FILES[i.filename[len("game/"):]]:
                    fail("%s unpacks to other bytes" % i.filename)

        os.utime(a, (1, 1))
        run(tool, one, a, "UTC")
        if os.stat(a).st_mtime != 1:
            fail("a zip of the same bytes was written again")

        os.symlink("pako.exe", os.path.join(one, "link"))
        r = run(tool, one, os.path.join(t, "c.zip"), "UTC")
        if r.returncode == 0 or "not a plain file" not in r.stderr:
            fail("a symbolic link was not refused: %r" % r.stderr)
        r = run(tool, two, os.path.join(t, "d.zip"), "UTC", epoch=None)
        if r.returncode == 0 or "SOURCE_DATE_EPOCH" not in r.stderr:
            fail("no SOURCE_DATE_EPOCH was not refused: %r" % r.stderr)
        r = run(tool, os.path.join(t, "none"), os.path.join(t, "e.zip"), "UTC")
        if r.returncode == 0 or "no folder" not in r.stderr:
            fail("a missing folder was not refused: %r" % r.stderr)
    print("zip-folder.py: the same bytes whatever the order, modes, times, umask and time zone")


if __name__ == "__main__":
    main()
