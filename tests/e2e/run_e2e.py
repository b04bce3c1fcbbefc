#!/usr/bin/env python3
"""The whole program end to end: Skyloom as its own process against the simulator stand-in
world and the RealTraffic App stand-in replaying the KLAX capture, prepared as scripts/demo.py
prepares the demo (into <build>/e2e/<name>/, with its own runtime folder for the single-instance
lock, and on free ports of its own, so that runs go side by side). The checks read the
stand-in's AI report and trace and the program's log.
--road api: the web API stand-in plays the capture back instead.
--relaunch: on the App road, the simulator quits, starts again and starts a flight meanwhile
(RELAUNCH_TIMELINE); the traffic must start over on the new connection.

    tests/e2e/run_e2e.py --source ROOT --build BUILD [--seconds 150] [--road app|api]
                         [--relaunch] [--name klax_capture]

Exit code 0: every check held; 1: a check failed; 77: the public data of ../shared is missing.
"""
import argparse
import json
import os
import re
import signal
import subprocess
import sys
import time
from pathlib import Path

from e2e_checks import check_relaunch, run_checks

# The program's exit code when another instance holds the lock.
SECOND_INSTANCE_EXIT_CODE = 255
# How long the program may take to close down after SIGTERM (its own shutdown waits are
# shorter) and how long a refused second instance may take to give up.
SHUTDOWN_WAIT_S = 60
SECOND_INSTANCE_WAIT_S = 30
# The App stand-in waits this long for the program's port itself.
CONNECT_WAIT_S = 70
# The world's trace: one point per object every this many seconds of world time.
TRACE_EVERY_S = 0.2
# The relaunch run's simulator: it quits, is started again and starts a flight, in seconds of
# world time (the program's start). Early enough that the run (its ctest entry replays 170 s)
# stays within the first three minutes of the capture, as the App road's run does.
RELAUNCH_TIMELINE = ((60.0, "quit"), (80.0, "launch"), (85.0, "flightStart"))
# The web API stand-in says where it listens within this time.
API_STANDIN_WAIT_S = 10


def load_demo(source: Path):
    sys.path.insert(0, str(source / "scripts"))
    import demo  # pylint: disable=import-outside-toplevel
    return demo


def prepare(demo, source: Path, build: Path, name: str, ports, road: str = "app", timeline=()):
    """The run's folder <build>/e2e/<name>; `ports` are the App road's (None on the web API's)."""
    shared = source.parent / "shared"
    layout = demo.Layout((build / "e2e" / name).resolve())
    demo.prepare(argparse.Namespace(shared=str(shared.resolve()), build=str(build.resolve()),
                                    demo=str(layout.demo), road=road,
                                    app_port=ports.tcp if ports else None))
    world = json.loads(layout.world.read_text(encoding="utf-8"))
    world["aiObjects"]["traceEverySeconds"] = TRACE_EVERY_S
    if timeline:
        world["timeline"] = [{"at": at, "event": event} for at, event in timeline]
    layout.world.write_text(json.dumps(world, indent=1) + "\n", encoding="utf-8")
    return layout


def program_environment(layout, area_url: str) -> dict:
    """The program's folders, world and download area (where the park airport's file lies)."""
    runtime = layout.demo / "run"
    runtime.mkdir(mode=0o700)
    env = dict(os.environ, SKYLOOM_WORKDIR=str(layout.workdir), SKYLOOM_APPDATA=str(layout.appdata),
               SKYLOOM_LOCALAPPDATA=str(layout.localappdata), SKYLOOM_SIMWORLD=str(layout.world),
               XDG_RUNTIME_DIR=str(runtime), SKYLOOM_DOWNLOAD_BASE=area_url)
    env.pop("DISPLAY", None)
    return env


def start_download_area(build: Path, layout):
    """The download-area stand-in on the demo's area; it and its address, or None and why."""
    out = layout.logs / "download_area.txt"
    area = start([str(build / "tools" / "download_server" / "skyloom_download_server"),
                  "--root", str(layout.area)], out)
    end = time.monotonic() + API_STANDIN_WAIT_S
    while time.monotonic() < end and area.poll() is None:
        found = re.search(r"^Serving .* at (\S+) \(fault",
                          out.read_text(encoding="utf-8", errors="replace"), re.M)
        if found:
            return area, found.group(1)
        time.sleep(0.1)
    stop(area, 5)
    return None, f"the download-area stand-in did not start: {out.read_text(errors='replace')}"


def start(command, out: Path, **kwargs):
    with out.open("w", encoding="utf-8") as f:
        return subprocess.Popen(command, stdout=f, stderr=subprocess.STDOUT, **kwargs)


def wait_for_line(path: Path, text: str, seconds: float, process) -> bool:
    end = time.monotonic() + seconds
    while time.monotonic() < end and process.poll() is None:
        if path.is_file() and text in path.read_text(encoding="utf-8", errors="replace"):
            return True
        time.sleep(0.5)
    return False


def second_instance(program: Path, layout, env, first) -> list:
    """A second start with the same runtime folder ends at once with the second-instance code
    and leaves the first running."""
    said = ""
    try:
        done = subprocess.run([str(program), "--headless"], cwd=layout.workdir, env=env,
                              capture_output=True, timeout=SECOND_INSTANCE_WAIT_S, check=False)
        code, said = done.returncode, done.stderr.decode("utf-8", errors="replace")
    except subprocess.TimeoutExpired:
        code = f"none: still running after {SECOND_INSTANCE_WAIT_S} s"
    print(f"second instance: exit code {code}, the first {'running' if first.poll() is None else 'ended'}")
    failures = []
    if code != SECOND_INSTANCE_EXIT_CODE:
        failures.append(f"second instance: exit code {code}, expected {SECOND_INSTANCE_EXIT_CODE}")
    # Without a window on screen it says why, naming the lock file in the run's runtime folder.
    lock_folder = env["XDG_RUNTIME_DIR"]
    if not re.search(rf"^Skyloom is already running \(lock file {re.escape(lock_folder)}/\S+\)$",
                     said, re.M):
        failures.append(f"second instance: standard error {said!r} does not say that Skyloom "
                        f"is already running with a lock file in {lock_folder}")
    if first.poll() is not None:
        failures.append(f"the first instance ended (code {first.returncode}) with the second")
    return failures


def stop(process, seconds: float) -> bool:
    """SIGTERM, then SIGKILL after `seconds`; whether it ended by itself."""
    if process.poll() is not None:
        return True
    process.send_signal(signal.SIGTERM)
    try:
        process.wait(timeout=seconds)
        return True
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()
        return False


def run(build: Path, layout, ports, capture: Path, seconds: float) -> list:
    area, area_url = start_download_area(build, layout)
    if area is None:
        return [area_url]
    env = dict(program_environment(layout, area_url), SKYLOOM_APP_UDP_PORTS=ports.udp_variable())
    program = build / "skyloom"
    first = start([str(program), "--headless"], layout.logs / "skyloom.txt", cwd=layout.workdir,
                  env=env)
    app_out = layout.logs / "rtapp_standin.txt"
    # The capture's first burst as the App's buffer spares the program its wait for it. (The
    # demo gives the first three, so that the flying aircraft fly at once; here the replay's
    # window stays where the margins of docs/motion.md were measured.)
    standin = start([str(build / "tools" / "rtapp_standin" / "skyloom_rtapp_standin"),
                     "--capture", str(capture), "--elevation", "125", "--buffered", "1",
                     "--port", str(ports.tcp), "--traffic-port", str(ports.traffic),
                     "--weather-port", str(ports.weather)], app_out)
    failures, started = [], time.monotonic()
    try:
        if not wait_for_line(app_out, "\nconnected\n", CONNECT_WAIT_S, first):
            return [f"the App stand-in never connected; program code {first.poll()}"]
        print(f"the App stand-in connected after {time.monotonic() - started:.0f} s", flush=True)
        failures += second_instance(program, layout, env, first)
        failures += run_then_stop(first, seconds, started)
    finally:
        stop(first, 0)
        stop(standin, 5)
        stop(area, 5)
    return failures


def run_then_stop(first, seconds: float, started: float) -> list:
    """Lets the program run for its seconds, then stops it; what went wrong on the way."""
    failures = []
    end = time.monotonic() + seconds
    while time.monotonic() < end and first.poll() is None:
        time.sleep(1)
    if first.poll() is not None:
        failures.append(f"the program ended by itself (code {first.returncode})")
    elif not stop(first, SHUTDOWN_WAIT_S):
        failures.append(f"the program did not end within {SHUTDOWN_WAIT_S} s of SIGTERM")
    print(f"the program ended after {time.monotonic() - started:.0f} s", flush=True)
    return failures


def start_api_standin(build: Path, demo, layout):
    """The web API stand-in on the demo's recordings; it and its address, or None and why."""
    out = layout.logs / "rtapi_standin.txt"
    standin = start([str(build / "tools" / "rtapi_standin" / "skyloom_rtapi_standin"),
                     "--recordings", str(layout.rtapi_recordings),
                     "--live", demo.RTAPI_KLAX_RECORDING, "--metar", demo.RTAPI_KLAX_METAR], out)
    end = time.monotonic() + API_STANDIN_WAIT_S
    while time.monotonic() < end and standin.poll() is None:
        found = re.search(r"^RealTraffic web API stand-in at (\S+)",
                          out.read_text(encoding="utf-8", errors="replace"), re.M)
        if found:
            return standin, found.group(1)
        time.sleep(0.1)
    stop(standin, 5)
    return None, f"the web API stand-in did not start: {out.read_text(errors='replace')}"


def run_api(build: Path, demo, layout, seconds: float) -> list:
    """The web API road: the stand-in first (the program finds it through its address), then
    the program, which is ready once its traffic reader runs."""
    standin, url = start_api_standin(build, demo, layout)
    if standin is None:
        return [url]
    area, area_url = start_download_area(build, layout)
    if area is None:
        stop(standin, 5)
        return [area_url]
    env = dict(program_environment(layout, area_url), SKYLOOM_RTAPI_URL=url)
    program = build / "skyloom"
    first = start([str(program), "--headless"], layout.logs / "skyloom.txt", cwd=layout.workdir,
                  env=env)
    failures, started = [], time.monotonic()
    try:
        if not wait_for_line(layout.workdir / "Log.txt", "Traffic RTAPIreader started",
                             CONNECT_WAIT_S, first):
            return [f"the web API reader never started; program code {first.poll()}"]
        print(f"the web API reader started after {time.monotonic() - started:.0f} s", flush=True)
        failures += second_instance(program, layout, env, first)
        failures += run_then_stop(first, seconds, started)
    finally:
        stop(first, 0)
        stop(standin, 5)
        stop(area, 5)
    return failures


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--source", required=True, type=Path)
    parser.add_argument("--build", required=True, type=Path)
    parser.add_argument("--seconds", type=float, default=150, help="replay this long")
    parser.add_argument("--road", choices=["app", "api"], default="app")
    parser.add_argument("--relaunch", action="store_true",
                        help="the simulator quits and starts again meanwhile (App road)")
    parser.add_argument("--name", default="klax_capture", help="the run's folder in <build>/e2e")
    args = parser.parse_args()
    if args.road == "api":
        if args.relaunch:
            parser.error("--relaunch runs on the App road")
        return main_api(args)
    args.source, args.build = args.source.resolve(), args.build.resolve()
    demo = load_demo(args.source)
    capture = args.source.parent / "shared" / demo.CAPTURE
    if not capture.is_file():
        print(f"skipped: {capture} is missing (the public data set of ../shared)")
        return 77
    # Ports of this run's own: it runs beside a demo and beside other runs of itself.
    ports = demo.free_ports()
    print(f"App ports: TCP {ports.tcp}, UDP traffic {ports.traffic}, weather {ports.weather}")
    timeline = RELAUNCH_TIMELINE if args.relaunch else ()
    layout = prepare(demo, args.source, args.build, args.name, ports, timeline=timeline)
    failures = run(args.build, layout, ports, capture.resolve(), args.seconds)
    failures += run_checks(demo, layout, capture)
    if args.relaunch:
        failures += check_relaunch(demo, layout, dict((e, t) for t, e in RELAUNCH_TIMELINE))
    for failure in failures:
        print(f"FAILED: {failure}")
    print(f"run folder: {layout.demo}")
    return 1 if failures else 0


def main_api(args) -> int:
    """The web API road: the same checks as the App road's; it binds none of the App's ports."""
    args.source, args.build = args.source.resolve(), args.build.resolve()
    demo = load_demo(args.source)
    capture = args.source.parent / "shared" / demo.CAPTURE
    if not capture.is_file():
        print(f"skipped: {capture} is missing (the public data set of ../shared)")
        return 77
    layout = prepare(demo, args.source, args.build, args.name, None, road="api")
    failures = run_api(args.build, demo, layout, args.seconds)
    failures += run_checks(demo, layout, capture)
    for failure in failures:
        print(f"FAILED: {failure}")
    print(f"run folder: {layout.demo}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
