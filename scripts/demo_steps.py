"""Runs the demo's steps one after the other. Each step is timed and prints one line as it ends:
what was asked, what came back, how long it took and the files it wrote. The first step that
fails prints why, and the day ends there."""
from __future__ import annotations

import os
import time
import xml.etree.ElementTree as ElementTree
from dataclasses import dataclass
from typing import Callable, Dict, List, Sequence, TextIO, Tuple


class StepFailed(Exception):
    """A step's outcome is not what the day needs; the text says why, `asked` what the step had asked."""

    def __init__(self, reason: str, asked: str = ""):
        super().__init__(reason)
        self.asked = asked


def require(condition: object, reason: str) -> None:
    if not condition:
        raise StepFailed(reason)


def parse_xml(text: str, what: str) -> ElementTree.Element:
    try:
        return ElementTree.fromstring(text)
    except ElementTree.ParseError as error:
        raise StepFailed(f"{what} is not XML ({error}): {text[:80]!r}") from None


def read_xml(path: str) -> ElementTree.Element:
    require(os.path.isfile(path), f"{os.path.basename(path)} was not written")
    with open(path, "rb") as file:
        return parse_xml(file.read().decode("utf-8", "replace"), os.path.basename(path))


@dataclass
class Report:
    """What a step asked (empty for a step that only works on the editor's files) and what came back."""

    asked: str
    answer: str


Step = Tuple[str, Callable[[], Report]]
Snapshot = Dict[str, Tuple[int, int]]


class Day:
    """Runs steps and tells how they went, watching the files of the workstations' folders (their
    logs aside)."""

    def __init__(self, folders: Sequence[str], out: TextIO):
        self.folders = list(folders)
        self.out = out
        self.started = time.monotonic()
        self.done = 0
        self.failure = ""
        self.files_written: Dict[str, int] = {}

    def run(self, steps: Sequence[Step]) -> bool:
        """Runs the steps in order until one fails; True when all of them went well."""
        for number, (title, step) in enumerate(steps, 1):
            before = self._snapshot()
            started = time.monotonic()
            try:
                report = step()
            except StepFailed as failed:
                reason, asked = str(failed), failed.asked
            except Exception as error:  # vzed's answer (vze.AutomationError), its silence, a file: the text says
                reason, asked = f"{type(error).__name__}: {error}", ""
            else:
                written = self._written_since(before)
                self._print(number, title, time.monotonic() - started, report.asked, report.answer, written)
                self.done += 1
                continue
            self._print(number, title, time.monotonic() - started, asked, "FAILED: " + reason, {})
            self.failure = f"the day stopped at step {number} ({title}) of {len(steps)}: {reason}"
            return False
        return True

    def summary(self, traffic: str, lines: Sequence[str]) -> None:
        """The day's end: the steps done and their time, `traffic`, the files written, then `lines`."""
        total = sum(self.files_written.values())
        self.out.write(f"The day: {self.done} steps in {time.monotonic() - self.started:.1f} s, {traffic}, "
                       f"{len(self.files_written)} files written ({size_text(total)}).\n")
        for line in lines:
            self.out.write(line + "\n")
        self.out.flush()

    def _print(self, number: int, title: str, seconds: float, asked: str, answer: str, written: Dict[str, int]) -> None:
        line = f"{number:2} {title:<21} {seconds:5.2f} s  " + (f"{asked}: " if asked else "") + answer
        if written:
            line += f"  [{files_text(self._relative(written))}]"
        self.out.write(line + "\n")
        self.out.flush()

    def _relative(self, files: Dict[str, int]) -> Dict[str, int]:
        """The files by their path inside their workstation's folder."""
        relative = {}
        for path, size in files.items():
            folder = next((folder for folder in self.folders if path.startswith(folder + os.sep)), os.path.dirname(path))
            relative[os.path.relpath(path, folder)] = size
        return relative

    def _snapshot(self) -> Snapshot:
        files: Snapshot = {}
        for folder in self.folders:
            for root, directories, names in os.walk(folder):
                directories[:] = [name for name in directories if name != "Logs"]
                for name in names:
                    path = os.path.join(root, name)
                    try:
                        status = os.stat(path)
                    except FileNotFoundError:
                        continue
                    files[path] = (status.st_mtime_ns, status.st_size)
        return files

    def _written_since(self, before: Snapshot) -> Dict[str, int]:
        written = {path: state[1] for path, state in self._snapshot().items() if before.get(path) != state}
        self.files_written.update(written)
        return written


def files_text(files: Dict[str, int]) -> str:
    """"Logins/Dev/jdoe/3.cfg 14 B", "a.xml, a.zip 1.8 KiB", or "Downloads/Local_1001.cfg +4 6.2 KiB"."""
    names = sorted(files)
    listed = ", ".join(names) if len(names) <= 2 else f"{names[0]} +{len(names) - 1}"
    return f"{listed} {size_text(sum(files.values()))}"


def size_text(size: int) -> str:
    if size < 1024:
        return f"{size} B"
    return f"{size / 1024:.1f} KiB" if size < 1024 * 1024 else f"{size / (1024 * 1024):.1f} MiB"


def listing(items: List[str], shown: int = 3) -> str:
    """"a, b, c" or "a, b, c, +2"."""
    return ", ".join(items[:shown]) + (f", +{len(items) - shown}" if len(items) > shown else "")
