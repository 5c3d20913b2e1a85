"""JSON-RPC 2.0 messages over vzed's Unix-domain socket, one JSON text per line."""
from __future__ import annotations

import json
import os
import selectors
import socket
import time
from typing import Any, Dict, Optional


def default_socket_path() -> str:
    """The socket vzed listens on by default: ``$XDG_RUNTIME_DIR/vzed.sock``, or
    ``/tmp/vzed-$UID/vzed.sock`` when ``XDG_RUNTIME_DIR`` is unset."""
    runtime = os.environ.get("XDG_RUNTIME_DIR")
    if runtime:
        return os.path.join(runtime, "vzed.sock")
    return f"/tmp/vzed-{os.getuid()}/vzed.sock"


class LineChannel:
    """A connected socket carrying one JSON message per line."""

    # vzed closes a connection whose line passes 16 MiB; an answer that large is refused here too.
    MAX_LINE = 16 * 1024 * 1024

    def __init__(self, path: str):
        self._socket = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        try:
            self._socket.connect(path)
        except OSError as error:
            self._socket.close()
            raise ConnectionError(f"cannot connect to vzed at {path}: {error.strerror or error}") from error
        self._selector = selectors.DefaultSelector()
        self._selector.register(self._socket, selectors.EVENT_READ)
        self._buffer = bytearray()
        self._closed = False

    @property
    def closed(self) -> bool:
        return self._closed

    def send(self, message: Dict[str, Any]) -> None:
        if self._closed:
            raise ConnectionError("the connection to vzed is closed")
        line = json.dumps(message, separators=(",", ":"), ensure_ascii=False).encode() + b"\n"
        try:
            self._socket.sendall(line)
        except OSError as error:
            self._closed = True
            raise ConnectionError(f"vzed has closed the connection: {error}") from error

    def receive(self, timeout: Optional[float]) -> Optional[Dict[str, Any]]:
        """The next message, or None when ``timeout`` seconds pass first (None: wait for ever).
        Raises ConnectionError when vzed closes the connection."""
        deadline = None if timeout is None else time.monotonic() + timeout
        while True:
            end = self._buffer.find(b"\n")
            if end >= 0:
                line = bytes(self._buffer[:end])
                del self._buffer[: end + 1]
                try:
                    message = json.loads(line)
                except ValueError:
                    continue  # not ours to repair; the next line may be
                if isinstance(message, dict):
                    return message
                continue
            if len(self._buffer) > self.MAX_LINE:
                self.close()
                raise ConnectionError("vzed sent a line over 16 MiB")
            if self._closed:
                raise ConnectionError("vzed has closed the connection")
            left = None if deadline is None else max(0.0, deadline - time.monotonic())
            if not self._selector.select(left):
                return None
            try:
                chunk = self._socket.recv(65536)
            except InterruptedError:
                continue
            except OSError as error:
                self._closed = True
                raise ConnectionError(f"vzed has closed the connection: {error}") from error
            if not chunk:
                self._closed = True
                continue  # a last whole line may still be in the buffer
            self._buffer += chunk

    def close(self) -> None:
        if not self._closed:
            self._closed = True
        try:
            self._selector.close()
        except (OSError, ValueError, KeyError):
            pass
        self._socket.close()
