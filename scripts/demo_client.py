#!/usr/bin/env python3
"""An editor's day at an institution, driven through vzed with the Python client (clients/python):
log in, the reference data (speakers and work types, search lists, contacts, templates,
dictionaries, options), the work queue, check-out, download, transcription, upload, check-in (one
with a pending note), a QA score, the locked list, and a second workstation that meets the first
one's lock. One line per step as it ends, a summary at the end; exit status 1 when a step fails.

    demo_client.py FIRST_SOCKET SECOND_SOCKET FOLDER

Each socket is a vzed of its own, one per workstation, started with the realm's information
servlets (VZ_INFORMATION_SERVLETS_DEV): the login finds the institution by the location's name.
The workstations keep their files in FOLDER/WS-1 and FOLDER/WS-2.
"""
from __future__ import annotations

import argparse
import array
import math
import os
import sys
import wave
import xml.etree.ElementTree as ElementTree
from typing import Callable, List, Optional, Sequence, TextIO, Tuple

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from demo_steps import Day, Report, Step, StepFailed, listing, parse_xml, read_xml, require  # noqa: E402
from demo_workstation import Outcome, Workstation, vze  # noqa: E402

Action = vze.Action

# The editor's request kinds (a request's CompletionAction): they name each request in vzed's logs,
# and a login's kind lets its ping mark the server logged in.
WORK_QUEUE, DOWNLOAD, SOURCE_CONTROL, UPLOAD_AND_CHECK_IN, LOGIN, UNLOCK, LOCKED_LIST = 1, 2, 3, 5, 8, 10, 14
CONTACTS, SEND_OPTIONS, INITIALIZATION_LISTS, PUSH_TEMPLATES, QA_SCORE = 20, 32, 33, 35, 47

# Dictation status texts the day expects, for dictations of standard transcription.
READY = "Ready for Transcription"
CHECKED_OUT = "Checked out for Standard Transcription"
DOWNLOADED_AND_CHECKED_OUT = "Downloaded and Checked out for Standard Transcription"
# Status codes: an upload leaves 3, a check-in 5.
UPLOADED, CHECKED_IN = 3, 5

PENDING_NOTE = "Patient name unclear at 00:12"
OPTIONS = '<Options><AutoSave minutes="5"/><Playback speed="90"/></Options>'
QA_SCORE_GIVEN = 92
NORMALISED_PEAK_DBFS = -1.0  # vzed normalises a download's loudest sample to -1 dBFS


class EditorsDay:
    """The day's steps, in order. The first workstation does the day's work; the second logs in
    while the first holds a dictation and is refused it."""

    def __init__(self, first: Workstation, second: Workstation):
        self.first = first
        self.second = second
        self.mine: List[int] = []  # the two dictations the first workstation transcribes
        self.contested = 0  # the one the second workstation asks for while the first holds it
        self.outcomes: List[Outcome] = []  # the current step's requests
        self.requests = 0
        self.received = 0
        self.sent = 0

    def steps(self) -> List[Step]:
        return [(title, self._telling_what_was_asked(step)) for title, step in [
            ("log in", self.log_in),
            ("speakers, work types", self.speakers_and_work_types),
            ("search lists", self.search_lists),
            ("contacts", self.contacts),
            ("templates", self.templates),
            ("dictionaries", self.dictionaries),
            ("options", self.options),
            ("work queue", self.work_queue),
            ("check out", self.check_out),
            ("download", self.download),
            ("transcribe", self.transcribe),
            ("upload", self.upload),
            ("check in", self.check_in),
            ("check in, pending", self.check_in_pending),
            ("work queue again", self.work_queue_again),
            ("QA score", self.qa_score),
            ("locked list", self.locked_list),
            ("check out another", self.check_out_another),
            ("second workstation", self.second_workstation),
            ("its check-out refused", self.second_check_out_refused),
            ("unlock", self.unlock),
        ]]

    def _telling_what_was_asked(self, step: Callable[[], Report]) -> Callable[[], Report]:
        """The step, whose failure names the actions it had asked for."""
        def run_step() -> Report:
            self.outcomes = []
            try:
                return step()
            except StepFailed as failed:
                raise StepFailed(str(failed), asked(*self.outcomes)) from None
            except Exception as error:  # vzed's answer (vze.AutomationError), its silence: the text says
                raise StepFailed(f"{type(error).__name__}: {error}", asked(*self.outcomes)) from None
        return run_step

    # The steps.

    def log_in(self) -> Report:
        outcome, logged_in = self.log_in_at(self.first)
        connection = self.first.connection
        return Report(asked(outcome), f"{connection.CurrentLocation} is institution {connection.InstitutionID}, location "
                                      f"{connection.CurrentLocationID}; {logged_in}")

    def log_in_at(self, workstation: Workstation) -> Tuple[Outcome, str]:
        """The ping and the secure login, after the institution's information that vzed fetches
        first; the request and "jdoe logged in, certificate ...". """
        outcome = self.run(workstation, LOGIN, [Action.DBR_PINGSERVLET, Action.DBR_SECURELOGIN],
                           parameters={Action.DBR_SECURELOGIN: {}})
        login = self.answer(outcome, Action.DBR_SECURELOGIN).find("Login")
        require(login is not None, "the secure login's answer holds no Login")
        require(workstation.server.LoggedIn, "vzed does not count the workstation logged in after the ping")
        require(workstation.connection.CurrentDatabaseURL, f"the institution's information named no servlet for {workstation.location}")
        return outcome, f"{login.get('login')} logged in, certificate {login.get('certificate')}"

    def speakers_and_work_types(self) -> Report:
        institution = {"institutionID": self.first.connection.InstitutionID}
        outcome = self.run(self.first, INITIALIZATION_LISTS, [Action.DBR_GETSPEAKERS, Action.DBR_GETWORKTYPES],
                           parameters={Action.DBR_GETSPEAKERS: institution, Action.DBR_GETWORKTYPES: institution})
        speakers = [element.text or "" for element in self.answer(outcome, Action.DBR_GETSPEAKERS).findall("Speaker")]
        work_types = [element.text or "" for element in self.answer(outcome, Action.DBR_GETWORKTYPES).findall("WorkType")]
        require(speakers and work_types, f"{len(speakers)} speakers and {len(work_types)} work types came back")
        return Report(asked(outcome), f"{len(speakers)} speakers ({listing(speakers, 1)}), {len(work_types)} work types "
                                      f"({listing(work_types, 1)})")

    def search_lists(self) -> Report:
        outcome = self.run(self.first, INITIALIZATION_LISTS, [Action.DBR_GETLISTSCOMPRESSED],
                           parameters={Action.DBR_GETLISTSCOMPRESSED: {}})
        lists = read_xml(self.first.app_file(f"SearchLists_{self.institution_and_location()}.xml")).findall("SearchList")
        require(lists, "the search lists hold no SearchList")
        return Report(asked(outcome), f"{len(lists)} lists unpacked from a ZIP ({listing([element.get('name', '') for element in lists], 2)})")

    def contacts(self) -> Report:
        outcome = self.run(self.first, CONTACTS, [Action.DBR_GETCONTACTSFILE, Action.DBR_GETCONTACTCHANGES],
                           parameters={Action.DBR_GETCONTACTSFILE: {"VersionID": "1", "doCompress": "0"},
                                       Action.DBR_GETCONTACTCHANGES: {"VersionID": "1", "doCompress": "1"}})
        names = f"{self.institution_and_location()}_{self.first.realm}"
        contacts = read_xml(self.first.app_file(f"ContactList_{names}.xml")).findall("Contact")
        changes = read_xml(self.first.app_file(f"ContactDeltas_{names}.xml")).findall("Contact")
        stamp_file = self.first.app_file(f"ContactList_{names}.ts")
        require(os.path.isfile(stamp_file), f"the contact list's time stamp {os.path.basename(stamp_file)} was not kept")
        with open(stamp_file, encoding="utf-8", errors="replace") as file:
            stamp = file.readline().strip()
        require(contacts, "the contact list holds no Contact")
        require("NewLogin" in outcome.events, "vzed raised no NewLogin before fetching the whole contact list")
        return Report(asked(outcome), f"{len(contacts)} contacts as of {stamp}, {len(changes)} changed since; NewLogin")

    def templates(self) -> Report:
        outcome = self.run(self.first, PUSH_TEMPLATES,
                           [Action.DBR_GETTEMPLATEDOWNLOADTIME, Action.DBR_GETTEMPLATEDOCLIST, Action.DBR_GETTEMPLATEDOCS],
                           parameters={Action.DBR_GETTEMPLATEDOWNLOADTIME: {}, Action.DBR_GETTEMPLATEDOCLIST: {"lastModifiedDate": ""},
                                       Action.DBR_GETTEMPLATEDOCS: {}})
        changed = outcome.result.parameter_set(Action.DBR_GETTEMPLATEDOWNLOADTIME).responses
        require(changed, "the template download time came back empty")
        names = [element.get("Filename", "") for element in self.answer(outcome, Action.DBR_GETTEMPLATEDOCLIST).findall("Template")]
        require(names, "the template list names no template")
        self.require_downloaded(names)
        return Report(asked(outcome), f"{len(names)} templates as of {changed[0]} ({listing(names, 1)})")

    def dictionaries(self) -> Report:
        outcome = self.run(self.first, INITIALIZATION_LISTS, [Action.DBR_GETDICTIONARIESLIST, Action.DBR_DOWNLOADDICTIONARY],
                           parameters={Action.DBR_GETDICTIONARIESLIST: {"lastModifiedFlagPath": "", "lastModifiedDate": ""},
                                       Action.DBR_DOWNLOADDICTIONARY: {}})
        names = list(outcome.result.parameter_set(Action.DBR_DOWNLOADDICTIONARY).generic_request.DictionaryFiles or [])
        require(names, "the dictionary list named no dictionary")
        self.require_downloaded(names)
        return Report(asked(outcome), f"{len(names)} dictionaries ({listing(names)})")

    def options(self) -> Report:
        outcome = self.run(self.first, SEND_OPTIONS, [Action.DBR_SENDOPTIONS, Action.DBR_GETOPTIONS],
                           parameters={Action.DBR_SENDOPTIONS: {"optionsXML": OPTIONS}, Action.DBR_GETOPTIONS: {}})
        kept = self.answer(outcome, Action.DBR_GETOPTIONS).find("Options")
        require(kept is not None and ElementTree.tostring(kept) == ElementTree.tostring(ElementTree.fromstring(OPTIONS)),
                "the options read back are not those saved")
        return Report(asked(outcome), f"saved and read back ({', '.join(child.tag for child in kept)})")

    def work_queue(self) -> Report:
        outcome = self.run(self.first, WORK_QUEUE, [Action.DBR_GETWORKQUEUE])
        dictations = outcome.result.dictations
        require(len(dictations) >= 3, f"the work queue holds {len(dictations)} dictations; the day needs 3")
        not_ready = [f"{dictation.utterance_id} ({dictation.status})" for dictation in dictations if dictation.status != READY]
        require(not not_ready, f"not {READY}: {', '.join(not_ready)}")
        self.require_records(self.first, [dictation.utterance_id for dictation in dictations])
        self.mine = [dictations[0].utterance_id, dictations[1].utterance_id]
        self.contested = dictations[2].utterance_id
        return Report(asked(outcome), f"{len(dictations)} dictations, all {READY} ({listing([describe(d.record) for d in dictations], 1)})")

    def check_out(self) -> Report:
        outcome = self.run(self.first, SOURCE_CONTROL, [Action.DBR_CHECKOUT], dictations=self.mine)
        self.require_status(outcome, self.mine, CHECKED_OUT)
        return Report(asked(outcome), f"{ids(self.mine)} {CHECKED_OUT}")

    def download(self) -> Report:
        outcome = self.run(self.first, DOWNLOAD, [Action.DBR_DOWNLOAD], dictations=self.mine)
        self.require_status(outcome, self.mine, DOWNLOADED_AND_CHECKED_OUT)
        audio = sorted({self.normalised_audio(outcome.result.dictation(utterance_id)) for utterance_id in self.mine})
        return Report(asked(outcome), f"{ids(self.mine)} {DOWNLOADED_AND_CHECKED_OUT}; {size_in_kib(outcome.bytes_received)} "
                                      f"of audio, normalised: {', '.join(audio)}")

    def transcribe(self) -> Report:
        for utterance_id in self.mine:
            self.first.write_transcription(utterance_id, f"Dictation {utterance_id}, transcribed in the demo.")
        note = self.first.add_pending_note(self.mine[1], PENDING_NOTE)
        require(PENDING_NOTE in note, f"the record of {self.mine[1]} reads the pending note {note!r}")
        return Report("", f"documents for {ids(self.mine)}; a pending note on {self.mine[1]}: \"{PENDING_NOTE}\"")

    def upload(self) -> Report:
        outcomes = []
        for utterance_id in self.mine:
            outcome = self.run(self.first, UPLOAD_AND_CHECK_IN, [Action.DBR_UPLOAD],
                               parameters={Action.DBR_UPLOAD: {"UploadFlags": "0"}}, dictations=[utterance_id])
            code = outcome.result.dictation(utterance_id).status_code
            require(code == UPLOADED, f"{utterance_id} has status code {code} after its upload, not {UPLOADED}")
            document = os.path.getsize(self.first.file(utterance_id, ".rtf"))
            require(outcome.bytes_sent > document, f"{utterance_id}: {outcome.bytes_sent} bytes sent, less than its document")
            outcomes.append(outcome)
        sent = sum(outcome.bytes_sent for outcome in outcomes)
        return Report(asked(*outcomes), f"{ids(self.mine)} with their records, {size_in_kib(sent)} sent; status code {UPLOADED}")

    def check_in(self) -> Report:
        outcome = self.run(self.first, SOURCE_CONTROL, [Action.DBR_CHECKIN], dictations=self.mine[:1])
        self.require_status_code(outcome, self.mine[0], CHECKED_IN)
        return Report(asked(outcome), f"{self.mine[0]} checked in: status code {CHECKED_IN}")

    def check_in_pending(self) -> Report:
        # The same action: a record with a pending note is checked in with it.
        outcome = self.run(self.first, SOURCE_CONTROL, [Action.DBR_CHECKIN], dictations=self.mine[1:])
        self.require_status_code(outcome, self.mine[1], CHECKED_IN)
        return Report(asked(outcome), f"{self.mine[1]} checked in with its pending note: status code {CHECKED_IN}")

    def work_queue_again(self) -> Report:
        outcome = self.run(self.first, WORK_QUEUE, [Action.DBR_GETWORKQUEUE])
        queued = [dictation.utterance_id for dictation in outcome.result.dictations]
        done, pending = self.mine
        require(done not in queued, f"{done} is still in the work queue after its check-in")
        require(pending in queued, f"{pending} left the work queue although checked in pending")
        note = outcome.result.dictation(pending).record.GetProperty("problemNote")
        require(note == PENDING_NOTE, f"{pending} is back without its note (problemNote {note!r})")
        return Report(asked(outcome), f"{len(queued)} dictations: {done} gone, {pending} back with its note")

    def qa_score(self) -> Report:
        scored = self.mine[0]
        outcome = self.run(self.first, QA_SCORE, [Action.DBR_QASCORE, Action.DBR_GETAVERAGEQAGRADE],
                           parameters={Action.DBR_QASCORE: {"transcriptionistLogin": self.first.login, "utteranceID": scored,
                                                            "reviewScore": QA_SCORE_GIVEN, "reviewNote": "Clean transcription"},
                                       Action.DBR_GETAVERAGEQAGRADE: {"ParmString": f"&transcriptionistLogin={self.first.login}"
                                                                                    f"&utteranceID={scored}"}})
        average = self.answer(outcome, Action.DBR_GETAVERAGEQAGRADE).find("AverageGrade")
        require(average is not None and average.get("reviews") == "1" and float(average.text or "nan") == QA_SCORE_GIVEN,
                f"the average grade of {scored} does not show its one score of {QA_SCORE_GIVEN}")
        return Report(asked(outcome), f"{scored} scored {QA_SCORE_GIVEN}: average {average.text} over 1 review")

    def locked_list(self) -> Report:
        outcome = self.run(self.first, LOCKED_LIST, [Action.DBR_GETLOCKEDLIST], parameters={Action.DBR_GETLOCKEDLIST: {}})
        self.require_nothing_locked(outcome, self.first)
        return Report(asked(outcome), f"nothing locked to {self.first.name}")

    def check_out_another(self) -> Report:
        outcome = self.run(self.first, SOURCE_CONTROL, [Action.DBR_CHECKOUT], dictations=[self.contested])
        self.require_status(outcome, [self.contested], CHECKED_OUT)
        return Report(asked(outcome), f"{self.contested} {CHECKED_OUT} at {self.first.name}")

    def second_workstation(self) -> Report:
        login, logged_in = self.log_in_at(self.second)
        outcome = self.run(self.second, WORK_QUEUE, [Action.DBR_GETWORKQUEUE])
        queued = [dictation.utterance_id for dictation in outcome.result.dictations]
        require(self.contested in queued, f"{self.contested} is not in the second workstation's work queue")
        self.require_records(self.second, [self.contested])
        return Report(asked(login, outcome), f"{self.second.name}: {logged_in}; {len(queued)} dictations in its queue")

    def second_check_out_refused(self) -> Report:
        outcome = self.run(self.second, SOURCE_CONTROL, [Action.DBR_CHECKOUT], dictations=[self.contested], refusal=True)
        dictation = outcome.result.dictation(self.contested)
        require(dictation.error, f"{self.second.name} was given {self.contested} while {self.first.name} holds it")
        holder = f"checked out to {self.first.login} at workstation {self.first.name}"
        require(holder in dictation.reason, f"{self.second.name}'s check-out failed for another reason: {dictation.reason}")
        require(dictation.status == READY, f"{self.contested} reads {dictation.status!r} on {self.second.name} although refused")
        return Report(asked(outcome), f"refused: \"{dictation.reason}\"; still {READY}")

    def unlock(self) -> Report:
        outcome = self.run(self.first, UNLOCK, [Action.DBR_UNLOCK, Action.DBR_GETLOCKEDLIST],
                           parameters={Action.DBR_GETLOCKEDLIST: {}}, dictations=[self.contested])
        self.require_status(outcome, [self.contested], READY)
        self.require_nothing_locked(outcome, self.first)
        return Report(asked(outcome), f"{self.contested} {READY}; nothing locked to {self.first.name}")

    # How the steps ask and check.

    def run(self, workstation: Workstation, kind: int, actions: Sequence[int], *, refusal: bool = False, **request) -> Outcome:
        """One request of the workstation. It must end without a problem (no request error, no
        dictation or parameter set refused, no message box), unless a dictation's refusal is the
        point (`refusal`): then only the request itself must not fail."""
        outcome = workstation.request(kind, actions, **request)
        self.outcomes.append(outcome)
        self.requests += 1
        self.received += outcome.bytes_received
        self.sent += outcome.bytes_sent
        if not refusal:
            problems = outcome.result.problems()
        else:
            problems = [f"request {outcome.result.id}: {outcome.result.error}"] if outcome.result.error else []
        problems += [f"message box {box}" for box in outcome.boxes]
        require(not problems, "; ".join(problems))
        return outcome

    def answer(self, outcome: Outcome, action: int) -> ElementTree.Element:
        """The action's XML answer, from its parameter set."""
        responses = outcome.result.parameter_set(action).responses
        require(responses, f"{vze.action_name(action)} came back without an answer")
        return parse_xml(responses[0], f"the answer to {vze.action_name(action)}")

    def institution_and_location(self) -> str:
        return f"{self.first.connection.InstitutionID}_{self.first.connection.CurrentLocationID}"

    def require_downloaded(self, names: Sequence[str]) -> None:
        missing = [name for name in names if not os.path.isfile(os.path.join(self.first.folder, "Downloads", name))]
        require(not missing, f"not in Downloads: {', '.join(missing)}")

    @staticmethod
    def require_records(workstation: Workstation, utterance_ids: Sequence[int]) -> None:
        missing = [str(utterance_id) for utterance_id in utterance_ids if not os.path.isfile(workstation.config_file(utterance_id))]
        require(not missing, f"no configuration file for {', '.join(missing)}")

    @staticmethod
    def require_status(outcome: Outcome, utterance_ids: Sequence[int], expected: str) -> None:
        wrong = [f"{utterance_id} reads {outcome.result.dictation(utterance_id).status!r}" for utterance_id in utterance_ids
                 if outcome.result.dictation(utterance_id).status != expected]
        require(not wrong, f"expected {expected!r}: {'; '.join(wrong)}")

    @staticmethod
    def require_status_code(outcome: Outcome, utterance_id: int, expected: int) -> None:
        code = outcome.result.dictation(utterance_id).status_code
        require(code == expected, f"{utterance_id} has status code {code}, not {expected}")

    def require_nothing_locked(self, outcome: Outcome, workstation: Workstation) -> None:
        locked = [row.findtext("utteranceID", "?") for row in self.answer(outcome, Action.DBR_GETLOCKEDLIST).findall("Row")]
        require(not locked, f"still locked to {workstation.name}: {', '.join(locked)}")

    def normalised_audio(self, dictation: vze.DictationResult) -> str:
        """Checks the dictation's WAV, made from its SPHERE download: as long as the dictation, and
        normalised; "20.0 s at 8000 Hz, peak -1.0 dBFS"."""
        path = self.first.file(dictation.utterance_id, ".wav")
        require(os.path.isfile(path), f"{os.path.basename(path)} was not written")
        try:
            with wave.open(path, "rb") as audio:
                rate, frames, width = audio.getframerate(), audio.getnframes(), audio.getsampwidth()
                samples = array.array("h", audio.readframes(frames))
        except (wave.Error, EOFError) as error:
            raise StepFailed(f"{os.path.basename(path)} is not a WAV file: {error}") from None
        require(width == 2 and frames > 0, f"{os.path.basename(path)} holds {frames} frames of {8 * width}-bit samples")
        seconds = frames / rate
        expected = duration_seconds(str(dictation.record.Duration))
        require(expected is None or abs(seconds - expected) <= 1, f"{os.path.basename(path)} lasts {seconds:.1f} s, "
                                                                  f"the dictation {expected} s")
        peak = max(abs(sample) for sample in samples)
        peak_dbfs = 20 * math.log10(peak / 32767) if peak else -math.inf
        require(abs(peak_dbfs - NORMALISED_PEAK_DBFS) < 0.1, f"{os.path.basename(path)} peaks at {peak_dbfs:.1f} dBFS, "
                                                              f"not normalised to {NORMALISED_PEAK_DBFS} dBFS")
        return f"{seconds:.0f} s WAV at {rate} Hz peaking at {peak_dbfs:.1f} dBFS"


def asked(*outcomes: Outcome) -> str:
    """The actions vzed ran, without their common prefix: "CHECKOUT", or "UPLOAD x2" for two
    requests alike."""
    names = [" + ".join(action.replace("DBR_", "", 1) for action in outcome.actions) for outcome in outcomes]
    if len(names) > 1 and len(set(names)) == 1:
        return f"{names[0]} x{len(names)}"
    return ", ".join(names)


def ids(utterance_ids: Sequence[int]) -> str:
    return ", ".join(map(str, utterance_ids))


def describe(record: vze.ObjectProxy) -> str:
    """"1001 Consultation by Dr. Alex Example, 20 s"."""
    return f"{record.UtteranceID} {record.Worktype} by {record.SpeakerName}, {duration_seconds(str(record.Duration))} s"


def duration_seconds(text: str) -> Optional[int]:
    """Seconds of a duration as the records give it ("20", "00:20", "1:02:03"); None for another text."""
    try:
        seconds = 0
        for part in text.split(":"):
            seconds = seconds * 60 + int(part)
        return seconds
    except ValueError:
        return None


def size_in_kib(size: int) -> str:
    return f"{size / 1024:.1f} KiB"


def run_day(first_socket: str, second_socket: str, folder: str, *, out: TextIO = sys.stdout, login: str = "jdoe",
            password: str = "secret", realm: str = "Dev", location: str = "North Clinic") -> int:
    """Runs the day; 0 when every step went well, 1 otherwise."""
    workstations: List[Workstation] = []
    day = Day([os.path.join(folder, "WS-1"), os.path.join(folder, "WS-2")], out)
    try:
        for socket_path, machine_id in ((first_socket, "WS-1"), (second_socket, "WS-2")):
            try:
                workstations.append(Workstation(socket_path, os.path.join(folder, machine_id), machine_id=machine_id, login=login,
                                                password=password, realm=realm, location=location))
            except (OSError, vze.AutomationError) as error:
                out.write(f"demo: cannot set up workstation {machine_id}: {error}\n")
                return 1
        editors_day = EditorsDay(*workstations)
        went_well = day.run(editors_day.steps())
        traffic = f"{editors_day.requests} request{'' if editors_day.requests == 1 else 's'} through two vzeds, {size_in_kib(editors_day.received)} received, " \
                  f"{size_in_kib(editors_day.sent)} sent"
        day.summary(traffic, [story(editors_day) if went_well else f"demo: {day.failure}"])
        return 0 if went_well else 1
    finally:
        for workstation in workstations:
            workstation.close()


def story(day: EditorsDay) -> str:
    done, pending = day.mine
    return (f"{done} transcribed and checked in; {pending} transcribed and checked in pending (\"{PENDING_NOTE}\"); "
            f"{day.contested} refused to {day.second.name} while {day.first.name} held it, then unlocked.")


def main(argv: Sequence[str]) -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("first_socket", help="the first workstation's vzed")
    parser.add_argument("second_socket", help="the second workstation's vzed")
    parser.add_argument("folder", help="where the workstations keep their files")
    parser.add_argument("--login", default="jdoe")
    parser.add_argument("--password", default="secret")
    parser.add_argument("--realm", default="Dev", help="the login realm: chooses vzed's information servlets")
    parser.add_argument("--location", default="North Clinic", help="the location to log in to, by name")
    arguments = parser.parse_args(argv)
    return run_day(arguments.first_socket, arguments.second_socket, arguments.folder, login=arguments.login,
                   password=arguments.password, realm=arguments.realm, location=arguments.location)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
