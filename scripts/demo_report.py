"""What a demo run did, read from its files: the program's log (`log_lines`, `last_match`,
`marked_lines`: its errors and news), the App stand-in's output, the simulator stand-in's AI
report (`ai_objects`, `object_counts`); and the lines that tell it, `progress` while the demo
runs and `summary` at its end."""
import re
from pathlib import Path

import demo_scene as scene
from demo_layout import Layout
from demo_trace import draw_picture, phases_now, phases_text


def log_lines(layout: Layout):
    log = layout.workdir / "Log.txt"
    if not log.is_file():
        return []
    return log.read_text(encoding="utf-8", errors="replace").splitlines()


def last_match(lines, pattern):
    found = None
    for line in lines:
        m = re.search(pattern, line)
        if m:
            found = m
    return found


def sent_aircraft(layout: Layout) -> str:
    """Distinct aircraft in the traffic datagrams the App stand-in reports as sent."""
    out = layout.logs / "rtapp_standin.txt"
    if not out.is_file():
        return "not started"
    text = out.read_text(encoding="utf-8", errors="replace")
    sent = re.findall(r"\((\d+) datagrams so far, (\d+) aircraft\)", text)
    if not sent:
        if re.search(r"^connected$", text, re.M):
            return "0"
        if "skyloom_rtapp_standin:" in text:
            return "0 (the stand-in gave up: the program never opened its RealTraffic port)"
        return "0 (the stand-in waits for the program's RealTraffic port)"
    datagrams, aircraft = sent[-1]
    return f"{aircraft} (in {datagrams} datagrams)"


def stage(lines, program_output: str = "") -> str:
    """How far the program got, from its log (and, before it has one, from what it wrote to
    its standard output and error)."""
    for pattern, text in ((r"Closing down after (.*)", "closing down after {}"),
                          (r"Start-up stopped at: (.*)", "start-up stopped at: {}"),
                          (r"RealTraffic App (connected) from", "simulator and RealTraffic App {}"),
                          (r"^(Traffic RTAPIreader) started", "simulator and {} started"),
                          (r"^(MSFS \d+)\b.* connected$", "{} connected"),
                          (r"end of processing scanned liveries", "waiting for the simulator"),
                          (r"liveries scan automatic starts", "scanning liveries")):
        found = last_match(lines, pattern)
        if found:
            return text.format(*found.groups())
    if lines:
        return "starting"
    # A second instance ends before it opens a log; it says why on standard error.
    running = re.search(r"^(\S+ is already running.*)$", program_output, re.M)
    return f"not started: {running.group(1)}" if running else "not started"


def program_output(layout: Layout) -> str:
    """What the program wrote to its standard output and error (the demo keeps it)."""
    out = layout.logs / "skyloom.txt"
    return out.read_text(encoding="utf-8", errors="replace") if out.is_file() else ""


# The program marks ("==> ") an error, a warning or a notable event alike; a marked line counts
# as an error when its words say that something failed or is wrong, and so does any line with a
# stop reason of an error ("SIMCONNECT ERROR", "READER ERROR", "SYSTEM ERROR"). The rest of the
# marked lines are the run's news ("RealTraffic App connected from ...", "Stop requested: USER
# CLOSED SIM (4)", "Data set ... updated").
MARK = "==> "
FAILURE_WORDS = re.compile(
    r"ERROR|EXCEPTION|\b(?:[Ee]rror|[Ff]ail(?:ed|s|ure)?|[Ee]xception|[Cc]ould not|[Cc]annot|"
    r"not (?:available|valid|read|loaded|usable|written|downloaded|found)|[Ii]nvalid|refused|"
    r"rejected|timed out|too (?:small|short|large)|lost|stalled|giving up|corrupt|wrong|"
    r"does not exist|skipped)\b")


def marked_lines(lines):
    """The log's errors and failures, and its other marked lines (the run's news)."""
    errors, news = [], []
    for line in lines:
        if FAILURE_WORDS.search(line) and (line.startswith(MARK) or "ERROR" in line):
            errors.append(line)
        elif line.startswith(MARK):
            news.append(line)
    return errors, news


def status(layout: Layout, road: str):
    lines = log_lines(layout)
    errors, news = marked_lines(lines)
    # The traffic reader's line of what came in, once a minute and at its stop.
    received = last_match(lines, r": (\d+) traffic records of (\d+) aircraft received so far")
    return {
        "lines": lines, "errors": errors, "news": news, "stage": stage(lines, program_output(layout)),
        "orderly": any(l.startswith("Closing down after") for l in lines),
        "received_by_program": (f"{received.group(2)} (in {received.group(1)} traffic records)"
                                if received else None),
        "sent": sent_aircraft(layout) if road == "app" else None,
    }


# An object counts as moving once its written positions cover this much ground.
MOVING_MIN_NM = 0.05
# The program's playback delay of live traffic (feed/time_offsets.h).
PLAYBACK_DELAY_S = 30


def ai_objects(layout: Layout):
    """The simulator stand-in's AI report: one dict per object it created."""
    if not layout.ai_report.is_file():
        return []
    objects = []
    for line in layout.ai_report.read_text(encoding="utf-8", errors="replace").splitlines():
        f = line.split(";")
        if len(f) >= 9:
            objects.append({"id": f[0], "livery": f[1], "created_s": float(f[2]),
                            "removed": float(f[3]) >= 0,
                            "writes": int(f[4]), "path_nm": float(f[5]),
                            "altitude_ft": float(f[8]),
                            "atc_id": f[9].strip().upper() if len(f) > 9 else ""})
    return objects


def object_counts(layout: Layout, lines):
    """What the program did in the simulator, from the stand-in's report and the program's log."""
    objects = ai_objects(layout)
    moving = [o for o in objects if o["path_nm"] >= MOVING_MIN_NM]
    present = [o for o in objects if not o["removed"]]
    # Static aircraft carry a callsign ending in "*".
    live = [o for o in objects if o["atc_id"] and not o["atc_id"].endswith("*")]
    return {
        "created": len(objects),
        "live": len(live),
        "live moving": sum(1 for o in live if o["path_nm"] >= MOVING_MIN_NM),
        "present": len(present),
        "moving": len(moving),
        "path_nm": sum(o["path_nm"] for o in objects),
        "removed": sum(1 for o in objects if o["removed"]),
        "landed": sum(1 for l in lines if " touch down" in l),
        # Live arrivals that drove onto a stand, apart from the live aircraft first seen at
        # rest on one ("parks") and the static aircraft.
        "parked": sum(1 for l in lines if re.search(r": \S+ +arrived at stand$", l)),
        "created on stands": sum(1 for l in lines if re.search(r": \S+ +parks$", l)),
        "create failures": sum(1 for l in lines if "CREATE_OBJECT_FAILED" in l),
    }


def progress(args) -> None:
    layout = Layout(Path(args.demo))
    s = status(layout, args.road)
    c = object_counts(layout, s["lines"])
    sent = f", App stand-in sent {s['sent']} aircraft" if s["sent"] else ""
    feed_started = any(re.search(r"RealTraffic App connected from|Traffic RTAPIreader started", l)
                       for l in s["lines"])
    # The program plays each report back some time after it was seen: say so while no live
    # aircraft moves yet (those standing at their stands may be there already).
    waiting = (f" | waiting for the first moving live aircraft: each report plays "
               f"{PLAYBACK_DELAY_S} s after it was seen" if feed_started and c["live moving"] == 0
               else "")
    print(f"{args.elapsed} | {s['stage']} | aircraft in the simulator: {c['present']} "
          f"({c['moving']} of {c['created']} created have moved; "
          f"{phases_text(phases_now(layout))}){sent}{waiting} | "
          f"log lines {len(s['lines'])}, errors {len(s['errors'])}, news {len(s['news'])}", flush=True)


# The summary shows this many of the last errors, and of the last news.
SHOWN_LINES = 5


def summary(args) -> None:
    layout = Layout(Path(args.demo))
    s = status(layout, args.road)
    c = object_counts(layout, s["lines"])
    object_ids = layout.workdir / "output" / "info" / "ObjectIdList.txt"
    captures = sorted(layout.captures.glob("window-*.png"))
    picture = draw_picture(Path(args.build), layout)
    print("\n=== Skyloom demo summary ===")
    elsewhere = f" (its aircraft only: no live traffic at {scene.AIRPORT})"
    print(f"capture:             {Path(scene.CAPTURE).name}{'' if scene.has_capture() else elsewhere}")
    print(f"airport:             {scene.AIRPORT} at {scene.AIRPORT_ELEVATION_FT} ft"
          f"{'' if scene.AIRPORT_HAS_STANDS else ', no stands and no stock airport file'}")
    print(f"road:                {'RealTraffic web API stand-in' if args.road == 'api' else 'RealTraffic App stand-in'}")
    print(f"program:             {s['stage']}; {args.ending}")
    print(f"shutdown:            {'orderly (Closing down logged)' if s['orderly'] else 'not orderly: no Closing down in the log'}")
    if s["sent"] is not None:
        print(f"aircraft sent:       {s['sent']}")
    print(f"aircraft received:   {s['received_by_program'] or 'none logged (the traffic reader logs what came in once a minute and when it stops)'}")
    print(f"created:             {c['created']} AI objects (simulator stand-in's report): "
          f"{c['live']} live, {c['created'] - c['live']} static")
    print(f"moving:              {c['moving']} moved at least {MOVING_MIN_NM} NM "
          f"({c['live moving']} of them live), {c['path_nm']:.1f} NM flown and driven in all")
    phases = phases_now(layout)
    airborne = sum(phases[p] for p in ("climbing", "descending", "level"))
    print(f"in the simulator:    {sum(phases.values())} at the end of the run, {airborne} of them "
          f"airborne; {c['present']} left after the shutdown")
    print(f"phases at the end:   {phases_text(phases)}")
    print(f"removed:             {c['removed']} (the shutdown's removals included)")
    print(f"landed:              {c['landed']} (touch-down lines in the log)")
    print(f"parked:              {c['parked']} live arrivals drove onto a stand "
          f"({c['created on stands']} live aircraft were created on theirs)")
    print(f"create failures:     {c['create failures']}")
    airport_file = last_match(s["lines"], r"Airport file read from '([^']*)'")
    print(f"park airport file:   {airport_file.group(1) if airport_file else 'not read'}")
    print(f"errors logged:       {len(s['errors'])} (errors and failures; the last "
          f"{min(len(s['errors']), SHOWN_LINES)} below)")
    for line in s["errors"][-SHOWN_LINES:]:
        print(f"    {line}")
    print(f"news logged:         {len(s['news'])} (the other lines marked ==>; the last "
          f"{min(len(s['news']), SHOWN_LINES)} below)")
    for line in s["news"][-SHOWN_LINES:]:
        print(f"    {line}")
    print(f"log:                 {layout.workdir / 'Log.txt'}")
    print(f"AI report:           {layout.ai_report if layout.ai_report.is_file() else 'not written (no flight ran)'}")
    print(f"ObjectIdList.txt:    {object_ids if object_ids.is_file() else 'not written'}")
    print(f"window captures:     {', '.join(map(str, captures)) if captures else 'none (no window on screen)'}")
    print(f"picture:             {picture}")
    print(f"livery scan reports: {layout.workdir / 'output' / 'errors'}")
    print(f"stand-in output:     {layout.logs}")
