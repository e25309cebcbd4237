#!/usr/bin/env python3
"""The options are described in three places for the player, and in two for
the simulator's user; they must agree, so that adding or renaming one in
the program without the others fails here:

- every option `pako --help` lists is in the man page's OPTIONS section and
  in the README's table of options, and every option those two describe is
  one `pako --help` lists;
- every option `pako-sim --help` lists is in docs/simulator.md's table of
  options (--help itself aside), and the other way round.

usage: check_options.py PAKO PAKO_SIM SOURCE_DIR
"""
import os
import re
import subprocess
import sys

OPTION = r"--[a-z][a-z-]*"


def listed_by_help(program):
    text = subprocess.run([program, "--help"], check=True, capture_output=True,
                          text=True).stdout
    return {m.group(1) for m in re.finditer(r"^\s+(" + OPTION + ")", text, re.M)}


def section(text, start, end):
    i = text.find(start)
    if i < 0:
        return ""
    j = text.find(end, i + len(start))
    return text[i:j if j >= 0 else len(text)]


def in_man_page(path):
    options = section(open(path).read(), ".SH OPTIONS", "\n.SH ")
    return {"--" + m.group(1) for m in re.finditer(r"^\.BI? \\-\\-([a-z][a-z-]*)", options, re.M)}


def in_table(path, heading):
    """The options at the start of the rows of the first table after
    `heading` (a Markdown heading or any line of text)."""
    text = section(open(path).read(), heading, "\n#")
    return {m.group(1) for m in re.finditer(r"^\| `(" + OPTION + ")", text, re.M)}


def agree(what, places):
    wrong = []
    everything = set().union(*places.values())
    for option in sorted(everything):
        missing = [name for name, found in places.items() if option not in found]
        if missing:
            wrong.append(f"{what} {option}: not in {', '.join(missing)}")
    return wrong


def main():
    pako, sim, top = sys.argv[1:4]
    game = {
        "pako --help": listed_by_help(pako),
        "the man page's OPTIONS (packaging/pako.6.in)":
            in_man_page(os.path.join(top, "packaging", "pako.6.in")),
        "the README's table of options": in_table(os.path.join(top, "README.md"), "| Option |"),
    }
    simulator = {
        "pako-sim --help": listed_by_help(sim) - {"--help"},
        "docs/simulator.md's table of options":
            in_table(os.path.join(top, "docs", "simulator.md"), "## Command line"),
    }
    wrong = agree("pako", game) + agree("pako-sim", simulator)
    if any(not found for found in list(game.values()) + list(simulator.values())):
        wrong.append("a place lists no option at all: "
                     + ", ".join(n for n, f in {**game, **simulator}.items() if not f))
    for line in wrong:
        print("FAIL:", line, file=sys.stderr)
    if wrong:
        return 1
    print(f"pako's {len(game['pako --help'])} options and pako-sim's "
          f"{len(simulator['pako-sim --help'])} agree wherever they are described")
    return 0


if __name__ == "__main__":
    sys.exit(main())
