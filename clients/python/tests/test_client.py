"""The Python client against a real vzed: proxies, errors, events, message boxes, handles, progress,
and a work queue downloaded from the institution simulator."""
from __future__ import annotations

import gc
import os
import tempfile
import unittest
from pathlib import Path
from typing import Any, List

import vze
from servers import InstitutionSimulator, Vzed

DBR_UPLOAD, DBR_DOWNLOAD, DBR_GETWORKQUEUE = 0, 1, 2


class InstantVzedTest(unittest.TestCase):
    """vzed whose actions complete at once: the protocol without an institution."""

    def setUp(self) -> None:
        self.vzed = Vzed(instant_actions=True)
        self.session = vze.connect(self.vzed.socket, timeout=20)
        self.server = self.session.server()

    def tearDown(self) -> None:
        self.session.close()
        problem = self.vzed.stop()
        self.assertEqual(problem, "")

    def test_proxies_read_write_and_call_members_whatever_their_case(self) -> None:
        self.server.tracelevel = 4
        self.assertEqual(self.server.TraceLevel, 4)
        queue = self.server.DATABASEREQUESTS
        self.assertEqual(vze.class_of(queue), "clsDatabaseRequests")
        self.assertEqual(len(queue), 0)
        self.assertIs(self.server.DatabaseRequests, queue)  # one proxy per handle
        spec = self.server.NewRequestSpec()
        spec.Actions = [DBR_GETWORKQUEUE, DBR_DOWNLOAD]
        self.assertEqual(spec.Actions, [DBR_GETWORKQUEUE, DBR_DOWNLOAD])
        work_queue = self.server.NewWorkQueue()
        spec.WorkQueue = work_queue  # an object crosses back by handle
        self.assertEqual(spec.WorkQueue, work_queue)
        # A by-reference argument comes back after the value.
        self.assertEqual(queue.GetNextPending("DBR00001"), (None, "DBR00001"))
        self.assertIn("NewRequestSpec", dir(self.server))

    def test_errors_are_one_type_carrying_the_automation_number(self) -> None:
        cases = [
            ("unknown member", lambda: self.server.NoSuchMember, 438),
            ("type mismatch", lambda: setattr(self.server, "TraceLevel", "high"), 13),
            ("unknown class", lambda: self.session.create("clsNoSuchClass"), -32602),
            ("not creatable", lambda: self.session.create("clsDatabaseRequest"), 429),
        ]
        for what, action, number in cases:
            with self.subTest(what):
                with self.assertRaises(vze.AutomationError) as raised:
                    action()
                self.assertEqual(raised.exception.number, number)
                self.assertTrue(raised.exception.description)
        # The connection is still usable after every one of them.
        self.assertEqual(self.server.DatabaseRequests.Count, 0)

    def test_events_reach_callbacks_and_by_reference_arguments_are_answered_from_them(self) -> None:
        statuses: List[str] = []
        self.server.LoginStatus.connect(statuses.append)
        self.server.Fire_LoginStatus("Hello")
        self.assertEqual(statuses, ["Hello"])  # raised during the call, heard before its answer

        # A second connection advised after this one sees the arguments as this one left them.
        with vze.connect(self.vzed.socket, timeout=20) as other:
            heard: List[Any] = []
            other.on(other.server(), "DatabaseRequestComplete", lambda request, received: heard.append(received))
            results: List[str] = []

            def read_results(request: vze.ObjectProxy) -> None:
                results.append(request.ID)
                results.append(request.GlobalErrorMessage)

            spec = self.server.NewRequestSpec()
            spec.Actions = [DBR_GETWORKQUEUE]
            submission = self.session.submit(spec, on_complete=read_results)
            # The first connection answers while the second is served: each waits its turn.
            request = submission.wait(timeout=30)
            other.serve_until(lambda: bool(heard), timeout=30)
        self.assertEqual(results, [submission.id, ""])
        self.assertEqual(request.ID, submission.id)
        self.assertEqual(heard, [True])  # bReceived as the first connection's callback left it

    def test_message_boxes_go_to_the_callback_or_get_the_headless_answer(self) -> None:
        boxes: List[Any] = []
        self.session.on_message_box(lambda text, title, style: boxes.append((text, title, style)) or vze.OK)
        self.assertTrue(self.session.close_request("taskManager"))  # refused, with a warning box
        self.assertEqual(len(boxes), 1)
        self.assertIn("You cannot shut it down through the task manager", boxes[0][0])
        self.session.on_message_box(None)
        self.assertTrue(self.session.close_request("taskManager"))
        self.assertEqual(len(boxes), 1)  # nobody was asked

    def test_a_callback_that_fails_still_answers_vzed_and_raises_to_the_caller(self) -> None:
        def broken(text: str) -> None:
            raise RuntimeError("broken handler")

        self.server.LoginStatus += broken
        with self.assertRaisesRegex(RuntimeError, "broken handler"):
            self.server.Fire_LoginStatus("Hello")
        self.server.LoginStatus -= broken
        self.server.Fire_LoginStatus("again")
        self.assertEqual(self.server.DatabaseRequests.Count, 0)

    def test_a_collected_proxy_releases_its_handle(self) -> None:
        queue = self.server.DatabaseRequests
        handle = vze.handle_of(queue)
        del queue
        gc.collect()
        with self.assertRaises(vze.AutomationError) as raised:
            self.session.request("get", {"handle": handle, "name": "Count"})  # the release goes first
        self.assertEqual(raised.exception.number, -32602)
        self.assertEqual(self.server.DatabaseRequests.Count, 0)  # the object itself lives on

    def test_a_release_that_crosses_the_same_handle_on_its_way_keeps_it(self) -> None:
        queue = self.server.DatabaseRequests
        handle = vze.handle_of(queue)
        # vzed hands the queue out again before it reads the release of the first proxy.
        pending = self.session._send("get", {"handle": vze.handle_of(self.server), "name": "DatabaseRequests"})
        del queue
        gc.collect()
        self.session._release_collected()
        again = self.session._to_python(self.session._wait_for(pending))
        self.assertEqual(vze.handle_of(again), handle)
        self.assertEqual(again.Count, 0)  # still valid: vzed kept it for this proxy

    def test_progress_of_a_request_reaches_the_callback(self) -> None:
        steps: List[vze.Progress] = []
        self.session.on_progress(steps.append)
        spec = self.server.NewRequestSpec()
        spec.Actions = [DBR_GETWORKQUEUE]
        submission = self.session.submit(spec)
        submission.wait(timeout=30)
        self.assertEqual([(step.step, step.request) for step in steps], [("action", submission.id), ("done", submission.id)])
        self.assertEqual((steps[0].action_name, steps[0].action_number, steps[0].action_count), ("DBR_GETWORKQUEUE", 1, 1))

    def test_action_names_are_those_vzed_reports(self) -> None:
        steps: List[vze.Progress] = []
        self.session.on_progress(steps.append)
        dictations = self.server.NewUtteranceCollection()
        dictations.Add(1001, 3, "Ready for Transcription", "Local_1001.cfg", "0")  # for the actions on dictations
        spec = self.server.NewRequestSpec()
        spec.Utterances, spec.WorkQueue, spec.Actions = dictations, self.server.NewWorkQueue(), list(vze.Action)
        self.session.submit(spec).wait(timeout=30)
        self.assertEqual([step.action_name for step in steps if step.step == "action"], [action.name for action in vze.Action])
        self.assertEqual(vze.action_name(16), "DBR_GETSPEAKERS")
        self.assertEqual(vze.action_name(19), "19")

    def test_parameter_sets_carry_their_values_and_the_results_are_read_at_completion(self) -> None:
        dictations = self.server.NewUtteranceCollection()
        dictations.Add(1001, 3, "Ready for Transcription", "Local_1001.cfg", "0")
        spec = self.server.NewRequestSpec()
        spec.Utterances, spec.Actions = dictations, [vze.Action.DBR_GETSPEAKERS]
        speakers = vze.add_parameter_set(spec, vze.Action.DBR_GETSPEAKERS, {"institutionID": 12, "application": ""})
        self.assertEqual([(parameter.ParmName, parameter.ParmValue) for parameter in speakers.Parameters],
                         [("institutionID", "12"), ("application", "")])
        results: List[vze.RequestResult] = []
        submission = self.session.submit(spec, on_complete=lambda request: results.append(vze.RequestResult.read(request)))
        submission.wait(timeout=30)
        result = results[0]
        self.assertEqual((result.id, result.error, result.truncated, result.problems()), (submission.id, "", False, []))
        self.assertEqual(result.parameter_set(vze.Action.DBR_GETSPEAKERS).responses, ("Completed at once",))
        self.assertEqual(result.parameter_set(vze.Action.DBR_GETSPEAKERS).generic_request, speakers)
        self.assertEqual((result.dictation(1001).status, result.dictation(1001).config_file), ("Ready for Transcription", "Local_1001.cfg"))
        for missing in (lambda: result.parameter_set(vze.Action.DBR_GETWORKTYPES), lambda: result.dictation(1002)):
            with self.assertRaises(KeyError):
                missing()


class InstitutionTest(unittest.TestCase):
    """vzed with its real client services against the institution simulator."""

    def setUp(self) -> None:
        self.institution = InstitutionSimulator(dictations=4, seconds=1)
        self.vzed = Vzed()
        self.session = vze.connect(self.vzed.socket, timeout=30)
        self.folder = tempfile.TemporaryDirectory(prefix="vze-editor-")
        self.downloads = os.path.join(self.folder.name, "Downloads")
        os.makedirs(self.downloads)

    def tearDown(self) -> None:
        self.session.close()
        problem = self.vzed.stop()
        self.institution.stop()
        self.folder.cleanup()
        self.assertEqual(problem, "")

    def test_work_queue_download_and_upload_with_progress(self) -> None:
        server = self.session.server()
        server.AppPath = self.folder.name
        info = server.DatabaseRequests.ConnectionInfo
        info.CurrentDatabaseURL = self.institution.servlet_url
        info.Transcriptionist, info.Password = InstitutionSimulator.LOGIN, InstitutionSimulator.PASSWORD
        info.DownloadPath, info.CurrentLocationID = self.downloads, InstitutionSimulator.LOCATION
        work_queue = server.NewWorkQueue()
        work_queue.RetrieveLocation, work_queue.DownloadPath = InstitutionSimulator.LOCATION, self.downloads
        work_queue.DatabaseURL, work_queue.Transcriptionist = self.institution.servlet_url, InstitutionSimulator.LOGIN

        steps: List[vze.Progress] = []
        self.session.on_progress(steps.append)
        statuses: List[str] = []

        def keep_records(request: vze.ObjectProxy) -> None:
            for dictation in request.Utterances:
                dictation.WriteObjectToConfigFile(dictation.ConfigFile)
                statuses.append(dictation.Status)

        spec = server.NewRequestSpec()
        spec.WorkQueue = work_queue
        spec.Actions = [DBR_GETWORKQUEUE, DBR_DOWNLOAD]
        spec.CompletionAction = DBR_DOWNLOAD
        download = self.session.submit(spec, on_complete=keep_records)
        download.wait(timeout=120)
        self.assertEqual(download.error, "")
        self.assertEqual(len(statuses), 4)
        self.assertTrue(all(status == "Downloaded for Standard Transcription" for status in statuses), statuses)
        wavs = sorted(name for name in os.listdir(self.downloads) if name.endswith(".wav"))
        self.assertEqual(len(wavs), 4)

        shown = [(step.step, step.action_name, step.dictations_done, step.dictations_listed)
                 for step in steps if step.step != "transfer"]
        self.assertEqual(shown, [("action", "DBR_GETWORKQUEUE", 0, 0), ("action", "DBR_DOWNLOAD", 0, 4),
                                 ("dictation", "DBR_DOWNLOAD", 1, 4), ("dictation", "DBR_DOWNLOAD", 2, 4),
                                 ("dictation", "DBR_DOWNLOAD", 3, 4), ("dictation", "DBR_DOWNLOAD", 4, 4),
                                 ("done", "DBR_DOWNLOAD", 4, 4)])
        received = [step.bytes_received for step in steps if step.action_name == "DBR_DOWNLOAD"]
        self.assertEqual(received, sorted(received))  # counts only grow within the action
        audio = sum(path.stat().st_size for path in (self.institution.data / "north" / "queue").glob("*.pcm"))
        self.assertGreater(audio, 0)
        self.assertGreaterEqual(received[-1], audio)

        # The first dictation's transcription goes back; the upload's bytes are counted as sent.
        config_file = os.path.join(self.downloads, sorted(n for n in os.listdir(self.downloads) if n.endswith(".cfg"))[0])
        document = config_file[:-4] + ".rtf"
        Path(document).write_text("{\\rtf1\\ansi Transcribed by the client test.\\par}\n")
        dictation = server.NewUtteranceObject()
        dictation.ReadConfigFileToObject(config_file)
        collection = server.NewUtteranceCollection()
        collection.AddCompleteObject(dictation, config_file)
        spec = server.NewRequestSpec()
        spec.WorkQueue, spec.Utterances, spec.Actions, spec.CompletionAction = work_queue, collection, [DBR_UPLOAD], DBR_UPLOAD
        generic = spec.GenericRequests.Add(0)
        generic.Parameters.Add("0", "UploadFlags")
        del steps[:]
        upload = self.session.submit(spec)
        upload.wait(timeout=120)
        self.assertEqual(upload.error, "")
        self.assertTrue(self.institution.uploads())
        self.assertGreaterEqual(steps[-1].bytes_sent, os.path.getsize(document))

    def test_a_loaded_record_has_its_errors_cleared_in_its_file_too(self) -> None:
        # A check-in reads the record back from its file: an error cleared in memory only returns.
        server = self.session.server()
        os.makedirs(self.downloads, exist_ok=True)
        config_file = os.path.join(self.downloads, "Local_1001.cfg")
        failed = server.NewUtteranceObject()
        failed.UtteranceID, failed.ErrorString = 1001, "Utterance 1001: Lock service down  documentVersion=0"
        failed.WriteObjectToConfigFile(config_file)
        collection = vze.load_records(server, [config_file])
        self.assertEqual([record.ErrorString for record in collection], [""])
        on_disk = server.NewUtteranceObject()
        on_disk.ReadConfigFileToObject(config_file)
        self.assertEqual(on_disk.ErrorString, "")

    def test_results_name_what_the_institution_refused(self) -> None:
        server = self.session.server()
        server.AppPath = self.folder.name
        info = server.DatabaseRequests.ConnectionInfo
        info.CurrentDatabaseURL = self.institution.servlet_url
        info.Transcriptionist, info.Password = InstitutionSimulator.LOGIN, InstitutionSimulator.PASSWORD
        info.DownloadPath, info.CurrentLocationID = self.downloads, InstitutionSimulator.LOCATION
        dictations = server.NewUtteranceCollection()
        for utterance_id in (1001, 1002):
            dictations.Add(utterance_id, 3, "Ready for Transcription", os.path.join(self.downloads, f"Local_{utterance_id}.cfg"), "0")
        spec = server.NewRequestSpec()
        spec.Utterances, spec.WorkQueue = dictations, server.NewWorkQueue()
        spec.Actions = [vze.Action.DBR_SEARCHPATIENTINFO, vze.Action.DBR_CHECKOUT, vze.Action.DBR_CHECKIN]
        vze.add_parameter_set(spec, vze.Action.DBR_SEARCHPATIENTINFO, {"LastName": "", "MRN": "", "VisitCode": ""})
        results: List[vze.RequestResult] = []
        self.session.submit(spec, on_complete=lambda request: results.append(vze.RequestResult.read(request))).wait(timeout=60)
        result = results[0]
        # Checked out, but never uploaded: the institution refuses the check-in of each.
        self.assertEqual(result.dictation(1001).error, "Utterance 1001: Utterance 1001 has no upload since its check-out  documentVersion=0")
        self.assertEqual(result.problems(), [
            "1001: Utterance 1001 has no upload since its check-out",
            "1002: Utterance 1002 has no upload since its check-out",
            "DBR_SEARCHPATIENTINFO: A patient search needs LastName, MRN or VisitCode",
        ])


if __name__ == "__main__":
    unittest.main()
