#!/usr/bin/env python3
"""The demo's servers, and the demo itself: the institution simulator on a free loopback port and
one vzed per workstation on a private socket, started as the Python client's tests start them
(clients/python/tests/servers.py: each says when it is ready, nothing is guessed), then the
editor's day (demo_client.py) against them. Everything lives in temporary folders, stopped and
removed at the end; the exit status is the day's, or 1 when a vzed did not end cleanly."""
from __future__ import annotations

import os
import sys
import tempfile
from typing import List, Sequence

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [HERE, os.path.join(HERE, "..", "clients", "python", "tests")]
import demo_client  # noqa: E402
from servers import InstitutionSimulator, Vzed  # noqa: E402


class DemoServers:
    """The simulator (`dictations` of `seconds` of audio each, faults as institution-sim's --fault
    takes them) and two vzeds that find it through the information servlets of the realm "Dev"."""

    def __init__(self, *, dictations: int = 5, seconds: int = 20, tick_interval: int = 50, faults: Sequence[str] = ()):
        self.dictations = dictations
        self.seconds = seconds
        self.tick_interval = tick_interval
        self.faults = list(faults)
        self.institution: InstitutionSimulator
        self.workstations: List[Vzed] = []
        self.problems: List[str] = []

    def __enter__(self) -> "DemoServers":
        extra = [argument for fault in self.faults for argument in ("--fault", fault)]
        self.institution = InstitutionSimulator(dictations=self.dictations, seconds=self.seconds, extra=extra)
        try:
            for _ in range(2):
                self.workstations.append(Vzed(tick_interval=self.tick_interval,
                                              environment={"VZ_INFORMATION_SERVLETS_DEV": self.institution.information_url}))
        except BaseException:
            self.__exit__()
            raise
        return self

    def __exit__(self, *exc: object) -> None:
        for vzed in self.workstations:
            problem = vzed.stop()
            if problem:
                self.problems.append(problem)
        self.workstations = []
        self.institution.stop()

    @property
    def sockets(self) -> List[str]:
        return [vzed.socket for vzed in self.workstations]


def main() -> int:
    with DemoServers() as servers, tempfile.TemporaryDirectory(prefix="vze-demo-") as folder:
        print(f"institution simulator: North Clinic at {servers.institution.servlet_url}")
        print("an editor's day at North Clinic, with two workstations (WS-1, WS-2), each with its own vzed:")
        code = demo_client.run_day(*servers.sockets, folder)
        print(f"received by the institution: {' '.join(servers.institution.uploads()) or 'nothing'}")
    for problem in servers.problems:
        print(f"demo: {problem}", file=sys.stderr)
    return 1 if servers.problems else code


if __name__ == "__main__":
    sys.exit(main())
