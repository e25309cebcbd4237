#!/usr/bin/env python3
"""Changes each rule of a kick in turn, a little, and says which tests
notice: a check of the suite itself, for whoever touches the kick or its
tests. Every change is made in a copy of the tree, in a build folder of its
own (build/mutants); the working tree is never touched.

A rule no test notices is a hole in the suite: the line is marked MISSED
and the exit status is 1.

    tools/kick-mutations.py [-k WORD]    (only changes whose name has WORD)

It takes a while: a build of the headless game and its tests, then for each
change a rebuild and the suites (without the real window's, which need
nothing the headless ones do not already see of a kick).
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# (name, file, the text as it is, the text changed)
MUTATIONS = [
    ("power threshold raised by one (power > 21 kicks)", "game/frame.cpp",
     "game.power <= 20", "game.power <= 21"),
    ("power threshold lowered by one (power > 19 kicks)", "game/frame.cpp",
     "game.power <= 20", "game.power <= 19"),
    ("a weak swing keeps its power", "game/frame.cpp",
     "game.power = 0;\n        return;", "return;"),
    ("a swing shows no kick pose", "game/frame.cpp",
     "game.kickAnimActive = 1;\n", ""),
    ("a swing kicks before the serve", "game/frame.cpp",
     "game.serveReady != 0 && ", ""),
    ("hit band's top edge one lower", "game/frame.cpp",
     "y >= 840 - game.cameraY", "y >= 841 - game.cameraY"),
    ("hit band's bottom edge one higher", "game/frame.cpp",
     "y <= 890 - game.cameraY", "y <= 889 - game.cameraY"),
    ("hit box's left edge one to the right", "game/frame.cpp",
     "x >= game.playerX - 60", "x >= game.playerX - 59"),
    ("hit box's right edge one to the left", "game/frame.cpp",
     "x <= game.playerX + 20", "x <= game.playerX + 19"),
    ("a miss keeps its power", "game/frame.cpp",
     "    else\n        game.power = 0;", ""),
    ("left-drift band one lower (y < 364)", "game/shuttlecock.cpp",
     "game.shuttleY < 363", "game.shuttleY < 364"),
    ("right-drift band one higher (y > 372)", "game/shuttlecock.cpp",
     "game.shuttleY > 373", "game.shuttleY > 372"),
    ("no kick.wav", "game/shuttlecock.cpp",
     "    PlaySoundA(KickSound, nullptr, SND_FILENAME | SND_ASYNC);\n", ""),
    ("a kick does not restart the flight", "game/shuttlecock.cpp",
     "    game.flightTime = 0;\n    game.launchHeight = 120;\n    game.kickPending = 0;",
     "    game.launchHeight = 120;\n    game.kickPending = 0;"),
    ("launch speed power + 11", "game/shuttlecock.cpp",
     "game.launchSpeed = game.power + 10;", "game.launchSpeed = game.power + 11;"),
    ("a kick keeps its power", "game/shuttlecock.cpp",
     "    game.power = 0;\n    game.kickCount", "    game.kickCount"),
    ("kick counter stops at 98", "game/shuttlecock.cpp",
     "game.kickCount + 1 >= 99 ? 99", "game.kickCount + 1 >= 98 ? 98"),
    ("kick counter does not count", "game/shuttlecock.cpp",
     "game.kickCount = game.kickCount + 1 >= 99 ? 99 : game.kickCount + 1;", ""),
    ("the gauge goes round at 99", "game/player.cpp",
     "game.power = p >= 100 ? 0 : p + 1;", "game.power = p >= 99 ? 0 : p + 1;"),
    ("the gauge's first picture at 20", "game/player.cpp",
     "if (g >= 1 && g <= 10)", "if (g >= 2 && g <= 10)"),
    ("the struck picture one frame shorter", "game/player.cpp",
     "if (k < 5 && game.kickPending != 0)", "if (k < 4 && game.kickPending != 0)"),
    ("the kick pose one frame longer", "game/player.cpp",
     "if (k > 10) {", "if (k > 11) {"),
    ("Space charges on the continue screen", "shell/window_proc.cpp",
     "            if (game.dropped == 0) {\n                game.spaceReleased = 0;",
     "            {\n                game.spaceReleased = 0;"),
    ("Space's release is no swing", "shell/window_proc.cpp",
     "            game.spaceReleased = 1;\n            game.spaceHeld = 0;",
     "            game.spaceHeld = 0;"),
    ("Space's auto-repeat ends the swing", "shell/window_proc.cpp",
     "                game.spaceReleased = 0;\n                game.spaceHeld = 1;",
     "                game.spaceReleased = game.spaceHeld;\n                game.spaceHeld = 1;"),
]


def run(cmd, cwd, quiet=True):
    return subprocess.run(cmd, cwd=cwd, stdout=subprocess.PIPE if quiet else None,
                          stderr=subprocess.STDOUT if quiet else None, text=True)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("-k", default="")
    a = ap.parse_args()
    chosen = [m for m in MUTATIONS if a.k in m[0]]
    src = tempfile.mkdtemp(prefix="pako-mutants-")
    build = os.path.join(TOP, "build", "mutants")
    try:
        files = subprocess.run(["git", "ls-files", "-co", "--exclude-standard"], cwd=TOP,
                               check=True, capture_output=True, text=True).stdout.split("\n")
        for f in filter(None, files):
            if os.path.isfile(os.path.join(TOP, f)):
                os.makedirs(os.path.join(src, os.path.dirname(f)), exist_ok=True)
                shutil.copy2(os.path.join(TOP, f), os.path.join(src, f))
        configure = ["cmake", "-S", src, "-B", build, "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
                     "-DPAKO_BUILD_SDL=OFF"]
        if run(configure, TOP).returncode != 0 or \
                run(["cmake", "--build", build, "-j2"], TOP, quiet=False).returncode != 0:
            print("the unchanged tree does not build")
            return 2
        # The suites of a kick: everything headless but the long soak.
        tests = ["ctest", "--test-dir", build, "-E", "soak", "-j2"]
        base = run(tests, TOP)
        if base.returncode != 0:
            print("the unchanged tree fails its tests:\n" + base.stdout[-3000:])
            return 2
        missed = 0
        for name, path, old, new in chosen:
            full = os.path.join(src, path)
            text = open(full).read()
            if text.count(old) != 1:
                print(f"{name}: the text to change is not in {path} once; update this list")
                missed += 1
                continue
            open(full, "w").write(text.replace(old, new))
            built = run(["cmake", "--build", build, "-j2"], TOP)
            result = run(tests + ["--output-on-failure"], TOP) if built.returncode == 0 else None
            open(full, "w").write(text)
            if result is None:
                print(f"{name}: does not build")
                continue
            failed = sorted({line.split(" - ", 1)[1].split(" (")[0].strip()
                             for line in result.stdout.splitlines()
                             if " - " in line and ("(Failed)" in line or "(Timeout)" in line)})
            if not failed:
                missed += 1
                print(f"MISSED  {name}")
            else:
                print(f"caught  {name}: {', '.join(failed)}")
        run(["cmake", "--build", build, "-j2"], TOP)
        return 1 if missed else 0
    finally:
        shutil.rmtree(src, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
