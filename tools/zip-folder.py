#!/usr/bin/env python3
"""Zips a folder so that the same files give the same bytes, whoever makes
the zip, wherever and whenever:

    zip-folder.py FOLDER OUT.zip

The zip holds FOLDER's own name as its top folder. Entries come in the
order of their names (byte order, whatever the locale or the file
system's); every entry is dated SOURCE_DATE_EPOCH (which must be set: the
commit's time in a release) in UTC; files are rw-r--r-- and folders
rwxr-xr-x whatever the umask; no owner, no extra fields; deflated at level
9. Symbolic links and other special files are refused: a download holds
plain files only. OUT.zip is replaced only when its bytes change.
"""
import io
import os
import stat
import sys
import time
import zipfile

FILE_MODE = 0o100644
DIR_MODE = 0o040755


def entry(name, when, mode):
    info = zipfile.ZipInfo(name, date_time=when)
    info.create_system = 3  # Unix: the modes below are read as Unix modes
    info.external_attr = mode << 16
    if stat.S_ISDIR(mode):
        info.external_attr |= 0x10  # MS-DOS's folder flag
    else:
        info.compress_type = zipfile.ZIP_DEFLATED
    return info


def zip_bytes(folder, epoch):
    # A zip's times are the local time of its maker; UTC here, and a zip
    # cannot hold a time before 1980.
    when = time.gmtime(max(epoch, 315532800))[:6]
    top = os.path.basename(os.path.normpath(folder))
    names = []
    for root, dirs, files in os.walk(folder):
        for name in dirs + files:
            path = os.path.join(root, name)
            mode = os.lstat(path).st_mode
            if not (stat.S_ISDIR(mode) or stat.S_ISREG(mode)):
                raise SystemExit("zip-folder.py: %s is not a plain file or folder" % path)
            rel = os.path.relpath(path, folder).replace(os.sep, "/")
            names.append((rel + "/" if stat.S_ISDIR(mode) else rel, path))
    names.sort(key=lambda n: n[0].encode("utf-8"))
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w") as z:
        z.writestr(entry(top + "/", when, DIR_MODE), b"")
        for rel, path in names:
            if rel.endswith("/"):
                z.writestr(entry(top + "/" + rel, when, DIR_MODE), b"")
            else:
                with open(path, "rb") as f:
                    z.writestr(entry(top + "/" + rel, when, FILE_MODE), f.read(),
                               compresslevel=9)
    return out.getvalue()


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: zip-folder.py FOLDER OUT.zip")
    folder, out = sys.argv[1:]
    epoch = os.environ.get("SOURCE_DATE_EPOCH", "")
    if not epoch.isdigit():
        sys.exit("zip-folder.py: SOURCE_DATE_EPOCH must be set to the time of the files "
                 "(seconds since 1970)")
    if not os.path.isdir(folder):
        sys.exit("zip-folder.py: no folder %s" % folder)
    data = zip_bytes(folder, int(epoch))
    try:
        with open(out, "rb") as f:
            if f.read() == data:
                return
    except OSError:
        pass
    with open(out + ".new", "wb") as f:
        f.write(data)
    os.replace(out + ".new", out)


if __name__ == "__main__":
    main()
