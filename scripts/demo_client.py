#!/usr/bin/env python3
"""Drives vzed as the editor does, through the Python client (clients/python): logs in to the
simulated institution's servlet, retrieves the work queue and downloads its dictations, keeps each
one's record in its configuration file, then uploads the first one's transcription."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "clients", "python", "src"))
import vze  # noqa: E402

DBR_UPLOAD, DBR_DOWNLOAD, DBR_GETWORKQUEUE = 0, 1, 2


def main() -> None:
    socket_path, servlet_url, folder = sys.argv[1:4]
    downloads = os.path.join(folder, "Downloads")
    os.makedirs(downloads, exist_ok=True)
    os.makedirs(os.path.join(folder, "Logs"), exist_ok=True)

    with vze.connect(socket_path) as session:
        server = session.server()
        server.LogFilePath = os.path.join(folder, "Logs", "Server.log")
        server.GlobalLogFile = os.path.join(folder, "Logs", "Global.log")
        server.AppPath = folder
        server.TraceLevel = 2
        for name in ("LoginStatus", "CommunicationsWarning", "DBRError", "NewLogin"):
            session.on(server, name, lambda *args, name=name: print("event", name, *args))
        session.on_progress(show_progress)

        info = server.DatabaseRequests.ConnectionInfo
        info.CurrentDatabaseURL, info.Transcriptionist, info.Password = servlet_url, "jdoe", "secret"
        info.DownloadPath, info.CurrentLocationID = downloads, 3

        work_queue = server.NewWorkQueue()
        work_queue.RetrieveLocation, work_queue.DownloadPath = 3, downloads
        work_queue.DatabaseURL, work_queue.Transcriptionist = servlet_url, "jdoe"
        spec = server.NewRequestSpec()
        spec.WorkQueue, spec.Actions, spec.CompletionAction = work_queue, [DBR_GETWORKQUEUE, DBR_DOWNLOAD], DBR_DOWNLOAD
        submission = session.submit(spec, on_complete=keep_records)
        print("submitted work queue + download:", submission.id)
        submission.wait(timeout=300)
        print("download folder:", " ".join(sorted(os.listdir(downloads))))

        # The transcriptionist finished the first dictation: its document and record go back.
        first = sorted(name for name in os.listdir(downloads) if name.endswith(".cfg"))[0]
        config_file = os.path.join(downloads, first)
        with open(config_file[:-4] + ".rtf", "w") as document:
            document.write("{\\rtf1\\ansi Transcribed in the demo.\\par}\n")
        dictation = server.NewUtteranceObject()
        dictation.ReadConfigFileToObject(config_file)
        collection = server.NewUtteranceCollection()
        collection.AddCompleteObject(dictation, config_file)
        spec = server.NewRequestSpec()
        spec.WorkQueue, spec.Utterances, spec.Actions, spec.CompletionAction = work_queue, collection, [DBR_UPLOAD], DBR_UPLOAD
        generic = spec.GenericRequests.Add(0)
        generic.Parameters.Add("0", "UploadFlags")
        submission = session.submit(spec, on_complete=keep_records)
        print("submitted upload of", first[:-4] + ":", submission.id)
        submission.wait(timeout=300)


def keep_records(request: vze.ObjectProxy) -> None:
    """Inside DatabaseRequestComplete, while the server waits: reads the request's results and
    writes each dictation's record to its configuration file, as the editor keeps them."""
    utterances = request.Utterances
    count = utterances.Count if utterances is not None else 0
    print(f"request complete: {count} dictations, error: {request.GlobalErrorMessage!r}")
    for dictation in utterances or []:
        dictation.WriteObjectToConfigFile(dictation.ConfigFile)
        print("  ", dictation.UtteranceID, dictation.Status)


def show_progress(progress: vze.Progress) -> None:
    if progress.step in ("action", "done"):
        counted = f", {progress.dictations_done} of {progress.dictations_listed} dictations" if progress.dictations_listed else ""
        print(f"progress {progress.request} {progress.step} {progress.action_name}{counted}")


if __name__ == "__main__":
    main()
