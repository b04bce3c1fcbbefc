"""The simulator stand-in's trace of AI positions, read while and after a demo runs:
`phases_now` counts the AI objects in the simulator per phase (standing, taxi, roll, climbing,
descending, level), `phases_text` writes the counts, and `draw_picture` draws the run's
picture from the trace with tools/demo_picture."""
import math
import subprocess
from pathlib import Path

from demo_layout import Layout

# The phase of an AI object as the simulator sees it, as tools/demo_picture classifies it: on
# the ground by ground speed, airborne by vertical speed.
STANDING_MAX_KT = 1.0
ROLL_MIN_KT = 40.0
LEVEL_MAX_FPM = 300.0
PHASES = ("standing", "taxi", "roll", "climbing", "descending", "level")
# The sphere the program's geodesy works on: one nautical mile per minute of arc.
EARTH_RADIUS_NM = 10800 / math.pi


def trace_phase(previous, point) -> str:
    """The phase at trace point `point` (seconds, latitude, longitude, altitude ft, on ground)
    from the motion since `previous` (None, or no time before it: not moving)."""
    seconds, latitude, longitude, altitude, on_ground = point
    knots = feet_per_minute = 0.0
    if previous is not None and seconds > previous[0]:
        elapsed = seconds - previous[0]
        lat1, lat2 = math.radians(previous[1]), math.radians(latitude)
        h = (math.sin((lat2 - lat1) / 2) ** 2 + math.cos(lat1) * math.cos(lat2)
             * math.sin(math.radians(longitude - previous[2]) / 2) ** 2)
        nm = 2 * EARTH_RADIUS_NM * math.asin(math.sqrt(min(max(h, 0.0), 1.0)))
        knots = nm / elapsed * 3600
        feet_per_minute = (altitude - previous[3]) / elapsed * 60
    if on_ground:
        return "standing" if knots < STANDING_MAX_KT else "taxi" if knots < ROLL_MIN_KT else "roll"
    if feet_per_minute > LEVEL_MAX_FPM:
        return "climbing"
    return "descending" if feet_per_minute < -LEVEL_MAX_FPM else "level"


def phases_now(layout: Layout):
    """Per phase, the AI objects in the simulator now: those not removed before the trace's
    last position (the shutdown removes all after it), each by its last position. The trace
    grows while the demo runs: a line not yet whole is passed over."""
    last, removed, now = {}, {}, 0.0
    if layout.trace.is_file():
        with layout.trace.open(encoding="utf-8", errors="replace") as f:
            for line in f:
                fields = line.rstrip("\n").split(";")
                if len(fields) != 8 or fields[7] not in ("0", "1"):
                    continue
                try:
                    point = (float(fields[0]), float(fields[3]), float(fields[4]), float(fields[5]),
                             fields[7] == "1")
                except ValueError:
                    continue
                if fields[2] == "removed":
                    removed[fields[1]] = point[0]
                else:
                    previous = last.get(fields[1])
                    last[fields[1]] = (previous[1] if previous else None, point)
                    now = max(now, point[0])
    counts = dict.fromkeys(PHASES, 0)
    for key, (previous, point) in last.items():
        if removed.get(key, now) >= now:
            counts[trace_phase(previous, point)] += 1
    return counts


def phases_text(counts) -> str:
    return ", ".join(f"{phase} {counts[phase]}" for phase in PHASES)


def draw_picture(build: Path, layout: Layout) -> str:
    """The picture of the run (tools/demo_picture) from the stand-in's trace: its path, or
    why there is none."""
    if not layout.trace.is_file():
        return "none (the simulator stand-in wrote no trace)"
    tool = build / "tools" / "demo_picture" / "skyloom_demo_picture"
    command = [str(tool), str(layout.airport_file), str(layout.trace), str(layout.picture)]
    if layout.ai_report.is_file():
        command += ["--ai-report", str(layout.ai_report)]
    done = subprocess.run(command, capture_output=True, text=True)
    if done.returncode != 0:
        return f"none ({(done.stderr or done.stdout).strip()})"
    return str(layout.picture)
