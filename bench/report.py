#!/usr/bin/env python3
"""Prints bench/run.sh's table: each figure as measured (the median of the
repetitions) and as a multiple of the window-copy floor of the same run."""
import json
import platform
import sys


def medians(path):
    data = json.load(open(path))
    out = {}
    for b in data["benchmarks"]:
        if b.get("aggregate_name") == "median":
            scale = {"ns": 1, "us": 1e3, "ms": 1e6}[b["time_unit"]]
            out[b["run_name"]] = (b["cpu_time"] * scale, b.get("label", ""))
    return out, data["context"]


def main():
    game, context = medians(sys.argv[1])
    sdl, _ = medians(sys.argv[2])
    frames = int(sys.argv[4])
    floor = game["Floor_window_copy"][0]
    model = "unknown"
    try:
        for line in open("/proc/cpuinfo"):
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    except OSError:
        pass
    print(f"Machine: {model}, {context.get('num_cpus')} CPUs, {platform.system()} "
          f"{platform.release()}")
    print(f"Floor (window copy of 640 x 480 out of 1280 x 960): {floor / 1000:.1f} us\n")
    print(f"| {'Figure':<40} | {'Time':>12} | {'x floor':>8} |")
    print(f"| {'-' * 40} | {'-' * 12}: | {'-' * 8}: |")

    def row(name, ns, label=""):
        shown = f"{ns / 1e6:.2f} ms" if ns >= 1e6 else f"{ns / 1e3:.1f} us" if ns >= 1e3 else f"{ns:.0f} ns"
        title = f"{name} ({label})" if label else name
        print(f"| {title:<40} | {shown:>12} | {ns / floor:>8.2f} |")

    for name, (ns, label) in game.items():
        row(name, ns, label)
    for name, (ns, label) in sdl.items():
        row(name, ns, label)
    for line in open(sys.argv[3]):
        name, secs, kb = line.split()
        secs = float(secs)
        fps = frames / secs if secs > 0 else float("inf")
        print(f"| {'pako-sim ' + name + ' (frames/s)':<40} | {fps:>12,.0f} | {'':>8} |")
        print(f"| {'pako-sim ' + name + ' peak RSS':<40} | {int(kb) / 1024:>9.1f} MB | {'':>8} |")


if __name__ == "__main__":
    main()
