#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into corpus/<target>/ (run once; the files are kept
in the repository). The servlet answers are the institution simulator's own, captured byte for
byte; the rest are small real inputs of each parser.

    tests/fuzz/make_seed_corpus.py build/dev/programs/institution-sim/institution-sim
"""
import base64
import io
import json
import os
import re
import socket
import struct
import subprocess
import sys
import tempfile
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
AUTH = "Basic " + base64.b64encode(b"jdoe:secret").decode()
ENTRY = "locationID=3&utteranceID={id}&linkedDocumentID=0&isAddendum=False&documentVersion=0"


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as out:
        out.write(data if isinstance(data, bytes) else data.encode())


def exchange(port, number, form="", auth=AUTH):
    """The simulator's whole answer to one POST, as raw bytes (status line, headers, body)."""
    body = form.encode()
    request = (f"POST /north/servlet/ScribeServlet?request={number} HTTP/1.1\r\nHost: 127.0.0.1\r\n"
               f"Authorization: {auth}\r\nContent-Type: application/x-www-form-urlencoded\r\n"
               f"Content-Length: {len(body)}\r\nConnection: close\r\n\r\n").encode() + body
    with socket.create_connection(("127.0.0.1", port)) as connection:
        connection.sendall(request)
        chunks = []
        while True:
            chunk = connection.recv(65536)
            if not chunk:
                break
            chunks.append(chunk)
    return b"".join(chunks)


def body_of(answer):
    return answer.split(b"\r\n\r\n", 1)[1]


def main():
    simulator = sys.argv[1]
    with tempfile.TemporaryDirectory() as data:
        process = subprocess.Popen([simulator, "--data", data, "--seconds", "1", "-n", "3", "--fault", "text:checksum"],
                                   stdout=subprocess.PIPE, text=True)
        try:
            port = int(re.search(r":(\d+)", process.stdout.readline()).group(1))
            capture(port)
        finally:
            process.terminate()
            process.wait()
    seeds_of_our_own()


def capture(port):
    queue = exchange(port, "0100", "retrieveLocked=0&retrieveLocation=3&numToRetrieve=-1&workQueueMode=0")
    ids = re.findall(rb"<utteranceID>(\d+)</utteranceID>", queue)
    first = ids[0].decode()
    entry = ENTRY.format(id=first)
    audio = exchange(port, "0101", entry + "&workQueueMode=0&useMTReview=False")
    answers = {
        "workqueue": queue,
        "audio": audio,
        "text_bad_checksum": exchange(port, "0102", entry + "&workQueueMode=0&useMTReview=False"),
        "header": exchange(port, "0106", entry),
        "lists_zip": exchange(port, "0202", "institutionID=12&application=&selector=NNY&certificate=WS-7"),
        "contacts": exchange(port, "0206", "institutionID=12&locationID=3&VersionID=1&doCompress=0"),
        "contacts_zip": exchange(port, "0206", "institutionID=12&locationID=3&VersionID=1&doCompress=1"),
        "dictionaries": exchange(port, "0231", "lastModifiedFlagPath=&lastModifiedDate="),
        "forbidden": exchange(port, "0100", "", auth="Basic " + base64.b64encode(b"jdoe:wrong").decode()),
        "unknown_request": exchange(port, "0999"),
        "no_such_dictation": exchange(port, "0101", ENTRY.format(id="999999")),
    }
    # The first byte chooses what the exchange expects: 0 XML, 1 a file of ours, 2 a named file.
    for name, answer in answers.items():
        # The fuzz target's exchange is for dictation 7.
        answer = answer.replace(b'filename="Local_' + ids[0] + b'.', b'filename="Local_7.')
        kind = b"\x02" if name in ("audio", "text_bad_checksum") else b"\x01" if name.startswith("contacts") or name == "lists_zip" else b"\x00"
        write("servlet_answer", name, kind + answer)
    write("work_queue_answer", "simulator_queue.xml", body_of(queue))
    write("sphere_audio", "simulator_audio_normalised", b"\x00" + body_of(audio))
    write("sphere_audio", "simulator_audio_literal", b"\x01" + body_of(audio))
    write("zip_member", "simulator_search_lists.zip", body_of(answers["lists_zip"]))
    write("zip_member", "simulator_contacts.zip", body_of(answers["contacts_zip"]))
    write("xml_document", "simulator_contacts", b"\x00" + body_of(answers["contacts"]))
    write("xml_document", "simulator_dictionaries_file", b"\x01" + body_of(answers["dictionaries"]))
    headers = [exchange(port, "0106", ENTRY.format(id=i.decode())) for i in ids[:2]]
    write("header_document", "simulator_headers", body_of(headers[0]) + b"\x1e" + body_of(headers[1]))
    write("header_document", "one_broken", body_of(headers[0]) + b"\x1e<InfoResponse><Header>")
    rows = re.findall(rb"<Row>.*?</Row>", body_of(queue), re.S)
    write("config_file", "simulator_row.cfg", rows[0])


def sphere(samples, coding="pcm", width=2, order="01", checksum=True, count=None):
    header = ["NIST_1A", "   1024", "sample_count -i %d" % (len(samples) if count is None else count),
              "sample_n_bytes -i %d" % width, "channel_count -i 1", "sample_rate -i 8000",
              "sample_coding -s%d %s" % (len(coding), coding)]
    if width == 2:
        header.append("sample_byte_format -s2 %s" % order)
        data = b"".join(struct.pack("<h" if order == "01" else ">h", s) for s in samples)
        total = sum(s & 0xFFFF for s in samples) & 0xFFFF if order == "01" else sum(
            struct.unpack("<H", struct.pack(">h", s))[0] for s in samples) & 0xFFFF
    else:
        data = bytes(s & 0xFF for s in samples)
        total = sum(data) & 0xFFFF
    if checksum:
        header.append("sample_checksum -i %d" % total)
    text = "\n".join(header + ["end_head", ""]).encode()
    return text + b" " * (1024 - len(text)) + data


def seeds_of_our_own():
    ramp = [(i * 731) % 20000 - 10000 for i in range(400)]
    write("sphere_audio", "ulaw", b"\x00" + sphere([(i * 37) % 256 for i in range(300)], coding="ulaw", width=1, checksum=False))
    write("sphere_audio", "big_endian", b"\x01" + sphere(ramp, order="10"))
    write("sphere_audio", "short_of_its_count", b"\x00" + sphere(ramp, count=800))
    write("sphere_audio", "silence", b"\x00" + sphere([0] * 100))

    # ZIP archives: one member, two members, a folder part, a damaged member.
    def archive(members, method=zipfile.ZIP_DEFLATED):
        buffer = io.BytesIO()
        with zipfile.ZipFile(buffer, "w", method) as z:
            for name, data in members:
                z.writestr(name, data)
        return buffer.getvalue()
    lists = b"<InfoResponse><SearchList>A</SearchList></InfoResponse>"
    write("zip_member", "stored.zip", archive([("SearchLists.xml", lists)], zipfile.ZIP_STORED))
    write("zip_member", "two_members.zip", archive([("a.xml", lists), ("b.xml", lists)]))
    write("zip_member", "folder_part.zip", archive([("../up.xml", lists)]))
    damaged = bytearray(archive([("SearchLists.xml", lists * 20)]))
    damaged[60] ^= 0xFF
    write("zip_member", "damaged.zip", bytes(damaged))

    write("config_file", "damaged.cfg", "<Row>\r\n    <utteranceID>7</utteranceID>\r\n    <queueStatus>Downl")
    write("config_file", "nested.cfg", "<Row><utteranceID>7</utteranceID><DownLoads><fileName>a.rtf</fileName></DownLoads>"
                                       "<Notes attr=\"1\">x &amp; y</Notes><Empty/></Row>")
    write("xml_document", "settings_file", b"\x01<?xml version=\"1.0\" standalone=\"yes\" ?>\r\n<Settings>\r\n"
                                           b"    <AutoSave>1</AutoSave>\r\n    <DownLoads>\r\n        <fileName>a</fileName>\r\n"
                                           b"    </DownLoads>\r\n</Settings>\r\n")
    write("xml_document", "latin1_declared", b"\x01<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><S><Name>M\xfcller</Name></S>")
    write("xml_document", "broken", b"\x00<Settings><Open></Settings>")
    write("work_queue_answer", "rejected_rows.xml",
          "<InfoResponse><Row><utteranceID>1</utteranceID><documentVersion>1</documentVersion></Row>"
          "<Row><utteranceID>../../etc/passwd</utteranceID></Row><Row><utteranceID>0000000012</utteranceID>"
          "<queueStatus>Ready for Literal Transcription</queueStatus></Row></InfoResponse>")
    write("work_queue_answer", "not_xml.xml", "<InfoResponse><Row>")

    statuses = ["Ready for Transcription", "Downloaded and Checked out for Literal Transcription",
                "Ready to Upload Edited Transcription", "CHECKED OUT for Standard Transcription", "edited literal", ""]
    for i, status in enumerate(statuses):
        write("status_and_date_text", "status_%d" % i, b"\x00" + status.encode())
    dates = ["12/03/2026 10:15:00", "12/3/2026 10:15 PM", "2026-12-03T22:15:00.125", "Thursday, December 3, 2026",
             "03-Dec-26", "10:15:00", "13/40/2026", "29/02/2024 23:59:59"]
    for i, date in enumerate(dates):
        write("status_and_date_text", "date_%d" % i, bytes([1 + (i % 2)]) + date.encode())
    write("status_and_date_text", "picture_0", b"\x03dd/mm/yyyy hh:nn:ss AM/PM\n03/12/2026 10:15:00 PM")
    write("status_and_date_text", "picture_1", b"\x03dddd, mmmm d, yyyy \"at\" h:nn\nThursday, December 3, 2026 at 9:05")

    line = lambda i, method, params=None: json.dumps({"jsonrpc": "2.0", "id": i, "method": method,
                                                     **({"params": params} if params is not None else {})})
    session = [
        line(1, "create", {"class": "clsZERUredoz"}),
        line(2, "advise", {"handle": 1, "prompts": True}),
        line(3, "get", {"handle": 1, "name": "DatabaseRequests"}),
        line(4, "call", {"handle": 1, "name": "NewRequestSpec"}),
        line(5, "set", {"handle": 3, "name": "Actions", "value": [2, 1]}),
        line(6, "call", {"handle": 2, "name": "Add", "args": [{"$handle": 3}]}),
        line(7, "watchProgress", {"enabled": True}),
        line(8, "describe", {"class": "clsUtteranceObject"}),
        json.dumps({"jsonrpc": "2.0", "id": 1, "result": True}),
    ]
    write("jsonrpc_session", "submit_a_request", "\n".join(session) + "\n")
    write("jsonrpc_session", "bad_lines", "not json\n[1,2]\n{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":7}\n"
                                          "{\"jsonrpc\":\"2.0\",\"method\":\"launchRockets\"}\n"
                                          "{\"jsonrpc\":\"2.0\",\"id\":2,\"method\":\"call\",\"params\":{\"args\":[[[[1e999]]]]}}\n"
                                          "{\"jsonrpc\":\"2.0\",\"id\":3,\"method\":\"closeRequest\",\"params\":{\"reason\":\"owner\"}}\n")
    batch = lambda *members: json.dumps(list(members))
    write("jsonrpc_session", "batches", "\n".join([
        batch(json.loads(line(1, "create", {"class": "clsZERUredoz"})),
              {"jsonrpc": "2.0", "method": "watchProgress", "params": {"enabled": True}},
              json.loads(line(2, "advise", {"handle": 1, "listen": True})), 7, [], {"jsonrpc": "2.0", "id": 9, "result": {}}),
        "[]",
        batch({"jsonrpc": "2.0", "method": "watchProgress"}),
        batch(json.loads(line(3, "call", {"handle": 1, "name": "Fire_LoginStatus", "args": [[[[1]]]]})),
              json.loads(line(4, "get", {"handle": 1, "name": "ConnectionActive"}))),
    ]) + "\n")
    write("jsonrpc_session", "objects", "\n".join([
        line(1, "create", {"class": "clsZERUredoz"}),
        line(2, "call", {"handle": 1, "name": "NewWorkQueue"}),
        line(3, "set", {"handle": 2, "name": "XMLResponse", "value": "<InfoResponse><Row><utteranceID>4</utteranceID></Row></InfoResponse>"}),
        line(4, "call", {"handle": 1, "name": "NewUtteranceCollection"}),
        line(5, "call", {"handle": 2, "name": "ExtractXML", "args": [{"$handle": 3}]}),
        line(6, "enumerate", {"handle": 3}),
        line(7, "call", {"handle": 1, "name": "NewStatusStringObject"}),
        line(8, "call", {"handle": 5, "name": "NewStatus", "args": [2, "Ready for Editing"]}),
        line(9, "release", {"handle": 5}),
        line(10, "call", {"handle": 1, "name": "Cleanup"}),
    ]) + "\n")


if __name__ == "__main__":
    main()
