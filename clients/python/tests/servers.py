"""The real servers the tests talk to, started and stopped by them: vzed on a private socket, and the
institution simulator on a free loopback port. Readiness is told, never guessed: vzed reports
READY=1 to a notification socket as it does to systemd, the simulator prints its servlet's URL."""
from __future__ import annotations

import os
import re
import signal
import socket
import subprocess
import tempfile
from pathlib import Path
from typing import Dict, List, Optional

ROOT = Path(__file__).resolve().parents[3]
START_LIMIT = 60.0  # seconds; a sanitizer build on a busy machine starts slowly


def program(variable: str, name: str) -> str:
    """The program ctest names in ``variable``, else the dev build's."""
    path = os.environ.get(variable) or str(ROOT / "build" / "dev" / "programs" / name / name)
    if not os.access(path, os.X_OK):
        raise RuntimeError(f"{name} not found at {path}; build it or set {variable}")
    return path


class Vzed:
    """vzed on a socket in a private temporary folder."""

    def __init__(self, *, instant_actions: bool = False, extra: Optional[List[str]] = None,
                 environment: Optional[Dict[str, str]] = None, tick_interval: int = 5):
        self.folder = tempfile.TemporaryDirectory(prefix="vze-test-")
        root = Path(self.folder.name)
        (root / "run").mkdir(mode=0o700)
        self.socket = str(root / "run" / "vzed.sock")
        self.logs = root / "log"
        notify_path = str(root / "notify.sock")
        notify = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
        notify.bind(notify_path)
        args = [program("VZED", "vzed"), "--socket", self.socket, "--log-folder", str(self.logs),
                "--tick-interval", str(tick_interval), "--event-timeout", "5"]
        if instant_actions:
            args += ["--test-actions", "instant"]
        args += extra or []
        self.errors = open(root / "stderr.txt", "w+b")
        self.process = subprocess.Popen(args, env=dict(os.environ, **(environment or {}), NOTIFY_SOCKET=notify_path),
                                        stdout=subprocess.DEVNULL, stderr=self.errors)
        try:
            notify.settimeout(START_LIMIT)
            while b"READY=1" not in notify.recv(4096):
                pass
        except socket.timeout:
            self.stop()
            raise RuntimeError("vzed did not report ready")
        finally:
            notify.close()

    def stop(self) -> str:
        """Closes vzed as its owner would; what went wrong, or "" when it ended cleanly."""
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGHUP)  # the owner shutting down
            try:
                self.process.wait(timeout=START_LIMIT)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.errors.seek(0)
        errors = self.errors.read().decode(errors="replace")
        self.errors.close()
        self.folder.cleanup()
        return "" if self.process.returncode == 0 else f"vzed ended with {self.process.returncode}:\n{errors}"


class InstitutionSimulator:
    """institution-sim with generated dictations, serving the North Clinic (login jdoe/secret,
    location 3) and the information servlet that finds it by name."""

    LOGIN, PASSWORD, LOCATION, LOCATION_NAME = "jdoe", "secret", 3, "North Clinic"

    def __init__(self, *, dictations: int = 3, seconds: int = 1, extra: Optional[List[str]] = None):
        self.folder = tempfile.TemporaryDirectory(prefix="vze-institution-")
        self.data = Path(self.folder.name)
        args = [program("INSTITUTION_SIM", "institution-sim"), "--data", str(self.data), "--dictations", str(dictations),
                "--seconds", str(seconds)] + (extra or [])
        self.process = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        self.servlet_url = ""
        self.information_url = ""
        assert self.process.stdout is not None
        for line in self.process.stdout:
            information = re.match(r"^  information servlet: (\S+)", line)
            if information:
                self.information_url = information.group(1)
            found = re.match(r"^  North Clinic: (\S+)", line)
            if found:
                self.servlet_url = found.group(1)
                break
        if not self.servlet_url:
            self.stop()
            raise RuntimeError("institution-sim did not start")

    def uploads(self) -> List[str]:
        folder = self.data / "north" / "uploads"
        return sorted(str(path.relative_to(folder)) for path in folder.rglob("*") if path.is_file()) if folder.exists() else []

    def stop(self) -> None:
        if self.process.poll() is None:
            self.process.terminate()
            self.process.wait(timeout=START_LIMIT)
        if self.process.stdout:
            self.process.stdout.close()
        self.folder.cleanup()
