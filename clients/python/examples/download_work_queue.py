import sys, vze
socket_path, servlet_url, downloads = sys.argv[1:4]
with vze.connect(socket_path) as session:
    server = session.server()
    info = server.DatabaseRequests.ConnectionInfo
    info.CurrentDatabaseURL, info.Transcriptionist, info.Password, info.DownloadPath, info.CurrentLocationID = servlet_url, "jdoe", "secret", downloads, 3
    spec, work_queue = server.NewRequestSpec(), server.NewWorkQueue()
    work_queue.RetrieveLocation, work_queue.DownloadPath, work_queue.DatabaseURL, work_queue.Transcriptionist = 3, downloads, servlet_url, "jdoe"
    spec.WorkQueue, spec.Actions = work_queue, [2, 1]  # DBR_GETWORKQUEUE, then DBR_DOWNLOAD
    for dictation in session.submit(spec).wait(timeout=120).Utterances:
        print(dictation.UtteranceID, dictation.Status)
