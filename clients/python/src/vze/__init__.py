"""Python client of vzed, the VizorareZazizuzEravov automation server.

    import vze

    with vze.connect() as session:
        server = session.server()
        server.LogFilePath = "/tmp/Logs/Server.log"
        print(server.DatabaseRequests.Count)

Objects are proxies (``vze.ObjectProxy``); events reach callbacks (``Session.on``), message boxes
a callback (``Session.on_message_box``), progress a callback (``Session.on_progress``); every error
vzed answers is a ``vze.AutomationError`` carrying the automation number.
"""
from typing import Optional

from .errors import AutomationError
from .members import ClassDescription, Member
from .progress import Progress
from .proxy import BoundMember, EventSlot, ObjectProxy, class_of, handle_of
from .session import ABORT, CANCEL, IGNORE, NO, OK, RETRY, YES, Session, Submission
from .wire import default_socket_path

__all__ = [
    "ABORT", "CANCEL", "IGNORE", "NO", "OK", "RETRY", "YES",
    "AutomationError", "BoundMember", "ClassDescription", "EventSlot", "Member", "ObjectProxy", "Progress",
    "Session", "Submission", "class_of", "connect", "default_socket_path", "handle_of",
]


def connect(path: Optional[str] = None, *, timeout: float = 30.0) -> Session:
    """Connects to vzed's socket (default: the one vzed listens on by default)."""
    return Session(path, timeout=timeout)
