#!/usr/bin/env python3
"""pako-sim and the independent reference model agree frame for frame on
random scripts: key presses of every kind, activation, timer ticks, a close."""
import random
import subprocess
import sys
import tempfile
from pathlib import Path

sim, model_dir = sys.argv[1], Path(sys.argv[2])
keys = ["enter", "space", "left", "right", "up", "down", "space", "space", "enter"]

def script(rng, steps):
    lines = []
    for _ in range(rng.randint(20, 160)):
        step = rng.randrange(steps)
        r = rng.random()
        if r < 0.8:
            key = rng.choice(keys)
            lines.append(f"{step} keydown {key}")
            lines.append(f"{step + rng.randint(1, 60)} keyup {key}")
        elif r < 0.9:
            lines.append(f"{step} activate {rng.choice([0, 1, 2, 3])}")
            lines.append(f"{step + rng.randint(0, 40)} activate 1")
        else:
            lines.append(f"{step} timer")
    if rng.random() < 0.2:
        lines.append(f"{rng.randrange(steps)} keydown {rng.choice(['escape', 'f12'])}")
    rng.shuffle(lines)
    return "\n".join(lines) + "\n"

failures = 0
with tempfile.TemporaryDirectory() as tmp:
    for case in range(12):
        rng = random.Random(case)
        steps = rng.choice([400, 1500, 3000])
        seed = rng.randrange(2**32)
        path = Path(tmp) / f"case{case}.script"
        path.write_text(script(rng, steps))
        args = ["--frames", str(steps), "--seed", str(seed), "--script", str(path)]
        if rng.random() < 0.2:
            args.append("--no-timer")
        a, b = Path(tmp) / "sim.jsonl", Path(tmp) / "model.jsonl"
        subprocess.run([sim, *args, "--trace", str(a)], check=True)
        with open(b, "w") as out:
            subprocess.run([sys.executable, model_dir / "pako_model.py", *args], check=True, stdout=out)
        r = subprocess.run([sys.executable, model_dir / "compare_traces.py", str(a), str(b)],
                           capture_output=True, text=True)
        if r.returncode != 0:
            failures += 1
            print(f"case {case} ({' '.join(args)}): {r.stdout}{r.stderr}")
            print(path.read_text())
print(f"{12 - failures} passed, {failures} failed")
sys.exit(1 if failures else 0)
