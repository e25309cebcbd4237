"""What the real-game benchmarks (real_game.py, wine_game.py) share: a
process's processor time from /proc, and the figures of a stretch of the
game's frame log."""
import os

TICKS = os.sysconf("SC_CLK_TCK")


def cpu_ticks(pid):
    """User and system time of process `pid` so far, in clock ticks; 0 for
    none (a process that has gone, or no pid)."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return int(fields[11]) + int(fields[12])  # utime, stime
    except (FileNotFoundError, TypeError):
        return 0


def share_of_a_core(ticks, seconds):
    """Processor time in clock ticks over `seconds`, as a percentage of one core."""
    return 100.0 * ticks / TICKS / seconds


def interval_figures(flips):
    """Frames a second and the median, mean and 99th percentile of the time
    between frames (ms), from flip times in microseconds."""
    iv = sorted((b - a) / 1000 for a, b in zip(flips, flips[1:]))
    return {
        "fps": (len(flips) - 1) / ((flips[-1] - flips[0]) / 1e6),
        "median": iv[len(iv) // 2],
        "mean": sum(iv) / len(iv),
        "p99": iv[int(len(iv) * 0.99)],
        "frames": len(flips),
    }
