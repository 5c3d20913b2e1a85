"""`pip install clients/python` into a fresh virtual environment, without reaching a package index,
then the README's example downloads the work queue from the institution simulator through vzed."""
from __future__ import annotations

import os
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

from servers import ROOT, InstitutionSimulator, Vzed

PACKAGE = ROOT / "clients" / "python"
# Debian's wheels of setuptools and wheel (python3-setuptools-whl, python3-wheel-whl): the build
# backend pip sets up for the package, here without a download. Debian's setuptools wheel is made
# for Debian's Python, which therefore makes the environment.
WHEELS = "/usr/share/python-wheels"
PYTHON = "/usr/bin/python3"


def run(args, **kwargs) -> str:
    done = subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, **kwargs)
    if done.returncode != 0:
        sys.exit(f"FAIL: {' '.join(map(str, args))} ended with {done.returncode}:\n{done.stdout}")
    return done.stdout


def main() -> None:
    example = (PACKAGE / "examples" / "download_work_queue.py").read_text()
    if example.strip() not in (ROOT / "README.md").read_text():
        sys.exit("FAIL: README.md does not show examples/download_work_queue.py as it is")
    with tempfile.TemporaryDirectory(prefix="vze-install-") as folder:
        work = Path(folder)
        source = work / "python"  # a copy: the build leaves its files beside the sources
        shutil.copytree(PACKAGE, source, ignore=shutil.ignore_patterns("build", "*.egg-info", "__pycache__"))
        run([PYTHON, "-m", "venv", str(work / "venv")])
        environment = {key: value for key, value in os.environ.items() if not key.startswith("PIP_")}
        run([str(work / "venv" / "bin" / "pip"), "install", "--no-index", "--find-links", WHEELS, str(source)],
            env=environment)
        institution = InstitutionSimulator(dictations=3, seconds=1)
        vzed = Vzed()
        try:
            downloads = work / "Downloads"
            downloads.mkdir()
            output = run([str(work / "venv" / "bin" / "python"), str(source / "examples" / "download_work_queue.py"),
                          vzed.socket, institution.servlet_url, str(downloads)], cwd=work)
        finally:
            problem = vzed.stop()
            institution.stop()
        lines = output.splitlines()
        if len(lines) != 3 or not all(line.endswith(" Downloaded for Standard Transcription") for line in lines):
            sys.exit(f"FAIL: the example printed:\n{output}")
        if problem:
            sys.exit(f"FAIL: {problem}")
        print(output, end="")
        print("installed with pip into a fresh virtual environment; the example downloaded the work queue")


if __name__ == "__main__":
    main()
