"""Where a demo runs: `free_ports`, the App road's ports a run takes for its own, and `Layout`,
the demo folder's layout (working folder, settings, simulated installation, world, logs)."""
import socket
from pathlib import Path
from typing import NamedTuple

import demo_scene as scene


class AppPorts(NamedTuple):
    """The program's TCP port for the App (PORT_NUMBER) and the App's UDP ports
    (SKYLOOM_APP_UDP_PORTS)."""
    tcp: int
    traffic: int
    weather: int

    def udp_variable(self) -> str:
        return f"{self.traffic},{self.weather}"


def free_ports() -> AppPorts:
    """Ports that no process holds this moment, chosen by the system: a demo or an end-to-end
    run takes its own, so that several run side by side on one machine and no App stand-in
    reaches another run's program."""
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as tcp, \
            socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as traffic, \
            socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as weather:
        for s in (tcp, traffic, weather):
            s.bind(("0.0.0.0", 0))
        return AppPorts(*(s.getsockname()[1] for s in (tcp, traffic, weather)))


class Layout:
    """Where everything of the demo lies."""

    def __init__(self, demo: Path):
        self.demo = demo
        self.workdir = demo / "skyloom"
        self.appdata = demo / "appdata"
        self.localappdata = demo / "localappdata"
        self.packages = demo / "msfs-packages"
        self.world = demo / "world" / f"{scene.AIRPORT}.world.json"
        self.airport_file = demo / "world" / f"{scene.AIRPORT}.airport.json"
        self.logs = demo / "logs"
        self.captures = demo / "captures"
        self.rtapi_recordings = demo / "rtapi-recordings"
        # The download-area stand-in's folder: the maker's area, where stock airport files lie.
        self.area = demo / "download-area"
        # The simulator stand-in's AI report (docs/simworld.md, aiObjects.reportFile).
        self.ai_report = self.logs / "ai_objects.txt"
        # Its trace of every AI object's positions (aiObjects.traceFile).
        self.trace = demo / "world" / "trace.txt"
        self.picture = self.captures / f"{scene.AIRPORT}-traffic.png"
