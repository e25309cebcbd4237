#!/usr/bin/env python3
"""The installer under Wine, on Xvfb: what it installs, starts and leaves.

- `setup.exe /S` installs for the current user, without asking for rights:
  the game, its sounds and README.txt in the user's programs folder, a
  Start menu entry, and an entry in the list of installed apps (name,
  version, icon, size, how to uninstall, silently too);
- the game starts from its shortcut, in the shortcut's folder (a record
  named without a folder lands there), and Escape ends it with status 0;
- installed again into a folder whose name has spaces and letters outside
  ASCII ("Zoë Ångström"), the game started there finds its sounds (it says
  nothing about them) and `--record` writes where it is told, into a
  folder of such a name too; the demo's record replayed there plays its
  kicks' sound and writes the committed trace;
- `uninstall.exe /S` leaves none of the files, folders, shortcut or keys.

usage: installer_test.py WINE_RUN SETUP_EXE DEMO_DIR [--screenshots DIR]
(WINEPREFIX names the Wine prefix, as for WINE_RUN.)
"""
import gzip
import os
import shutil
import subprocess
import sys
import time

here = os.path.dirname(os.path.abspath(__file__))
# The prefix tools/windows/wine-run uses, named for Wine's server too.
os.environ.setdefault("WINEPREFIX",
                      os.path.join(here, "..", "..", "build", "windows", "wine"))
sys.path.insert(0, os.path.join(here, "..", "sdl"))
from xserver import Screen, ended_well, fail, poll  # noqa: E402

KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\PakoTumbo"
USER = "Zo\u00eb \u00c5ngstr\u00f6m"
INSTALLED = ("pako.exe", "kick.wav", "a1.wav", "README.txt", "uninstall.exe")


class Wine:
    def __init__(self, run, env):
        self.run_ = run
        self.env = dict(env, LC_ALL="C.UTF-8", LANG="C.UTF-8")
        self.server = os.path.join(os.path.dirname(os.path.realpath("/usr/lib/wine/wine64")),
                                   "wineserver")

    def run(self, *args, **kw):
        return subprocess.run([self.run_] + list(args), env=self.env, capture_output=True,
                              timeout=kw.pop("timeout", 300), **kw)

    def settle(self):
        """Waits until every Wine program has ended: an uninstaller run with
        /S returns at once and works from a copy of itself."""
        subprocess.run([self.server, "-w"], env=self.env, timeout=300)

    def unix(self, windows_path):
        r = self.run("winepath", "-u", windows_path)
        return r.stdout.decode("utf-8").strip()

    def windows(self, unix_path):
        r = self.run("winepath", "-w", unix_path)
        return r.stdout.decode("utf-8").strip()

    def expand(self, variable):
        r = self.run("cmd", "/c", f"echo %{variable}%")
        return r.stdout.decode("utf-8").strip()

    def key(self):
        """The uninstall key's values, or None when there is no key."""
        r = self.run("reg", "query", KEY)
        if r.returncode != 0:
            return None
        values = {}
        try:
            text = r.stdout.decode("utf-8")
        except UnicodeDecodeError:
            # A console program writes in the console's code page (OEM).
            text = r.stdout.decode("cp437")
        for line in text.splitlines():
            parts = line.split(None, 2)
            if len(parts) == 3 and parts[1].startswith("REG_"):
                values[parts[0]] = parts[2].strip()
        return values


def installed(wine, folder, start_menu):
    missing = [f for f in INSTALLED if not os.path.isfile(os.path.join(folder, f))]
    if missing:
        fail(f"not installed in {folder}: {missing}")
    if not os.path.isfile(start_menu):
        fail(f"no Start menu entry {start_menu}")
    values = wine.key()
    if values is None:
        fail("no uninstall key " + KEY)
    want_folder = wine.windows(folder)
    expect = {"DisplayName": "Pako Tumbo", "DisplayIcon": want_folder + "\\pako.exe,0",
              "UninstallString": f'"{want_folder}\\uninstall.exe"',
              "QuietUninstallString": f'"{want_folder}\\uninstall.exe" /S'}
    for name, value in expect.items():
        if values.get(name, "").lower() != value.lower():
            fail(f"uninstall key: {name} is {values.get(name)!r}, not {value!r}")
    if not values.get("DisplayVersion"):
        fail("uninstall key: no DisplayVersion")
    if int(values.get("EstimatedSize", "0"), 0) < 100:
        fail(f"uninstall key: EstimatedSize {values.get('EstimatedSize')!r} KiB")
    return values


def uninstall(wine, folder, start_menu):
    wine.settle()  # the game, started through `start`, may still be ending
    r = wine.run(os.path.join(folder, "uninstall.exe"), "/S")
    wine.settle()
    if r.returncode != 0:
        fail(f"uninstall.exe /S: status {r.returncode}")
    left = [p for p in (folder, start_menu) if os.path.exists(p)]
    if left:
        fail(f"left after uninstalling: {left}")
    if wine.key() is not None:
        fail("the uninstall key is still there")
    if wine.run("reg", "query", r"HKCU\Software\PakoTumbo").returncode == 0:
        fail(r"HKCU\Software\PakoTumbo is still there")


def play_and_escape(screen, game, what):
    screen.wait_for_window(limit=120)
    time.sleep(0.5)
    screen.key("Escape", hold=0.1)
    ended_well(game, what)


def screenshots(wine, screen, setup, shots):
    """The installer as a player sees it: its folder page, then done."""
    game = subprocess.Popen([wine.run_, setup], env=screen.env)
    try:
        def window():
            r = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "Pako Tumbo"],
                               env=screen.env, capture_output=True, text=True)
            return r.stdout.split()[0] if r.returncode == 0 and r.stdout.strip() else None
        wid = poll(window, 120, 0.2)
        if not wid:
            fail("the installer's window did not appear")
        time.sleep(1.0)
        screen.save_png(screen.capture(), os.path.join(shots, "installer.png"))
        subprocess.run(["xdotool", "windowfocus", "--sync", wid], env=screen.env)
        screen.key("Return", hold=0.1)  # Install
        poll(lambda: wine.key() is not None, 120, 0.5)
        time.sleep(1.5)
        screen.save_png(screen.capture(), os.path.join(shots, "installer-done.png"))
        screen.key("Return", hold=0.1)  # Close
        game.wait(timeout=60)
    finally:
        if game.poll() is None:
            game.kill()
    wine.settle()


def main():
    args = sys.argv[1:]
    shots = None
    if "--screenshots" in args:
        i = args.index("--screenshots")
        shots = os.path.abspath(args[i + 1])
        del args[i:i + 2]
    run, setup, demos = (os.path.realpath(a) for a in args)
    screen = Screen(800, 600)
    wine = Wine(run, screen.env)
    screen.env = wine.env
    try:
        programs = os.path.realpath(wine.unix(wine.expand("LOCALAPPDATA") + "\\Programs"))
        folder = os.path.join(programs, "Pako Tumbo")
        start_menu = os.path.join(os.path.realpath(wine.unix(wine.expand("APPDATA"))),
                                  "Microsoft", "Windows", "Start Menu", "Programs",
                                  "Pako Tumbo.lnk")
        # What a run that failed half-way left behind goes first.
        home = os.path.normpath(os.path.join(programs, "..", "..", "..", USER))
        for left in (folder, home):
            if os.path.isfile(os.path.join(left, "uninstall.exe")):
                wine.run(os.path.join(left, "uninstall.exe"), "/S")
                wine.settle()
            shutil.rmtree(left, ignore_errors=True)
        wine.run("reg", "delete", KEY, "/f")
        wine.run("reg", "delete", r"HKCU\Software\PakoTumbo", "/f")
        if os.path.exists(start_menu):
            os.remove(start_menu)

        if shots:
            os.makedirs(shots, exist_ok=True)
            screenshots(wine, screen, setup, shots)
            installed(wine, folder, start_menu)
            uninstall(wine, folder, start_menu)

        r = wine.run(setup, "/S")
        wine.settle()
        if r.returncode != 0:
            fail(f"setup.exe /S: status {r.returncode}")
        values = installed(wine, folder, start_menu)
        print(f"installed silently: {len(INSTALLED)} files, the Start menu entry, the key "
              f"(version {values['DisplayVersion']}, {int(values['EstimatedSize'], 0)} KiB)")

        # Started from its shortcut, the game runs in the shortcut's folder:
        # a record named without a folder is written there.
        record = os.path.join(folder, "shortcut.record")
        game = subprocess.Popen([wine.run_, "start", "/wait", "/unix", start_menu,
                                 "--record", "shortcut.record"], env=screen.env)
        play_and_escape(screen, game, "started from its shortcut")
        if not poll(lambda: os.path.isfile(record), 30, 0.2):
            fail("the game started from its shortcut did not run in the installed folder")
        os.remove(record)
        print("the game starts from its shortcut, in its folder")
        uninstall(wine, folder, start_menu)
        print("uninstalled silently: no file, folder, shortcut or key left")

        # A user called Zoë Ångström.
        odd = os.path.join(home, "Pako Tumbo")
        # (NSIS takes /D= only unquoted, and a program under Wine gets every
        # argument with a space quoted: the folder of an earlier install,
        # which the installer offers again, names it instead.)
        wine.run("reg", "add", r"HKCU\Software\PakoTumbo", "/v", "InstallDir", "/t", "REG_SZ",
                 "/d", wine.windows(home) + "\\Pako Tumbo", "/f")
        r = wine.run(setup, "/S")
        wine.settle()
        if r.returncode != 0 or not os.path.isfile(os.path.join(odd, "pako.exe")):
            fail(f"setup.exe /S /D=...{USER}...: status {r.returncode}, nothing in {odd}")
        installed(wine, odd, start_menu)
        record_win = wine.windows(home) + "\\" + USER + ".record"
        # From its shortcut, told to record into the user's own folder.
        game = subprocess.Popen([wine.run_, "start", "/wait", "/unix", start_menu, "--record",
                                 record_win], env=screen.env)
        play_and_escape(screen, game, f"installed in {odd}, started from its shortcut")
        written = os.path.join(home, USER + ".record")
        if not poll(lambda: os.path.isfile(written) and open(written, "rb").read().startswith(
                b"# pako-record 1\n"), 30, 0.2):
            fail(f"--record {record_win}: no record at {written}")
        # The demo's game replayed in the installed folder (the shortcut's):
        # its six kicks play kick.wav, read from there (a sound not found is
        # one line on standard error), and its trace is written where told.
        shutil.copy(os.path.join(demos, "rally.record"), os.path.join(home, "rally.record"))
        r = wine.run(os.path.join(odd, "pako.exe"), "--replay",
                     wine.windows(home) + "\\rally.record", "--trace",
                     wine.windows(home) + "\\rally.trace", cwd=odd)
        err = r.stderr.decode("utf-8", errors="replace")
        if r.returncode != 0 or "sound" in err:
            fail(f"--replay in {odd}: status {r.returncode}, said {err!r}")
        with gzip.open(os.path.join(demos, "rally.trace.gz")) as f:
            if open(os.path.join(home, "rally.trace"), "rb").read() != f.read():
                fail("--replay in {odd}: the trace is not the committed one")
        for name in ("rally.record", "rally.trace"):
            os.remove(os.path.join(home, name))
        print(f"installed in {odd!r}: the sounds found, the record and the trace written")
        uninstall(wine, odd, start_menu)
        os.remove(written)  # the player's own file, which the uninstaller leaves
        os.rmdir(home)
        print("uninstalled from there too")
    finally:
        wine.settle()
        screen.close()


if __name__ == "__main__":
    main()
