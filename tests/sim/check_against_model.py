#!/usr/bin/env python3
"""pako-sim and the independent reference model agree frame for frame on
random scripts (key presses of every kind, activation, timer ticks, a
close), and on games played as a player plays them (tests/model/
plan_play.py): kicks at every height of the hit band, swings too weak, too
early, too late and too far to the side, a swing before the serve, a gauge
held until it goes round. Random keys almost never kick, so the played
games are what compares every rule of a kick; the check also makes sure
they still contain kicks of every drift and swings of every kind."""
import json
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

sys.path.insert(0, str(model_dir))
import plan_play  # noqa: E402

PLAYED = [1, 7, 11, 23, 42, 97]  # seeds of the played games, 3000 steps each


def compare(name, text, args, tmp):
    """None when pako-sim and the model agree on the script, or what differs.
    Also answers the model's trace."""
    path = Path(tmp) / f"{name}.script"
    path.write_text(text)
    args = [*args, "--script", str(path)]
    a, b = Path(tmp) / "sim.jsonl", Path(tmp) / "model.jsonl"
    subprocess.run([sim, *args, "--trace", str(a)], check=True)
    with open(b, "w") as out:
        subprocess.run([sys.executable, model_dir / "pako_model.py", *args], check=True, stdout=out)
    r = subprocess.run([sys.executable, model_dir / "compare_traces.py", str(a), str(b)],
                       capture_output=True, text=True)
    records = [json.loads(line) for line in b.read_text().splitlines() if line.strip()]
    if r.returncode != 0:
        return f"{name} ({' '.join(args)}): {r.stdout}{r.stderr}\n{text}", records
    return None, records


failures = []
cases = 0
kicks, drifts, swings = 0, set(), {}
with tempfile.TemporaryDirectory() as tmp:
    for case in range(12):
        rng = random.Random(case)
        steps = rng.choice([400, 1500, 3000])
        seed = rng.randrange(2**32)
        args = ["--frames", str(steps), "--seed", str(seed)]
        if rng.random() < 0.2:
            args.append("--no-timer")
        wrong, _ = compare(f"random case {case}", script(rng, steps), args, tmp)
        cases += 1
        if wrong:
            failures.append(wrong)
    for seed in PLAYED:
        player = plan_play.Player(seed, 3000, seed)
        text = plan_play.script(player.plan())
        wrong, records = compare(f"played game {seed}", text,
                                 ["--frames", "3000", "--seed", str(seed)], tmp)
        cases += 1
        if wrong:
            failures.append(wrong)
        for r in records:
            if "kick.wav" in r["sounds"]:
                kicks += 1
                drifts.add(r["drift"])
        for kind, n in player.swings.items():
            swings[kind] = swings.get(kind, 0) + n
for wrong in failures:
    print(wrong)
print(f"{cases - len(failures)} passed, {len(failures)} failed; the played games made {kicks} "
      f"kicks (drifts {sorted(drifts)}) and these swings: "
      + ", ".join(f"{k} {n}" for k, n in sorted(swings.items())))
# What the played games must still hold, or they compare less than they
# claim to.
wanted = {"kick", "weak", "early", "late", "wide", "round", "countdown"}
if kicks < 20 or drifts != {-1, 0, 1} or not wanted <= set(swings):
    print("the played games no longer make kicks of every drift and swings of every kind "
          f"(wanted at least 20 kicks and {sorted(wanted)})")
    sys.exit(1)
sys.exit(1 if failures else 0)
