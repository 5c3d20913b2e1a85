#!/usr/bin/env python3
"""A soak: vzed against the institution simulator for a bounded time, with random faults on every
call kind, a mixed stream of requests from every action family, several clients, and vzed killed
(SIGKILL) and restarted at random moments. Run it through scripts/soak.sh, which builds the
programs first.

Two workstations, each a vzed with its own folder and two clients (threads, each with its own
connection, sharing the vzed's server object as an editor's processes do):

- "steady": never killed; its resident memory is sampled throughout.
- "crashing": SIGKILLed at random moments and started again on the same socket; its clients
  reconnect to the new process. Requests that were in it when it died are lost with it.

The simulator is restarted every minute or two with a fresh random set of faults (every call
kind gets one, armed after a random number of calls), and stays down a few seconds each time.

At the end it checks and prints:
- every request submitted to a vzed that lived until it ended got exactly one
  DatabaseRequestComplete, on every connection advised at the time;
- no dictation was reported downloaded without its ".pcm" and ".wav" (checked as each request
  ends, and again on every record on disk at the end);
- no dictation was reported uploaded or checked in more often than the simulator did it (its
  verbose log: commits and check-ins it answered 200, answers replayed for a repeated
  Idempotency-Key not counted again); among the faults are refusals whose text echoes a
  "documentVersion=" and answers lost after the call was done;
- every configuration file (".cfg") parses, as XML and through ReadConfigFileToObject;
- no temporary file is left by a vzed that ended or still runs (those of killed vzeds, which the
  next write in their folder removes, are counted apart; so are the parts of cut downloads, kept
  for the next download of their version);
- the steady vzed's resident memory of its own (anonymous pages, not the program's and libraries'
  mapped files) at the end is within 10% of where it settled: a minute in, and once every family
  of requests has run on it;
- both vzeds end cleanly when their owner closes them;
- a stopped observer (a `vze watch` on the steady vzed, SIGSTOPped now and then for a while) slows
  no request: vzed never waits for a listener.
The exit status is 1 when a check fails.
"""
from __future__ import annotations

import argparse
import os
import random
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time
import traceback
import xml.etree.ElementTree as ElementTree
from collections import Counter
from dataclasses import dataclass, field
from pathlib import Path
from typing import Any, Callable, Dict, List, Optional, Sequence, Tuple

ROOT = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT / "clients" / "python" / "src"))
import vze  # noqa: E402

Action = vze.Action

START_LIMIT = 60.0  # seconds a sanitizer build may take to start on a busy machine
REQUEST_LIMIT = 240.0  # seconds a request may take before it counts as never completed
LOGIN, PASSWORD, LOCATION, INSTITUTION, LOCATION_NAME = "jdoe", "secret", 3, "12", "North Clinic"
# Below this share of requests ending without an error the soak exercised little but error paths.
WENT_WELL_LEAST = 0.25
RSS_GROWTH_LIMIT = 0.10
# Requests submitted while the observer is stopped may take this much longer (median) than the
# others: half of vzed's event timeout (10 s), which an observer waited for would add to each.
OBSERVER_SLOWDOWN_LIMIT = 5.0

# The simulator's call kinds, and the faults that mean something for each besides the common ones.
CALL_KINDS = (
    "ping info login workqueue download text upload commit sourcecontrol lockedlist lists templatetime "
    "templatelist dictionaries headers compressedlists contacts contactchanges patientsearch hl7search "
    "onlinesearch dictationsearch templatefiles dictionaryfiles dictationupdate updatefield updatedictfields "
    "split link create gateway getoptions sendoptions release metrics appfeatures dictationinfo permissions "
    "qascore removereview numreviews gradecriteria averagegrade rdrtranscriptionists rdrreviewers prcriteria "
    "qagupload qagdownload pendingreasons").split()
EXTRA_FAULTS = {"download": ["checksum", "digest"], "text": ["digest"], "compressedlists": ["digest"],
                "contacts": ["digest"], "contactchanges": ["digest"], "templatefiles": ["digest"],
                "dictionaryfiles": ["digest"], "qagdownload": ["digest"], "commit": ["lose", "refusal"],
                "sourcecontrol": ["lose", "refusal"], "updatefield": ["lose"], "dictationupdate": ["lose"],
                "updatedictfields": ["lose"], "split": ["lose"], "create": ["lose"], "qagupload": ["lose"]}
# A refusal echoing the call's parameters, a document version among them.
REFUSAL = "status=409{settings}:message=Refused utteranceID=1001&documentVersion=0x&isAddendum=False"
# The simulator's log line of a commit or source-control call it did (not one it answered again).
HELD = re.compile(r"request=(0104|0105) user=\S+ utteranceID=(\d+)(?: operation=(\d+))? -> 200(?! \(replayed\))")

TEMPORARY_NAME = re.compile(r"^\..+~vz(\d+)-[A-Za-z0-9]{6}")
RESUMABLE_PART = re.compile(r"^\..+~vzresume-[A-Za-z0-9]+-[0-9a-f]{64}\.part$")


def program(variable: str, name: str) -> str:
    path = os.environ.get(variable) or str(ROOT / "build" / "dev" / "programs" / name / name)
    if not os.access(path, os.X_OK):
        raise SystemExit(f"soak: {name} not found at {path}; build it or set {variable}")
    return path


def log(text: str) -> None:
    print(time.strftime("%H:%M:%S ") + text, flush=True)


# The servers.

class Simulator:
    """institution-sim on one loopback port for the whole soak, started again with new faults."""

    def __init__(self, folder: Path, rng: random.Random, dictations: int, seconds: int):
        self.data = folder / "institution"
        self.data.mkdir()
        self.log_file = open(folder / "institution-sim.log", "ab")
        self.rng = rng
        self.dictations = dictations
        self.seconds = seconds
        self.port = 0
        self.servlet_url = ""
        self.information_url = ""
        self.process: Optional[subprocess.Popen] = None
        self.starts = 0
        self.faults_armed = 0
        self.held: Counter = Counter()  # ("upload" or "check-in", utterance ID): times done
        self.drains: List[threading.Thread] = []

    def random_faults(self) -> List[str]:
        faults = []
        for kind in CALL_KINDS:
            fault = self.rng.choice(["delay", "drop", "status", "credentials", *EXTRA_FAULTS.get(kind, [])])
            if fault == "delay":
                fault = f"delay={self.rng.randint(200, 4000)}"
            elif fault == "status":
                fault = f"status={self.rng.choice([404, 500, 502, 503])}"
            settings = f":after={self.rng.randint(0, 12)}:times={self.rng.randint(1, 8)}"
            faults.append(f"{kind}:{REFUSAL.format(settings=settings)}" if fault == "refusal" else f"{kind}:{fault}{settings}")
        return faults

    def start(self) -> None:
        faults = self.random_faults()
        self.faults_armed += len(faults)
        args = [program("INSTITUTION_SIM", "institution-sim"), "--data", str(self.data), "--dictations",
                str(self.dictations), "--seconds", str(self.seconds), "--port", str(self.port), "--verbose"]
        args += [argument for fault in faults for argument in ("--fault", fault)]
        for attempt in range(20):  # the port may linger for a moment after a stop
            process = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
            assert process.stdout is not None
            for raw in process.stdout:
                self.log_file.write(raw)
                line = raw.decode(errors="replace")
                information = re.match(r"^  information servlet: (\S+)", line)
                if information:
                    self.information_url = information.group(1)
                found = re.match(r"^  North Clinic: (\S+)", line)
                if found:
                    self.servlet_url = found.group(1)
                    self.port = int(re.search(r":(\d+)/", self.servlet_url).group(1))  # type: ignore[union-attr]
                    break
            else:
                process.wait()
                time.sleep(0.5)
                continue
            self.process = process
            self.starts += 1
            drain = threading.Thread(target=self._drain, args=(process,), daemon=True)
            drain.start()
            self.drains.append(drain)
            return
        raise RuntimeError("institution-sim did not start (see institution-sim.log)")

    def _drain(self, process: subprocess.Popen) -> None:
        assert process.stdout is not None
        for raw in process.stdout:
            self.log_file.write(raw)
            held = HELD.search(raw.decode(errors="replace"))
            if held and (held.group(1) == "0104" or held.group(3) in ("2", "4", "9")):
                self.held["upload" if held.group(1) == "0104" else "check-in", int(held.group(2))] += 1

    def stop(self) -> Optional[int]:
        if self.process is None:
            return None
        self.process.terminate()
        code = self.process.wait(timeout=START_LIMIT)
        self.process = None
        for drain in self.drains:
            drain.join(10)
        return code


class Vzed:
    """One vzed process on a socket, ready when it says so (READY=1 on the notification socket)."""

    def __init__(self, socket_path: str, log_folder: Path, stderr_path: Path, environment: Dict[str, str]):
        notify_path = str(log_folder.parent / f"notify-{os.getpid()}-{time.monotonic_ns()}.sock")
        notify = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
        notify.bind(notify_path)
        self.errors = open(stderr_path, "ab")
        args = [program("VZED", "vzed"), "--socket", socket_path, "--log-folder", str(log_folder),
                "--tick-interval", "50", "--event-timeout", "10"]
        self.process = subprocess.Popen(args, env=dict(os.environ, **environment, NOTIFY_SOCKET=notify_path),
                                        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=self.errors)
        self.pid = self.process.pid
        try:
            notify.settimeout(START_LIMIT)
            while b"READY=1" not in notify.recv(4096):
                pass
        except socket.timeout:
            self.process.kill()
            self.process.wait()
            raise RuntimeError("vzed did not report ready") from None
        finally:
            notify.close()
            os.unlink(notify_path)

    def rss_kib(self) -> Optional[int]:
        """Resident memory vzed allocated itself (heap and anonymous maps). Pages of the program and
        its libraries mapped from files are left out: they come as code paths are first run (the
        first TLS login brings in more of libcrypto) and are not vzed's to keep or lose."""
        try:
            with open(f"/proc/{self.pid}/status") as status:
                for line in status:
                    if line.startswith("RssAnon:"):
                        return int(line.split()[1])
        except OSError:
            return None
        return None

    def kill(self) -> None:
        self.process.kill()
        self.process.wait()

    def close(self) -> int:
        """Closes vzed as its owner does (SIGHUP); its exit status."""
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGHUP)
            try:
                self.process.wait(timeout=START_LIMIT)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
                return -9
        return self.process.returncode


# The ledger: what was submitted, what came back.

@dataclass
class Submitted:
    workstation: str
    incarnation: int
    client: str
    request_id: str
    family: str
    at: float
    completed: bool = False
    lost_with_vzed: bool = False
    error: str = ""
    actions: Sequence[int] = ()
    took: float = 0.0


@dataclass
class Ledger:
    lock: threading.Lock = field(default_factory=threading.Lock)
    submitted: List[Submitted] = field(default_factory=list)
    problems: List[str] = field(default_factory=list)
    families: Counter = field(default_factory=Counter)
    errors: Counter = field(default_factory=Counter)
    partial: Counter = field(default_factory=Counter)  # a dictation's or parameter set's error in a request that ended well
    downloads_checked: int = 0
    reported: Counter = field(default_factory=Counter)  # ("upload" or "check-in", utterance ID): times reported done
    first_completed: Dict[str, Dict[str, float]] = field(default_factory=dict)  # workstation: family: when
    all_families_ran: Dict[str, float] = field(default_factory=dict)  # workstation: when its last family first ran

    def problem(self, text: str) -> None:
        with self.lock:
            self.problems.append(text)
        log("PROBLEM: " + text)


class Workstation:
    """A vzed (restarted after each kill when `crashing`), its folder, its incarnations."""

    def __init__(self, name: str, folder: Path, simulator: Simulator, crashing: bool):
        self.name = name
        self.folder = folder
        self.downloads = folder / "Downloads"
        self.downloads.mkdir(parents=True)
        (folder / "Logs").mkdir()
        self.run_folder = folder / "run"
        self.run_folder.mkdir(mode=0o700)
        self.socket = str(self.run_folder / "vzed.sock")
        self.simulator = simulator
        self.crashing = crashing
        self.lock = threading.Condition()
        self.incarnation = 0
        self.vzed: Optional[Vzed] = None
        self.killed_pids: List[int] = []
        self.live_pids: List[int] = []
        self.kills = 0
        self.utterances: List[int] = []  # the dictations the last work queue listed

    def start(self) -> None:
        environment = {"VZ_INFORMATION_SERVLETS_DEV": self.simulator.information_url}
        vzed = Vzed(self.socket, self.folder / "vzed-log", self.folder / "vzed-stderr.txt", environment)
        with self.lock:
            self.vzed = vzed
            self.incarnation += 1
            self.live_pids.append(vzed.pid)
            self.lock.notify_all()

    def kill_and_restart(self) -> None:
        with self.lock:
            vzed = self.vzed
            self.vzed = None
        assert vzed is not None
        vzed.kill()
        self.kills += 1
        self.killed_pids.append(vzed.pid)
        self.live_pids.remove(vzed.pid)
        self.start()

    def current(self, timeout: float) -> Tuple[int, "Vzed"]:
        """The running vzed and its incarnation, waiting while it is being restarted."""
        with self.lock:
            if not self.lock.wait_for(lambda: self.vzed is not None, timeout):
                raise TimeoutError(f"{self.name}: no vzed for {timeout} s")
            assert self.vzed is not None
            return self.incarnation, self.vzed

    def alive_since(self, incarnation: int) -> bool:
        with self.lock:
            return self.incarnation == incarnation and self.vzed is not None


# The requests: every action family, each kind of request with the parameter sets it needs.

WORK_QUEUE, DOWNLOAD, SOURCE_CONTROL, UPLOAD_AND_CHECK_IN, LOGIN_KIND, UNLOCK, LOCKED_LIST = 1, 2, 3, 5, 8, 10, 14
CONTACTS, SEND_OPTIONS, INITIALIZATION_LISTS, PUSH_TEMPLATES, QA_SCORE = 20, 32, 33, 35, 47


@dataclass
class Plan:
    kind: int
    actions: Sequence[int]
    parameters: Sequence[Tuple[int, Dict[str, str]]] = ()
    dictations: Sequence[int] = ()


# The actions that work on the request's dictations alone; every other action reads its values
# from a parameter set, given empty where the plan names none.
WITHOUT_PARAMETER_SET = {Action.DBR_PINGSERVLET, Action.DBR_GETWORKQUEUE, Action.DBR_DOWNLOAD, Action.DBR_CHECKOUT,
                         Action.DBR_CHECKIN, Action.DBR_CHECKINPENDING, Action.DBR_UNLOCK, Action.DBR_GETLOCATIONINFO}


def pick(rng: random.Random, utterances: Sequence[int], most: int) -> List[int]:
    if not utterances:
        return []
    return rng.sample(list(utterances), rng.randint(1, min(most, len(utterances))))


def plans(rng: random.Random, ws: Workstation) -> Dict[str, Callable[[], Plan]]:
    some = lambda most=3: pick(rng, ws.utterances, most)  # noqa: E731
    one = lambda: str(rng.choice(ws.utterances)) if ws.utterances else "1001"  # noqa: E731
    # Two different dictations (a dictation is not linked to itself).
    two = lambda: [str(i) for i in rng.sample(ws.utterances, 2)] if len(ws.utterances) >= 2 else ["1001", "1002"]  # noqa: E731
    institution = {"institutionID": INSTITUTION}
    return {
        "login": lambda: Plan(LOGIN_KIND, [Action.DBR_PINGSERVLET, Action.DBR_SECURELOGIN], [(Action.DBR_SECURELOGIN, {})]),
        "location info": lambda: Plan(LOGIN_KIND, [Action.DBR_GETLOCATIONINFO]),
        "work queue": lambda: Plan(WORK_QUEUE, [Action.DBR_GETWORKQUEUE]),
        "work queue and download": lambda: Plan(DOWNLOAD, [Action.DBR_GETWORKQUEUE, Action.DBR_DOWNLOAD]),
        "check out and download": lambda: Plan(SOURCE_CONTROL, [Action.DBR_CHECKOUT, Action.DBR_DOWNLOAD], dictations=some()),
        "download": lambda: Plan(DOWNLOAD, [Action.DBR_DOWNLOAD], dictations=some()),
        "download text": lambda: Plan(DOWNLOAD, [Action.DBR_DOWNLOADTEXT], dictations=some()),
        # As the editor works: a check-in follows a check-out and an upload.
        "upload and check in": lambda: Plan(UPLOAD_AND_CHECK_IN, [Action.DBR_CHECKOUT, Action.DBR_UPLOAD, Action.DBR_CHECKIN],
                                            [(Action.DBR_UPLOAD, {"UploadFlags": "0"})], some(1)),
        "check in pending": lambda: Plan(SOURCE_CONTROL, [Action.DBR_CHECKOUT, Action.DBR_UPLOAD, Action.DBR_CHECKINPENDING],
                                         [(Action.DBR_UPLOAD, {"UploadFlags": "0"})], some(1)),
        "unlock": lambda: Plan(UNLOCK, [Action.DBR_UNLOCK, Action.DBR_GETLOCKEDLIST], [(Action.DBR_GETLOCKEDLIST, {})], some()),
        "locked list": lambda: Plan(LOCKED_LIST, [Action.DBR_GETLOCKEDLIST], [(Action.DBR_GETLOCKEDLIST, {})]),
        "speakers and work types": lambda: Plan(INITIALIZATION_LISTS, [Action.DBR_GETSPEAKERS, Action.DBR_GETWORKTYPES],
                                                [(Action.DBR_GETSPEAKERS, institution), (Action.DBR_GETWORKTYPES, institution)]),
        "search lists": lambda: Plan(INITIALIZATION_LISTS, [Action.DBR_GETSEARCHLISTS, Action.DBR_GETLISTSCOMPRESSED],
                                     [(Action.DBR_GETSEARCHLISTS, {}), (Action.DBR_GETLISTSCOMPRESSED, {})]),
        "contacts": lambda: Plan(CONTACTS, [Action.DBR_GETCONTACTSFILE, Action.DBR_GETCONTACTCHANGES],
                                 [(Action.DBR_GETCONTACTSFILE, {"VersionID": "1", "doCompress": rng.choice("01")}),
                                  (Action.DBR_GETCONTACTCHANGES, {"VersionID": "1", "doCompress": rng.choice("01")})]),
        "templates": lambda: Plan(PUSH_TEMPLATES, [Action.DBR_GETTEMPLATEDOWNLOADTIME, Action.DBR_GETTEMPLATEDOCLIST,
                                                   Action.DBR_GETTEMPLATEDOCS, Action.DBR_GETTEMPLATES],
                                  [(Action.DBR_GETTEMPLATEDOWNLOADTIME, {}), (Action.DBR_GETTEMPLATEDOCLIST, {"lastModifiedDate": ""}),
                                   (Action.DBR_GETTEMPLATEDOCS, {})]),
        "dictionaries": lambda: Plan(INITIALIZATION_LISTS, [Action.DBR_GETDICTIONARIESLIST, Action.DBR_DOWNLOADDICTIONARY],
                                     [(Action.DBR_GETDICTIONARIESLIST, {"lastModifiedFlagPath": "", "lastModifiedDate": ""}),
                                      (Action.DBR_DOWNLOADDICTIONARY, {})]),
        "headers": lambda: Plan(WORK_QUEUE, [Action.DBR_GETHEADER, Action.DBR_GETCHANGEDHEADER], dictations=some()),
        "searches": lambda: Plan(INITIALIZATION_LISTS, [Action.DBR_SEARCHPATIENTINFO, Action.DBR_HL7SEARCH, Action.DBR_ONLINESEARCH,
                                                        Action.DBR_DICTATIONSEARCH],
                                 [(Action.DBR_SEARCHPATIENTINFO, {"LastName": rng.choice(["Doe", "Roe", ""]), "MRN": "", "VisitCode": ""}),
                                  (Action.DBR_HL7SEARCH, {"LastName": "Roe"}),
                                  (Action.DBR_ONLINESEARCH, {"utteranceID": one(), "paramString": "field=speaker&value=Dr"}),
                                  (Action.DBR_DICTATIONSEARCH, {"searchParameters": f"utteranceID={one()}"})]),
        "options": lambda: Plan(SEND_OPTIONS, [Action.DBR_SENDOPTIONS, Action.DBR_GETOPTIONS],
                                [(Action.DBR_SENDOPTIONS, {"optionsXML": f'<Options><AutoSave minutes="{rng.randint(1, 9)}"/></Options>'}),
                                 (Action.DBR_GETOPTIONS, {})]),
        "dictation updates": lambda: Plan(WORK_QUEUE, [Action.DBR_UPDATEFIELD, Action.DBR_UPDATEDICTATION, Action.DBR_UPDATEDICTFIELDS],
                                          [(Action.DBR_UPDATEFIELD, {"utteranceID": one(), "type": "priority", "value": str(rng.randint(1, 3)),
                                                                     "PendingNote": rng.choice(["", "Check the MRN"])}),
                                           (Action.DBR_UPDATEDICTATION, {"PendingNote": "Soak note", "workType": "Consultation"}),
                                           (Action.DBR_UPDATEDICTFIELDS, {"utteranceID": one(),
                                                                          "headerData": "<headerData><priority>2</priority></headerData>"})],
                                          some(1)),
        "split, link, create": lambda: Plan(WORK_QUEUE, [Action.DBR_SPLITDICTATION, Action.DBR_LINKDICTATION, Action.DBR_CREATEDICTATION],
                                            [(Action.DBR_SPLITDICTATION, {"utteranceID": one(), "audioStart": "100", "audioEnd": "900"}),
                                             (Action.DBR_LINKDICTATION, dict(zip(("utteranceID", "parentID"), two())))],
                                            some(1)),
        "institution services": lambda: Plan(WORK_QUEUE, [Action.DBR_GATEWAYSEND, Action.DBR_GETRELEASEINFO, Action.DBR_GETMETRICS,
                                                          Action.DBR_GETAPPFEATURES, Action.DBR_GETDICTATIONINFO, Action.DBR_GETDICTPERMISSIONS,
                                                          Action.DBR_SCOPERATION5, Action.DBR_SCOPERATION7],
                                             [(Action.DBR_GATEWAYSEND, {"locationID": str(LOCATION), "utteranceID": one(), "sClientTypeID": "1",
                                                                        "sTarget": "printer", "sDoDistribute": "N"}),
                                              (Action.DBR_GETRELEASEINFO, {"application": "Penwright", "majorVersion": "5",
                                                                           "minorVersion": "2", "patchNumber": "1"}),
                                              (Action.DBR_GETMETRICS, {"startDate": "01/01/2026", "endDate": "12/31/2026"})],
                                             dictations=some(2)),
        "QA scores": lambda: Plan(QA_SCORE, [Action.DBR_QASCORE, Action.DBR_GETAVERAGEQAGRADE, Action.DBR_GETNUMREVIEWS, Action.DBR_REMOVEQAREVIEW],
                                  [(Action.DBR_QASCORE, {"transcriptionistLogin": "mtaylor", "utteranceID": one(),
                                                         "reviewScore": str(rng.randint(50, 100)), "reviewNote": "ok"}),
                                   (Action.DBR_GETAVERAGEQAGRADE, {"ParmString": "mtaylor"}), (Action.DBR_GETNUMREVIEWS, {}),
                                   (Action.DBR_REMOVEQAREVIEW, {"utteranceID": one(), "reviewStatusID": "1"})], some(1)),
        "QA reference": lambda: Plan(QA_SCORE, [Action.DBR_GETQAGRADECRITERIA, Action.DBR_GETPRCRITERIA, Action.DBR_GETRDRTRANSCRIPTIONISTS,
                                                Action.DBR_GETRDRREVIEWERS],
                                     [(Action.DBR_GETQAGRADECRITERIA, {}), (Action.DBR_GETPRCRITERIA, {})]),
        # The grading file is fetched before it is sent back, as the reviewer does.
        "QA files": lambda: Plan(QA_SCORE, [Action.DBR_DOWNLOADQAG, Action.DBR_UPLOADQAG, Action.DBR_DOWNLOADPRS], dictations=some(2)),
        "certificate": lambda: Plan(LOGIN_KIND, [Action.DBR_REQUESTCERT]),
        "unknown action": lambda: Plan(WORK_QUEUE, [rng.choice([19, 22, 52, 54])]),
    }


FAMILIES = len(plans(random.Random(0), None))  # type: ignore[arg-type]


# A client: one connection to its workstation's vzed, submitting requests one after the other.

class Client(threading.Thread):
    def __init__(self, name: str, ws: Workstation, ledger: Ledger, seed: int, stop_at: float):
        super().__init__(name=name, daemon=True)
        self.ws = ws
        self.ledger = ledger
        self.rng = random.Random(seed)
        self.stop_at = stop_at
        self.outstanding: List[Tuple[Submitted, Any]] = []
        self.seen: Counter = Counter()  # DatabaseRequestComplete per (vzed incarnation, request ID)
        self.sessions = 0
        self.session: Optional[vze.Session] = None
        self.incarnation = 0

    def run(self) -> None:
        while time.monotonic() < self.stop_at:
            try:
                self.incarnation, _ = self.ws.current(START_LIMIT)
                self._serve_one_connection()
            except Exception as error:  # the vzed died under us, or something no one expected
                if self.ws.alive_since(self.incarnation):
                    # Its open requests fail the count below; a new connection goes on.
                    self.ledger.problem(f"{self.name}: {type(error).__name__}: {error}\n{traceback.format_exc()}")
                    if self.session is not None:
                        self.session.close()
                        self.session = None
                    time.sleep(1)
            finally:
                self._settle_connection()

    def _connect(self) -> vze.Session:
        session = vze.connect(self.ws.socket, timeout=REQUEST_LIMIT)
        server = session.server()
        server.LogFilePath = str(self.ws.folder / "Logs" / "Server.log")
        server.AppPath = str(self.ws.folder)
        server.TraceLevel = self.rng.choice([1, 2, 4])
        connection = server.DatabaseRequests.ConnectionInfo
        connection.CurrentDatabaseURL = self.ws.simulator.servlet_url
        connection.Transcriptionist, connection.Password = LOGIN, PASSWORD
        connection.DownloadPath = str(self.ws.downloads)
        connection.CurrentLocationID, connection.InstitutionID = LOCATION, INSTITUTION
        connection.Realm, connection.MachineID = "Dev", self.ws.name
        session.on(server, "DatabaseRequestComplete", self._count_completion)
        session.on_message_box(lambda text, title, style: vze.OK)
        return session

    def _count_completion(self, request: Any, received: Any) -> None:
        self.seen[self.incarnation, str(request.ID)] += 1

    def _serve_one_connection(self) -> None:
        self.session = self._connect()
        self.sessions += 1
        families = plans(self.rng, self.ws)
        names = list(families)
        while time.monotonic() < self.stop_at:
            family = self.rng.choice(names)
            self._submit(family, families[family]())
            self.session.serve(self.rng.uniform(0.0, 0.5))  # the editor thinks, still answering vzed

    def _submit(self, family: str, plan: Plan) -> None:
        assert self.session is not None
        server = self.session.server()
        spec = server.NewRequestSpec()
        work_queue = server.NewWorkQueue()
        work_queue.RetrieveLocation, work_queue.DownloadPath = LOCATION, str(self.ws.downloads)
        work_queue.DatabaseURL, work_queue.Transcriptionist, work_queue.MachineID = self.ws.simulator.servlet_url, LOGIN, self.ws.name
        spec.WorkQueue = work_queue
        spec.Actions = [int(action) for action in plan.actions]
        spec.CompletionAction = plan.kind
        spec.Location = LOCATION_NAME  # as the editor names it; vzed keeps its information cached
        given = {action for action, _ in plan.parameters}
        for action, values in plan.parameters:
            vze.add_parameter_set(spec, action, values)
        for action in plan.actions:
            if action not in given and action not in WITHOUT_PARAMETER_SET:
                vze.add_parameter_set(spec, action, {})
        if plan.dictations:
            collection = server.NewUtteranceCollection()
            for utterance_id in plan.dictations:
                config_file = self.ws.downloads / f"Local_{utterance_id}.cfg"
                try:
                    record = vze.load_record(server, str(config_file))  # errors cleared in the file too
                except vze.AutomationError:
                    record = server.NewUtteranceObject()
                    record.UtteranceID = utterance_id
                if Action.DBR_UPLOAD in plan.actions:
                    (self.ws.downloads / f"Local_{utterance_id}.rtf").write_text("{\\rtf1\\ansi Soak.\\par}\r\n")
                collection.AddCompleteObject(record, str(config_file))
            spec.Utterances = collection
        entry = Submitted(self.ws.name, self.incarnation, self.name, "", family, time.monotonic(), actions=tuple(plan.actions))
        submission = self.session.submit(spec, on_complete=lambda request: self._completed(entry, request))
        entry.request_id = submission.id
        with self.ledger.lock:
            self.ledger.submitted.append(entry)
            self.ledger.families[family] += 1
        self.outstanding.append((entry, submission))
        try:
            submission.wait(timeout=REQUEST_LIMIT)
        except TimeoutError:
            return  # counted at the end, when it still has not come
        self.outstanding.remove((entry, submission))

    def _completed(self, entry: Submitted, request: Any) -> None:
        entry.completed = True
        entry.took = time.monotonic() - entry.at
        with self.ledger.lock:
            first = self.ledger.first_completed.setdefault(self.ws.name, {})
            if entry.family not in first:
                first[entry.family] = time.monotonic()
                if len(first) == FAMILIES:
                    self.ledger.all_families_ran[self.ws.name] = time.monotonic()
        result = vze.RequestResult.read(request)
        entry.error = result.error
        with self.ledger.lock:
            self.ledger.errors[first_words(result.error) if result.error else "no error"] += 1
            if not result.error:
                for problem in result.problems():
                    self.ledger.partial[first_words(problem.split(": ", 1)[-1])] += 1
                for done in (dictation for dictation in result.dictations if not dictation.error):
                    if Action.DBR_UPLOAD in entry.actions:
                        self.ledger.reported["upload", done.utterance_id] += 1
                    if {Action.DBR_CHECKIN, Action.DBR_CHECKINPENDING} & set(entry.actions) and done.status_code == 5:
                        self.ledger.reported["check-in", done.utterance_id] += 1
        for dictation in result.dictations:
            if dictation.config_file:
                try:
                    dictation.record.WriteObjectToConfigFile(dictation.config_file)
                except vze.AutomationError as error:
                    self.ledger.problem(f"{self.ws.name}: record {dictation.utterance_id} not written: {error}")
            if "Downloaded" in dictation.status:
                self._require_audio(dictation.utterance_id, f"request {entry.request_id} ({entry.family})")
        if entry.family.startswith("work queue"):
            self.ws.utterances = [dictation.utterance_id for dictation in result.dictations] or self.ws.utterances

    def _require_audio(self, utterance_id: int, where: str) -> None:
        with self.ledger.lock:
            self.ledger.downloads_checked += 1
        missing = [extension for extension in (".pcm", ".wav")
                   if not (self.ws.downloads / f"Local_{utterance_id}{extension}").is_file()]
        if missing:
            self.ledger.problem(f"{self.ws.name}: {where} reports {utterance_id} downloaded without its {' and '.join(missing)}")

    def _settle_connection(self) -> None:
        """After the connection ended: the requests still open were lost with their vzed, or never completed."""
        for entry, _ in self.outstanding:
            if not self.ws.alive_since(entry.incarnation):
                entry.lost_with_vzed = True
        self.outstanding = [(entry, submission) for entry, submission in self.outstanding if not entry.lost_with_vzed]
        if self.session is not None and not self.ws.alive_since(self.incarnation):
            self.session.close()
            self.session = None

    def drain(self, until: float) -> None:
        """Answers vzed until every open request of a live vzed has completed, or `until`."""
        if self.session is None:
            return
        try:
            while any(not entry.completed for entry, _ in self.outstanding) and time.monotonic() < until:
                self.session.serve(0.5)
            self.session.serve(1.0)  # a completion raised twice would come now
        except Exception:
            if self.ws.alive_since(self.incarnation):
                raise
        for entry, _ in self.outstanding:
            if not self.ws.alive_since(entry.incarnation):
                entry.lost_with_vzed = True


class Observer:
    """`vze watch` on a vzed, as someone watching it would run it, stopped (SIGSTOP) now and then."""

    def __init__(self, ws: Workstation, rng: random.Random):
        self.rng = rng
        self.process = subprocess.Popen([program("VZE", "vze"), "--socket", ws.socket, "watch", "--no-progress"],
                                        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.stops: List[Tuple[float, float]] = []  # (from, to), monotonic
        self.next_change = time.monotonic() + rng.uniform(10, 20)

    def stopped_at(self, when: float) -> bool:
        return any(start <= when < end for start, end in self.stops)

    def tick(self, now: float) -> None:
        if now < self.next_change:
            return
        if self.stops and self.stops[-1][1] == float("inf"):
            self.process.send_signal(signal.SIGCONT)
            self.stops[-1] = (self.stops[-1][0], now)
            self.next_change = now + self.rng.uniform(10, 30)
        else:
            self.process.send_signal(signal.SIGSTOP)
            self.stops.append((now, float("inf")))
            self.next_change = now + self.rng.uniform(15, 40)

    def end(self) -> None:
        if self.stops and self.stops[-1][1] == float("inf"):
            self.stops[-1] = (self.stops[-1][0], time.monotonic())
        self.process.send_signal(signal.SIGCONT)
        self.process.send_signal(signal.SIGINT)
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()


def first_words(text: str) -> str:
    text = re.sub(r"\d+", "N", text.splitlines()[0] if text else "")
    return text[:70]


# The soak.

class Soak:
    def __init__(self, minutes: float, seed: int, folder: Path, clients_per_vzed: int, dictations: int):
        self.minutes = minutes
        self.seed = seed
        self.folder = folder
        self.rng = random.Random(seed)
        self.ledger = Ledger()
        self.simulator = Simulator(folder, random.Random(self.rng.random()), dictations, 3)
        self.steady = Workstation("WS-STEADY", folder / "steady", self.simulator, crashing=False)
        self.crashing = Workstation("WS-CRASHING", folder / "crashing", self.simulator, crashing=True)
        self.clients_per_vzed = clients_per_vzed
        self.rss: List[Tuple[float, int]] = []
        self.simulator_downtime = 0.0
        self.results: List[Tuple[str, bool, str]] = []
        self.observer: Optional[Observer] = None

    def run(self) -> int:
        started = self.started = time.monotonic()
        stop_at = started + self.minutes * 60
        self.simulator.start()
        self.steady.start()
        self.crashing.start()
        observer = self.observer = Observer(self.steady, random.Random(self.rng.random()))
        log(f"soak for {self.minutes:g} min (seed {self.seed}) in {self.folder}; simulator at {self.simulator.servlet_url}")
        clients = [Client(f"{ws.name}/{n + 1}", ws, self.ledger, self.rng.randrange(1 << 30), stop_at)
                   for ws in (self.steady, self.crashing) for n in range(self.clients_per_vzed)]
        for client in clients:
            client.start()
        next_kill = time.monotonic() + self.rng.uniform(15, 60)
        next_outage = time.monotonic() + self.rng.uniform(45, 90)
        next_sample = time.monotonic()
        next_status = time.monotonic() + 60
        while time.monotonic() < stop_at:
            now = time.monotonic()
            if now >= next_sample:
                rss = self.steady.vzed.rss_kib() if self.steady.vzed else None
                if rss:
                    self.rss.append((now - started, rss))
                next_sample = now + 5
            if now >= next_kill:
                self.crashing.kill_and_restart()
                log(f"SIGKILL to the crashing vzed ({self.crashing.kills} so far); restarted")
                next_kill = time.monotonic() + self.rng.uniform(15, 60)
            if now >= next_outage and now < stop_at - 30:
                self.simulator.stop()
                down = self.rng.uniform(2, 8)
                log(f"simulator down for {down:.1f} s")
                time.sleep(down)
                self.simulator_downtime += down
                self.simulator.start()
                next_outage = time.monotonic() + self.rng.uniform(45, 90)
            if now >= next_status:
                with self.ledger.lock:
                    log(f"{len(self.ledger.submitted)} requests submitted, {sum(e.completed for e in self.ledger.submitted)} completed, "
                        f"{len(self.ledger.problems)} problems; steady vzed {self.rss[-1][1] / 1024 if self.rss else 0:.1f} MiB")
                next_status = now + 60
            observer.tick(now)
            time.sleep(0.2)
        observer.end()
        log("time is up: the clients finish their requests")
        for client in clients:
            client.join(REQUEST_LIMIT + 30)
            if client.is_alive():
                self.ledger.problem(f"{client.name} did not finish its last request")
        drain_until = time.monotonic() + REQUEST_LIMIT
        for client in clients:
            try:
                client.drain(drain_until)
            except Exception as error:
                self.ledger.problem(f"{client.name}: {type(error).__name__} while draining: {error}")
        end_rss = self.steady.vzed.rss_kib() if self.steady.vzed else None
        self.check_mix()
        self.check_completions(clients)
        self.check_files()
        self.check_memory(end_rss)
        self.check_observer()
        for client in clients:
            if client.session is not None:
                client.session.close()
        for ws in (self.steady, self.crashing):
            assert ws.vzed is not None
            code = ws.vzed.close()
            ws.live_pids.remove(ws.vzed.pid)
            self.results.append((f"{ws.name} vzed closed by its owner", code == 0, f"exit status {code}"))
        self.check_temporary_files()
        self.simulator.stop()
        self.check_reported_done()
        return self.report(time.monotonic() - started)

    def check_reported_done(self) -> None:
        over = [f"{what} of {utterance_id}: reported {count} times, done {self.simulator.held[what, utterance_id]}"
                for (what, utterance_id), count in sorted(self.ledger.reported.items())
                if count > self.simulator.held[what, utterance_id]]
        self.results.append(("no dictation reported uploaded or checked in that the simulator does not hold", not over,
                             f"{sum(self.ledger.reported.values())} uploads and check-ins reported, "
                             f"{sum(self.simulator.held.values())} done" + "".join(f"\n    {line}" for line in over[:20])))

    def check_mix(self) -> None:
        ended = sum(self.ledger.errors.values())
        well = self.ledger.errors.get("no error", 0)
        share = well / ended if ended else 0.0
        self.results.append((f"at least {WENT_WELL_LEAST:.0%} of the requests went well", share >= WENT_WELL_LEAST,
                             f"{well} of {ended} ({share:.0%}) ended without an error"))

    def check_completions(self, clients: Sequence[Client]) -> None:
        live = [entry for entry in self.ledger.submitted if not entry.lost_with_vzed]
        lost = len(self.ledger.submitted) - len(live)
        bad: List[str] = []
        for client in clients:
            for entry in live:
                if entry.client != client.name:
                    continue
                count = client.seen.get((entry.incarnation, entry.request_id), 0)
                if count != 1:
                    bad.append(f"{entry.workstation} {entry.request_id} ({entry.family}): {count} DatabaseRequestComplete")
            duplicated = [request for request, count in client.seen.items() if count > 1]
            bad += [f"{client.name} saw {request[1]} of vzed {request[0]} complete more than once" for request in duplicated]
        self.results.append(("exactly one DatabaseRequestComplete per request to a live vzed", not bad,
                             f"{len(live)} requests, {len(live) - len(bad)} with exactly one; {lost} lost with a killed vzed"
                             + "".join(f"\n    {line}" for line in bad[:20])))

    def check_files(self) -> None:
        bad_configs: List[str] = []
        undownloaded: List[str] = []
        configs = 0
        session = vze.connect(self.steady.socket, timeout=REQUEST_LIMIT)
        try:
            server = session.server()
            for ws in (self.steady, self.crashing):
                for path in sorted(ws.folder.rglob("*.cfg")):
                    if TEMPORARY_NAME.match(path.name):
                        continue
                    configs += 1
                    if ws.folder / "Logins" in path.parents:  # a login's certificate: one line
                        lines = path.read_bytes().splitlines()
                        if len(lines) != 1 or not lines[0].strip():
                            bad_configs.append(f"{path.relative_to(self.folder)}: not a certificate line: {path.read_bytes()[:80]!r}")
                        continue
                    try:
                        ElementTree.parse(path)
                    except ElementTree.ParseError as error:
                        bad_configs.append(f"{path.relative_to(self.folder)}: not XML ({error})")
                        continue
                    if path.parent != ws.downloads:
                        continue
                    record = server.NewUtteranceObject()
                    try:
                        record.ReadConfigFileToObject(str(path))
                    except vze.AutomationError as error:
                        bad_configs.append(f"{path.relative_to(self.folder)}: {error}")
                        continue
                    if "Downloaded" in str(record.Status):
                        stem = path.with_suffix("")
                        missing = [ext for ext in (".pcm", ".wav") if not stem.with_suffix(ext).is_file()]
                        if missing:
                            undownloaded.append(f"{path.relative_to(self.folder)} says \"{record.Status}\" without {' and '.join(missing)}")
        finally:
            session.close()
        self.results.append(("every configuration file parses", not bad_configs,
                             f"{configs} files" + "".join(f"\n    {line}" for line in bad_configs[:20])))
        during = [problem for problem in self.ledger.problems if "downloaded without" in problem]
        self.results.append(("no dictation reported downloaded without .pcm and .wav", not (undownloaded or during),
                             f"{self.ledger.downloads_checked} downloads checked as they ended, every record at the end"
                             + "".join(f"\n    {line}" for line in (during + undownloaded)[:20])))

    def check_temporary_files(self) -> None:
        leftovers: List[str] = []
        of_killed = 0
        resumable = 0
        killed = set(self.crashing.killed_pids)
        for ws in (self.steady, self.crashing):
            for path in ws.folder.rglob("*"):
                name = path.name
                if RESUMABLE_PART.match(name):
                    # Kept on purpose: the next download of that version goes on from it.
                    resumable += 1
                    continue
                match = TEMPORARY_NAME.match(name)
                if not match and not name.endswith(".part"):
                    continue
                if match and int(match.group(1)) in killed:
                    of_killed += 1
                    continue
                leftovers.append(str(path.relative_to(self.folder)))
        self.results.append(("no temporary file left", not leftovers,
                             f"{len(leftovers)} left by vzeds that ended or run; {of_killed} by killed vzeds; "
                             f"{resumable} parts kept for resuming"
                             + "".join(f"\n    {line}" for line in leftovers[:20])))

    def check_observer(self) -> None:
        title = "a stopped observer slows no request"
        assert self.observer is not None
        stopped: List[float] = []
        running: List[float] = []
        for entry in self.ledger.submitted:
            if entry.workstation == self.steady.name and entry.completed:
                (stopped if self.observer.stopped_at(entry.at) else running).append(entry.took)
        if not stopped or not running:
            self.results.append((title, False, f"not measured ({len(stopped)} requests while stopped, {len(running)} otherwise)"))
            return
        median = lambda values: sorted(values)[len(values) // 2]
        slower = median(stopped) - median(running)
        self.results.append((title, slower < OBSERVER_SLOWDOWN_LIMIT,
                             f"median {median(stopped):.2f} s for {len(stopped)} requests while it was stopped "
                             f"({sum(end - start for start, end in self.observer.stops):.0f} s in {len(self.observer.stops)} stops), "
                             f"{median(running):.2f} s for {len(running)} otherwise"))

    def check_memory(self, end_rss: Optional[int]) -> None:
        # Settled: a minute in, and once every family of requests has run on the steady vzed, so
        # that each code path has made the memory it keeps (a first minute on a busy machine may
        # not reach them all).
        title = "steady vzed's memory within 10% of where it settled"
        all_ran = self.ledger.all_families_ran.get(self.steady.name)
        since = max(60.0, all_ran - self.started) if all_ran is not None else 60.0
        settled = [rss for at, rss in self.rss if since <= at < since + 15]
        if not settled or end_rss is None:
            self.results.append((title, False, "not measured (the soak must run over a minute)"))
            return
        base = sorted(settled)[len(settled) // 2]
        growth = (end_rss - base) / base
        peak = max(rss for _, rss in self.rss)
        half = [(at, rss) for at, rss in self.rss if at >= self.rss[-1][0] / 2]
        slope = (half[-1][1] - half[0][1]) / max(1.0, (half[-1][0] - half[0][0]) / 60) if len(half) > 1 else 0.0
        self.results.append((title, growth <= RSS_GROWTH_LIMIT,
                             f"{base / 1024:.1f} MiB at {since / 60:.1f} min ({'every family had run' if all_ran is not None else 'not every family ran'}), "
                             f"{end_rss / 1024:.1f} MiB at the end "
                             f"({growth:+.1%}), peak {peak / 1024:.1f} MiB, second half {slope / 1024:+.2f} MiB/min"))

    def report(self, seconds: float) -> int:
        ledger = self.ledger
        print()
        print(f"Soak summary: {seconds / 60:.1f} min, seed {self.seed}, {len(ledger.submitted)} requests from "
              f"{2 * self.clients_per_vzed} clients, {self.crashing.kills} SIGKILLs of vzed, simulator started "
              f"{self.simulator.starts} times ({self.simulator_downtime:.0f} s down, {self.simulator.faults_armed} faults armed)")
        print("  requests by family: " + ", ".join(f"{name} {count}" for name, count in sorted(ledger.families.items())))
        print("  how they ended: " + "; ".join(f"{text} {count}" for text, count in ledger.errors.most_common(8)))
        print(f"  errors of single dictations and parameter sets: {sum(ledger.partial.values())}; "
              + "; ".join(f"{text} {count}" for text, count in ledger.partial.most_common(6)))
        failed = False
        for title, ok, detail in self.results:
            failed = failed or not ok
            print(f"  {'PASS' if ok else 'FAIL'}  {title}: {detail}")
        others = [problem for problem in ledger.problems if "downloaded without" not in problem]
        if others:
            failed = True
            print(f"  FAIL  {len(others)} other problems:")
            for problem in others[:10]:
                print("    " + problem.replace("\n", "\n    "))
        print("Soak " + ("FAILED" if failed else "passed"))
        return 1 if failed else 0


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("minutes", nargs="?", type=float, default=10.0, help="how long to run (default 10)")
    parser.add_argument("--seed", type=int, default=None, help="the random seed (default: from the clock)")
    parser.add_argument("--clients", type=int, default=2, help="clients per vzed (default 2)")
    parser.add_argument("--dictations", type=int, default=40, help="dictations the simulator generates (default 40)")
    parser.add_argument("--keep", action="store_true", help="keep the soak's folder (kept anyway when a check fails)")
    args = parser.parse_args()
    seed = args.seed if args.seed is not None else int(time.time())
    folder = Path(tempfile.mkdtemp(prefix="vz-soak-"))
    soak = Soak(args.minutes, seed, folder, args.clients, args.dictations)
    code = 1
    try:
        code = soak.run()
    finally:
        for ws in (soak.steady, soak.crashing):
            if ws.vzed is not None and ws.vzed.process.poll() is None:
                ws.vzed.kill()
        if soak.observer is not None and soak.observer.process.poll() is None:
            soak.observer.process.kill()
        if soak.simulator.process is not None:
            soak.simulator.stop()
        if code == 0 and not args.keep:
            shutil.rmtree(folder, ignore_errors=True)
        else:
            print(f"the soak's folder (logs, records, the simulator's data): {folder}")
    return code


if __name__ == "__main__":
    sys.exit(main())
