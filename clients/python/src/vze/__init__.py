"""Python client of vzed, the VizorareZazizuzEravov automation server.

    import vze

    with vze.connect() as session:
        server = session.server()
        server.LogFilePath = "/tmp/Logs/Server.log"
        print(server.DatabaseRequests.Count)

Objects are proxies (``vze.ObjectProxy``); events reach callbacks (``Session.on``), message boxes
a callback (``Session.on_message_box``), progress a callback (``Session.on_progress``); every error
vzed answers is a ``vze.AutomationError`` carrying the automation number. ``vze.Action`` names the
actions a request lists, ``vze.add_parameter_set`` gives an action its values, and
``vze.RequestResult.read`` collects what a request left behind; ``vze.load_record`` and
``vze.load_records`` read dictation records from their files, clear their errors and write them
back, as a check-in reads them from there.
"""
from typing import Optional

from .actions import Action
from .errors import AutomationError
from .members import ClassDescription, Member
from .progress import Progress
from .records import load_record, load_records
from .proxy import BoundMember, EventSlot, ObjectProxy, class_of, handle_of
from .results import DictationResult, ParameterSetResult, RequestResult, action_name, add_parameter_set
from .session import ABORT, CANCEL, IGNORE, NO, OK, RETRY, YES, Session, Submission
from .wire import default_socket_path

__all__ = [
    "ABORT", "CANCEL", "IGNORE", "NO", "OK", "RETRY", "YES",
    "Action", "AutomationError", "BoundMember", "ClassDescription", "DictationResult", "EventSlot", "Member", "ObjectProxy",
    "ParameterSetResult", "Progress", "RequestResult", "Session", "Submission", "action_name", "add_parameter_set", "class_of",
    "connect", "default_socket_path", "handle_of", "load_record", "load_records",
]


def connect(path: Optional[str] = None, *, timeout: float = 30.0) -> Session:
    """Connects to vzed's socket (default: the one vzed listens on by default)."""
    return Session(path, timeout=timeout)
