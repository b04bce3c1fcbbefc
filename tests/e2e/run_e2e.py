#!/usr/bin/env python3
"""The whole program end to end: Skyloom as its own process against the simulator stand-in
world and the RealTraffic App stand-in replaying the KLAX capture, prepared as scripts/demo.py
prepares the demo (into <build>/e2e/<name>/, with its own runtime folder for the single-instance
lock, and on free ports of its own, so that runs go side by side). The checks read the
stand-in's AI report and trace and the program's log.

    tests/e2e/run_e2e.py --source ROOT --build BUILD [--seconds 150] [--name klax_capture]

Exit code 0: every check held; 1: a check failed; 77: the public data of ../shared is missing.
"""
import argparse
import json
import os
import signal
import subprocess
import sys
import time
from pathlib import Path

from e2e_checks import run_checks

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


def load_demo(source: Path):
    sys.path.insert(0, str(source / "scripts"))
    import demo  # pylint: disable=import-outside-toplevel
    return demo


def prepare(demo, source: Path, build: Path, name: str, ports):
    shared = source.parent / "shared"
    layout = demo.Layout((build / "e2e" / name).resolve())
    demo.prepare(argparse.Namespace(shared=str(shared.resolve()), build=str(build.resolve()),
                                    demo=str(layout.demo), road="app", app_port=ports.tcp))
    world = json.loads(layout.world.read_text(encoding="utf-8"))
    world["aiObjects"]["traceEverySeconds"] = TRACE_EVERY_S
    layout.world.write_text(json.dumps(world, indent=1) + "\n", encoding="utf-8")
    return layout


def program_environment(layout, ports) -> dict:
    runtime = layout.demo / "run"
    runtime.mkdir(mode=0o700)
    env = dict(os.environ, SKYLOOM_WORKDIR=str(layout.workdir), SKYLOOM_APPDATA=str(layout.appdata),
               SKYLOOM_LOCALAPPDATA=str(layout.localappdata), SKYLOOM_SIMWORLD=str(layout.world),
               SKYLOOM_APP_UDP_PORTS=ports.udp_variable(), XDG_RUNTIME_DIR=str(runtime))
    env.pop("SKYLOOM_DOWNLOAD_BASE", None)
    env.pop("DISPLAY", None)
    return env


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
    try:
        code = subprocess.run([str(program), "--headless"], cwd=layout.workdir, env=env,
                              capture_output=True, timeout=SECOND_INSTANCE_WAIT_S,
                              check=False).returncode
    except subprocess.TimeoutExpired:
        code = f"none: still running after {SECOND_INSTANCE_WAIT_S} s"
    print(f"second instance: exit code {code}, the first {'running' if first.poll() is None else 'ended'}")
    failures = []
    if code != SECOND_INSTANCE_EXIT_CODE:
        failures.append(f"second instance: exit code {code}, expected {SECOND_INSTANCE_EXIT_CODE}")
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
    env = program_environment(layout, ports)
    program = build / "skyloom"
    first = start([str(program), "--headless"], layout.logs / "skyloom.txt", cwd=layout.workdir,
                  env=env)
    app_out = layout.logs / "rtapp_standin.txt"
    # The first burst as the App's buffered traffic spares the program its wait for it.
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
        end = time.monotonic() + seconds
        while time.monotonic() < end and first.poll() is None:
            time.sleep(1)
        if first.poll() is not None:
            failures.append(f"the program ended by itself (code {first.returncode})")
        elif not stop(first, SHUTDOWN_WAIT_S):
            failures.append(f"the program did not end within {SHUTDOWN_WAIT_S} s of SIGTERM")
        print(f"the program ended after {time.monotonic() - started:.0f} s", flush=True)
    finally:
        stop(first, 0)
        stop(standin, 5)
    return failures


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--source", required=True, type=Path)
    parser.add_argument("--build", required=True, type=Path)
    parser.add_argument("--seconds", type=float, default=150, help="replay this long")
    parser.add_argument("--name", default="klax_capture", help="the run's folder in <build>/e2e")
    args = parser.parse_args()
    args.source, args.build = args.source.resolve(), args.build.resolve()
    demo = load_demo(args.source)
    capture = args.source.parent / "shared" / demo.CAPTURE
    if not capture.is_file():
        print(f"skipped: {capture} is missing (the public data set of ../shared)")
        return 77
    # Ports of this run's own: it runs beside a demo and beside other runs of itself.
    ports = demo.free_ports()
    print(f"App ports: TCP {ports.tcp}, UDP traffic {ports.traffic}, weather {ports.weather}")
    layout = prepare(demo, args.source, args.build, args.name, ports)
    failures = run(args.build, layout, ports, capture.resolve(), args.seconds)
    failures += run_checks(demo, layout, capture)
    for failure in failures:
        print(f"FAILED: {failure}")
    print(f"run folder: {layout.demo}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
