#!/usr/bin/env python3
"""Drives vzed as the editor does: logs in to the simulated institution's servlet, retrieves the
work queue and downloads its dictations, then uploads the first one's transcription, printing
what landed in the download folder."""
import json
import os
import socket
import sys


class Client:
    def __init__(self, path):
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.connect(path)
        self.file = self.sock.makefile("rwb")
        self.next_id = 0
        self.events = []

    def send(self, message):
        self.file.write((json.dumps(message) + "\n").encode())
        self.file.flush()

    def receive(self):
        line = self.file.readline()
        if not line:
            raise SystemExit("vzed closed the connection")
        return json.loads(line)

    def request(self, method, **params):
        self.next_id += 1
        self.send({"jsonrpc": "2.0", "id": self.next_id, "method": method, "params": params})
        while True:
            message = self.receive()
            if message.get("id") == self.next_id and "method" not in message:
                if "error" in message:
                    raise SystemExit(f"{method} {params}: {message['error']}")
                return message.get("result")
            self.events.append(message)

    def get(self, handle, name):
        return self.request("get", handle=handle, name=name)

    def set(self, handle, name, value):
        return self.request("set", handle=handle, name=name, value=value)

    def call(self, handle, name, *args):
        return self.request("call", handle=handle, name=name, args=list(args))["value"]


def main():
    socket_path, servlet_url, folder = sys.argv[1:4]
    downloads = os.path.join(folder, "Downloads")
    os.makedirs(downloads, exist_ok=True)
    os.makedirs(os.path.join(folder, "Logs"), exist_ok=True)
    client = Client(socket_path)

    server = client.request("create", **{"class": "clsZERUredoz"})["$handle"]
    client.set(server, "LogFilePath", os.path.join(folder, "Logs", "Server.log"))
    client.set(server, "GlobalLogFile", os.path.join(folder, "Logs", "Global.log"))
    client.set(server, "AppPath", folder)
    client.set(server, "TraceLevel", 2)
    client.request("advise", handle=server, prompts=False)

    queue = client.get(server, "DatabaseRequests")["$handle"]
    connection = client.get(queue, "ConnectionInfo")["$handle"]
    for name, value in [("CurrentDatabaseURL", servlet_url), ("Transcriptionist", "jdoe"),
                        ("Password", "secret"), ("DownloadPath", downloads), ("CurrentLocationID", 3)]:
        client.set(connection, name, value)

    work_queue = client.call(server, "NewWorkQueue")["$handle"]
    for name, value in [("RetrieveLocation", 3), ("DownloadPath", downloads), ("DatabaseURL", servlet_url),
                        ("Transcriptionist", "jdoe")]:
        client.set(work_queue, name, value)
    spec = client.call(server, "NewRequestSpec")["$handle"]
    client.set(spec, "WorkQueue", {"$handle": work_queue})
    client.set(spec, "Actions", [2, 1])  # DBR_GETWORKQUEUE, DBR_DOWNLOAD
    client.set(spec, "CompletionAction", 1)
    request = client.call(queue, "Add", {"$handle": spec})
    print("submitted work queue + download:", client.get(request["$handle"], "ID"))
    wait_for_completion(client)
    print("download folder:", " ".join(sorted(os.listdir(downloads))))

    # The transcriptionist finished the first dictation: its document and record go back.
    first = sorted(name for name in os.listdir(downloads) if name.endswith(".cfg"))[0]
    config_file = os.path.join(downloads, first)
    with open(config_file[:-4] + ".rtf", "w") as document:
        document.write("{\\rtf1\\ansi Transcribed in the demo.\\par}\n")
    dictation = client.call(server, "NewUtteranceObject")["$handle"]
    client.call(dictation, "ReadConfigFileToObject", config_file)
    collection = client.call(server, "NewUtteranceCollection")["$handle"]
    client.call(collection, "AddCompleteObject", {"$handle": dictation}, config_file)
    spec = client.call(server, "NewRequestSpec")["$handle"]
    client.set(spec, "WorkQueue", {"$handle": work_queue})
    client.set(spec, "Utterances", {"$handle": collection})
    client.set(spec, "Actions", [0])  # DBR_UPLOAD
    client.set(spec, "CompletionAction", 0)
    generic = client.call(client.get(spec, "GenericRequests")["$handle"], "Add", 0)["$handle"]
    client.call(client.get(generic, "Parameters")["$handle"], "Add", "0", "UploadFlags")
    request = client.call(queue, "Add", {"$handle": spec})
    print("submitted upload of", first[:-4] + ":", client.get(request["$handle"], "ID"))
    wait_for_completion(client)


def wait_for_completion(client):
    """Serves events until DatabaseRequestComplete; reads the request's results inside the handler,
    writes each dictation's record to its configuration file as the editor keeps them, and
    acknowledges."""
    while True:
        message = client.events.pop(0) if client.events else client.receive()
        params = message.get("params", {})
        if message.get("method") != "event":
            continue
        print("event", params.get("name"))
        if params.get("name") != "DatabaseRequestComplete":
            continue
        done = params["args"][0]["$handle"]
        error = client.get(done, "GlobalErrorMessage")
        utterances = client.get(done, "Utterances")
        count = client.get(utterances["$handle"], "Count") if utterances else 0
        print(f"request complete: {count} dictations, error: {error!r}")
        if utterances:
            for item in client.request("enumerate", handle=utterances["$handle"]):
                handle = item["$handle"]
                client.call(handle, "WriteObjectToConfigFile", client.get(handle, "ConfigFile"))
                print("  ", client.get(handle, "UtteranceID"), client.get(handle, "Status"))
        args = params["args"]
        args[1] = True
        client.send({"jsonrpc": "2.0", "id": message["id"], "result": {"args": args}})
        return


if __name__ == "__main__":
    main()
