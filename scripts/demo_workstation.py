"""One editor's workstation as the demo drives it: its own vzed, its folder (the application folder,
with Downloads/ and Logs/), its machine ID, and the records of its dictations, kept on disk in
their configuration files (Downloads/Local_<id>.cfg) as the editor keeps them."""
from __future__ import annotations

import os
import sys
from dataclasses import dataclass, field
from typing import Any, Dict, List, Mapping, Optional, Sequence

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "clients", "python", "src"))
import vze  # noqa: E402

REQUEST_TIMEOUT = 120.0  # seconds a request may take before the demo gives up on it


@dataclass
class Outcome:
    """What one request did: the actions vzed ran for it (with the institution information it
    inserts before a request for a location it does not know yet), what it left behind, the bytes
    its servlet calls moved, and the events and message boxes it raised meanwhile."""

    result: vze.RequestResult
    actions: List[str]
    bytes_received: int
    bytes_sent: int
    events: List[str] = field(default_factory=list)
    boxes: List[str] = field(default_factory=list)


class Workstation:
    """An editor at one workstation, logged in as `login` with `realm` to the location `location`."""

    def __init__(self, socket_path: str, folder: str, *, machine_id: str, login: str, password: str, realm: str,
                 location: str):
        self.name = machine_id
        self.folder = folder
        self.downloads = os.path.join(folder, "Downloads")
        self.login = login
        self.realm = realm
        self.location = location
        os.makedirs(self.downloads, exist_ok=True)
        os.makedirs(os.path.join(folder, "Logs"), exist_ok=True)
        self._events: List[str] = []
        self._boxes: List[str] = []
        self._progress: Dict[str, List[vze.Progress]] = {}

        self.session = vze.connect(socket_path, timeout=60)
        try:
            self._set_up(password, machine_id)
        except BaseException:
            self.session.close()
            raise

    def _set_up(self, password: str, machine_id: str) -> None:
        folder = self.folder
        self.server = self.session.server()
        self.server.LogFilePath = os.path.join(folder, "Logs", "Server.log")
        self.server.GlobalLogFile = os.path.join(folder, "Logs", "Global.log")
        self.server.AppPath = folder
        self.server.TraceLevel = 2
        for event in ("LoginStatus", "NewLogin", "CommunicationsWarning"):
            self.session.on(self.server, event, lambda *args, event=event: self._events.append(": ".join([event, *map(str, args)])))
        self.session.on_message_box(self._show_box)
        self.session.on_progress(self._take_progress)

        # The connection every request of this workstation uses. The institution's servlet,
        # institution and location IDs are left to the login, which finds them by the location's
        # name through the realm's information servlet.
        self.connection = self.server.DatabaseRequests.ConnectionInfo
        self.connection.Transcriptionist, self.connection.Password = self.login, password
        self.connection.Realm, self.connection.MachineID = self.realm, machine_id
        self.connection.DownloadPath = self.downloads

    def close(self) -> None:
        self.session.close()

    # Requests.

    def request(self, kind: int, actions: Sequence[int], *, parameters: Optional[Mapping[int, Mapping[str, Any]]] = None,
                dictations: Sequence[int] = ()) -> Outcome:
        """Runs one request of the request kind `kind` (its CompletionAction) and waits for its
        end: `actions` in order, each action of `parameters` with its parameter set, on the records
        of `dictations`. At the end, inside DatabaseRequestComplete, the records are written back to
        their configuration files."""
        spec = self.server.NewRequestSpec()
        spec.Location = self.location
        spec.WorkQueue = self._work_queue()
        spec.Actions = [int(action) for action in actions]
        spec.CompletionAction = kind
        for action, values in (parameters or {}).items():
            vze.add_parameter_set(spec, action, values)
        if dictations:
            spec.Utterances = self.records(dictations)

        results: List[vze.RequestResult] = []

        def keep_records(request: vze.ObjectProxy) -> None:
            result = vze.RequestResult.read(request)
            for dictation in result.dictations:
                if dictation.config_file:
                    dictation.record.WriteObjectToConfigFile(dictation.config_file)
            results.append(result)

        del self._events[:], self._boxes[:]
        submission = self.session.submit(spec, on_complete=keep_records)
        try:
            submission.wait(timeout=REQUEST_TIMEOUT)
        except TimeoutError:
            raise TimeoutError(f"request {submission.id} did not end within {REQUEST_TIMEOUT:.0f} s") from None
        progress = self._progress.pop(submission.id, [])
        return Outcome(results[0], [step.action_name for step in progress if step.step == "action"],
                       *_bytes_moved(progress), list(self._events), list(self._boxes))

    def _work_queue(self) -> vze.ObjectProxy:
        work_queue = self.server.NewWorkQueue()
        work_queue.RetrieveLocation = self.connection.CurrentLocationID
        work_queue.DatabaseURL = self.connection.CurrentDatabaseURL
        work_queue.DownloadPath, work_queue.Transcriptionist, work_queue.MachineID = self.downloads, self.login, self.name
        return work_queue

    # The editor's records and documents.

    def config_file(self, utterance_id: int) -> str:
        return os.path.join(self.downloads, f"Local_{utterance_id}.cfg")

    def file(self, utterance_id: int, extension: str) -> str:
        """A file of the dictation in the download folder: ".wav", ".rtf", ..."""
        return os.path.join(self.downloads, f"Local_{utterance_id}{extension}")

    def app_file(self, name: str) -> str:
        """A file of the application folder: the search lists, the contact list, ..."""
        return os.path.join(self.folder, name)

    def records(self, utterance_ids: Sequence[int]) -> vze.ObjectProxy:
        """The dictations' records, each read from its configuration file, as a collection."""
        for utterance_id in utterance_ids:
            self._require_record(utterance_id)
        return vze.load_records(self.server, [self.config_file(utterance_id) for utterance_id in utterance_ids])

    def record(self, utterance_id: int) -> vze.ObjectProxy:
        """The dictation's record; what failed in an earlier request is tried afresh, its errors
        cleared in the record's file too, where a check-in reads it."""
        self._require_record(utterance_id)
        return vze.load_record(self.server, self.config_file(utterance_id))

    def _require_record(self, utterance_id: int) -> None:
        config_file = self.config_file(utterance_id)
        if not os.path.isfile(config_file):
            raise FileNotFoundError(f"no record of dictation {utterance_id}: {config_file} is missing")

    def write_transcription(self, utterance_id: int, text: str) -> str:
        """The transcriptionist's document, as the word processor saves it beside the audio."""
        path = self.file(utterance_id, ".rtf")
        with open(path, "w", encoding="ascii", newline="") as document:
            document.write("{\\rtf1\\ansi " + text + "\\par}\r\n")
        return path

    def add_pending_note(self, utterance_id: int, text: str) -> str:
        """Adds a pending note to the dictation's record (an item of type 2, free text); the
        record's whole note as it now reads."""
        record = self.record(utterance_id)
        record.AddPendingNoteItem(2, text)
        record.WriteObjectToConfigFile(self.config_file(utterance_id))
        return str(self.record(utterance_id).CurrentPendingNote)

    # What vzed sends meanwhile.

    def _show_box(self, text: str, title: str, style: int) -> int:
        self._boxes.append(f"{title}: {text}" if title else text)
        return vze.OK

    def _take_progress(self, progress: vze.Progress) -> None:
        self._progress.setdefault(progress.request, []).append(progress)


def _bytes_moved(progress: Sequence[vze.Progress]) -> List[int]:
    """The bytes received and sent by a request's servlet calls: each action counts its own."""
    last: Dict[Any, vze.Progress] = {}
    for step in progress:
        last[step.action_number, step.action] = step
    return [sum(step.bytes_received for step in last.values()), sum(step.bytes_sent for step in last.values())]
