"""The demo's day end to end, against the simulator and the two vzeds the demo starts (with a quick
pump and short audio): every step runs and says what came back, and a step the institution fails
says why and ends the day."""
from __future__ import annotations

import io
import re
import tempfile
import unittest
from typing import List, Sequence, Tuple

import demo_client
from demo_servers import DemoServers

# The day, in its order.
STEPS = ["log in", "speakers, work types", "search lists", "contacts", "templates", "dictionaries", "options", "work queue",
         "check out", "download", "transcribe", "upload", "check in", "check in, pending", "work queue again", "QA score",
         "locked list", "check out another", "second workstation", "its check-out refused", "unlock"]


def run_day(faults: Sequence[str] = ()) -> Tuple[int, str, List[str], List[str]]:
    """The demo's exit status, its output, what went wrong with its servers, what the institution received."""
    with DemoServers(seconds=2, tick_interval=5, faults=faults) as servers, tempfile.TemporaryDirectory(prefix="vze-demo-") as folder:
        out = io.StringIO()
        code = demo_client.run_day(*servers.sockets, folder, out=out)
        uploads = servers.institution.uploads()
    return code, out.getvalue(), servers.problems, uploads


def step_lines(output: str) -> List[str]:
    return [line for line in output.splitlines() if re.match(r"^[ \d]\d ", line)]


class EditorsDayTest(unittest.TestCase):
    def test_every_step_of_the_day_runs_and_says_what_came_back(self) -> None:
        code, output, problems, uploads = run_day()
        self.assertEqual(code, 0, output)
        self.assertEqual(problems, [])
        lines = step_lines(output)
        self.assertEqual([line[3:25].strip() for line in lines], STEPS, output)
        self.assertNotIn("FAILED", output)
        expected = {
            "log in": "North Clinic is institution 12, location 3; jdoe logged in",
            "contacts": "20 contacts as of",
            "download": "1001, 1002 Downloaded and Checked out for Standard Transcription",
            "check in, pending": "1002 checked in with its pending note: status code 5",
            "work queue again": "1001 gone, 1002 back with its note",
            "its check-out refused": 'refused: "Utterance 1003 is checked out to jdoe at workstation WS-1"',
            "unlock": "1003 Ready for Transcription; nothing locked to WS-1",
        }
        for title, text in expected.items():
            with self.subTest(title):
                self.assertIn(text, lines[STEPS.index(title)])
        self.assertIn("[Downloads/Local_1001.rtf +2", lines[STEPS.index("transcribe")])  # the files a step wrote
        self.assertEqual(uploads, ["1001/Local_1001.cfg", "1001/Local_1001.rtf", "1002/Local_1002.cfg", "1002/Local_1002.rtf"])

    def test_a_step_the_institution_fails_says_why_and_ends_the_day(self) -> None:
        code, output, problems, _ = run_day(faults=["sourcecontrol:status=409:message=Lock service down"])
        self.assertEqual(code, 1, output)
        lines = step_lines(output)
        self.assertEqual(len(lines), STEPS.index("check out") + 1, output)
        self.assertIn("FAILED: 1001: Lock service down", lines[-1])
        self.assertIn(f"demo: the day stopped at step 9 (check out) of {len(STEPS)}: 1001: Lock service down", output)
        self.assertEqual(problems, [])


if __name__ == "__main__":
    unittest.main()
