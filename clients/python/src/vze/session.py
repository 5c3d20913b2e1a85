"""One connection to vzed: calls that wait for their answer while serving what vzed sends meanwhile
(events, message boxes, progress), proxies of the objects it hands out, and their release."""
from __future__ import annotations

import time
import weakref
from collections import OrderedDict
from typing import Any, Callable, Dict, List, Optional, Set, Tuple

from .errors import AutomationError
from .members import ClassDescription, Member
from .progress import Progress
from .proxy import ObjectProxy
from .wire import LineChannel, default_socket_path

EventCallback = Callable[..., Any]
MessageBoxCallback = Callable[[str, str, int], Optional[int]]
ProgressCallback = Callable[[Progress], None]

# Message-box answers.
OK, CANCEL, ABORT, RETRY, IGNORE, YES, NO = 1, 2, 3, 4, 5, 6, 7


def _collected(session_ref: "weakref.ReferenceType[Session]", handle: int) -> None:
    # Runs wherever the collector runs, possibly in the middle of a call: only take note.
    session = session_ref()
    if session is not None:
        session._dead.append(handle)


class Session:
    """A connection to vzed.

    Not thread-safe: use a session from one thread. While the session has callbacks for events, vzed
    waits for its answers, so keep it busy with calls or ``serve``/``serve_until``.
    """

    def __init__(self, path: Optional[str] = None, *, timeout: float = 30.0):
        self.path = path or default_socket_path()
        self.timeout = timeout
        self._channel = LineChannel(self.path)
        self._next_id = 1
        self._answers: Dict[int, Dict[str, Any]] = {}
        self._abandoned: Set[int] = set()
        self._proxies: "weakref.WeakValueDictionary[int, ObjectProxy]" = weakref.WeakValueDictionary()
        # How often each handle has arrived; a release carries it (see docs/automation-protocol.md).
        self._seen: Dict[int, int] = {}
        self._dead: List[int] = []
        self._releasing: Dict[int, Tuple[int, int]] = {}
        self._classes: Dict[str, ClassDescription] = {}
        self._handlers: Dict[Tuple[int, str], List[EventCallback]] = {}
        self._advised: Dict[int, ObjectProxy] = {}
        self._message_box: Optional[MessageBoxCallback] = None
        self._progress: List[ProgressCallback] = []
        self._server: Optional[ObjectProxy] = None
        self._submissions: Dict[int, "Submission"] = {}
        # The last requests completed here (handle: request ID, answer), for vzed asking again about
        # one whose answer it missed. Only their IDs are kept: a proxy here would keep the request,
        # its dictations and their work-queue answer alive in vzed.
        self._completed: "OrderedDict[int, Tuple[str, Any]]" = OrderedDict()

    # Connection.

    def __enter__(self) -> "Session":
        return self

    def __exit__(self, *exc: Any) -> None:
        self.close()

    def close(self) -> None:
        """Ends the connection; vzed releases everything it held for it."""
        self._channel.close()

    @property
    def closed(self) -> bool:
        return self._channel.closed

    # The protocol's methods.

    def request(self, method: str, params: Optional[Dict[str, Any]] = None) -> Any:
        """Sends a JSON-RPC request and returns its raw result, serving vzed's own messages while
        it waits. Raises AutomationError for an error answer, TimeoutError when no answer comes
        within ``timeout`` seconds of vzed's last message, ConnectionError when vzed goes away."""
        self._release_collected()
        return self._wait_for(self._send(method, params))

    def create(self, class_name: str) -> ObjectProxy:
        return self._to_python(self.request("create", {"class": class_name}))

    def server(self) -> ObjectProxy:
        """The process's server object (clsZERUredoz), kept for the session."""
        if self._server is None:
            self._server = self.create("clsZERUredoz")
        return self._server

    def describe(self, class_name: str) -> ClassDescription:
        key = class_name.lower()
        if key not in self._classes:
            self._classes[key] = ClassDescription.from_json(self.request("describe", {"class": class_name}))
        return self._classes[key]

    def get(self, target: ObjectProxy, name: str, *args: Any) -> Any:
        params: Dict[str, Any] = {"handle": target._handle, "name": name}
        if args:
            params["args"] = self._to_json(list(args))
        return self._to_python(self.request("get", params))

    def set(self, target: ObjectProxy, name: str, value: Any, *args: Any) -> None:
        params: Dict[str, Any] = {"handle": target._handle, "name": name, "value": self._to_json(value)}
        if args:
            params["args"] = self._to_json(list(args))
        self.request("set", params)

    def call(self, target: ObjectProxy, name: str, *args: Any) -> Tuple[Any, List[Any]]:
        """Calls an operation; its value and the final value of every argument."""
        answer = self.request("call", {"handle": target._handle, "name": name, "args": self._to_json(list(args))})
        return self._to_python(answer.get("value")), self._to_python(answer.get("args", []))

    def enumerate(self, target: ObjectProxy) -> List[Any]:
        return self._to_python(self.request("enumerate", {"handle": target._handle}))

    def close_request(self, reason: str = "owner") -> bool:
        """Asks vzed to close; True when the close was cancelled."""
        return bool(self.request("closeRequest", {"reason": reason}).get("cancelled"))

    # Events, message boxes and progress.

    def on(self, source: ObjectProxy, event: str, callback: Optional[EventCallback] = None) -> Any:
        """Calls ``callback(*args)`` for each ``event`` of ``source`` (the server object's events).
        For an event with by-reference arguments the callback's return value answers it: None
        leaves them, a dict sets them by name, a list or tuple gives every argument, and any other
        value sets the one by-reference argument (``return True`` acknowledges
        DatabaseRequestComplete). Usable as a decorator when ``callback`` is left out."""
        if callback is None:
            return lambda function: self.on(source, event, function)
        self._handlers.setdefault((source._handle, event.lower()), []).append(callback)
        self._advise(source)
        return callback

    def off(self, source: ObjectProxy, event: str, callback: EventCallback) -> None:
        callbacks = self._handlers.get((source._handle, event.lower()), [])
        if callback in callbacks:
            callbacks.remove(callback)
        still_heard = any(handle == source._handle and callbacks for (handle, _), callbacks in self._handlers.items())
        if not still_heard and source._handle in self._advised and not (self._message_box and source == self._server):
            self.request("unadvise", {"handle": source._handle})
            del self._advised[source._handle]

    def on_message_box(self, callback: Optional[MessageBoxCallback]) -> None:
        """Shows vzed's message boxes through ``callback(text, title, style)``, which returns the
        answer (OK ... NO; None is OK). With None, boxes get the answer of a box that may not be
        shown (OK), as when no client answers them."""
        self._message_box = callback
        prompts = callback is not None
        if not self._advised and prompts:
            self._advise(self.server())
        for handle in list(self._advised):
            self.request("advise", {"handle": handle, "prompts": prompts})

    def on_progress(self, callback: ProgressCallback) -> ProgressCallback:
        """Calls ``callback(progress)`` for every progress notification of every request."""
        if not self._progress:
            self.request("watchProgress", {"enabled": True})
        self._progress.append(callback)
        return callback

    def off_progress(self, callback: ProgressCallback) -> None:
        if callback in self._progress:
            self._progress.remove(callback)
            if not self._progress:
                self.request("watchProgress", {"enabled": False})

    def serve(self, timeout: Optional[float] = 0.0) -> int:
        """Handles what vzed sends for ``timeout`` seconds (0: only what has arrived; None: until
        the connection ends); the number of messages handled."""
        self._release_collected()
        deadline = None if timeout is None else time.monotonic() + timeout
        handled = 0
        while True:
            left = None if deadline is None else max(0.0, deadline - time.monotonic())
            message = self._channel.receive(left)
            if message is None:
                return handled
            self._take(message)
            handled += 1

    def serve_until(self, done: Callable[[], bool], timeout: Optional[float] = None) -> None:
        """Handles what vzed sends until ``done()`` holds; TimeoutError after ``timeout`` seconds."""
        deadline = None if timeout is None else time.monotonic() + timeout
        while not done():
            self._release_collected()
            left = None if deadline is None else deadline - time.monotonic()
            if left is not None and left <= 0:
                raise TimeoutError(f"still waiting after {timeout} s")
            message = self._channel.receive(left)
            if message is not None:
                self._take(message)

    # Requests of the server.

    def submit(self, spec: ObjectProxy, *, on_complete: Optional[Callable[[ObjectProxy], None]] = None,
               acknowledge: bool = True) -> "Submission":
        """Adds a request specification to the server's queue. ``on_complete(request)`` runs inside
        its DatabaseRequestComplete, while the server waits (read the results there); the event is
        answered with bReceived true unless ``acknowledge`` is false."""
        server = self.server()
        if not any(callback == self._complete_submission for callback in self._handlers.get((server._handle, "databaserequestcomplete"), [])):
            self.on(server, "DatabaseRequestComplete", self._complete_submission)
        request = self.get(server, "DatabaseRequests").Add(spec)
        submission = Submission(self, request, on_complete, acknowledge)
        self._submissions[request._handle] = submission
        return submission

    def _complete_submission(self, request: Any, received: Any) -> Any:
        if not isinstance(request, ObjectProxy):
            return None
        submission = self._submissions.pop(request._handle, None)
        if submission is None:
            # Asked again (the first answer came too late): acknowledged again, handled once.
            earlier = self._completed.get(request._handle)
            return earlier[1] if earlier is not None and earlier[0] == request.ID else None
        self._completed[request._handle] = (submission.id, submission._answer())
        while len(self._completed) > 16:
            self._completed.popitem(last=False)
        return submission._complete()

    # Inside.

    def _send(self, method: str, params: Optional[Dict[str, Any]]) -> int:
        identifier = self._next_id
        self._next_id += 1
        message: Dict[str, Any] = {"jsonrpc": "2.0", "id": identifier, "method": method}
        if params is not None:
            message["params"] = params
        self._channel.send(message)
        return identifier

    def _wait_for(self, identifier: int) -> Any:
        deadline = time.monotonic() + self.timeout
        try:
            while identifier not in self._answers:
                message = self._channel.receive(max(0.0, deadline - time.monotonic()))
                if message is None:
                    raise TimeoutError(f"vzed did not answer within {self.timeout} s")
                if self._take(message):
                    deadline = time.monotonic() + self.timeout  # vzed is alive and busy with us
        except BaseException:
            if identifier not in self._answers:
                self._abandoned.add(identifier)
            raise
        answer = self._answers.pop(identifier)
        if "error" in answer:
            raise AutomationError.from_answer(answer["error"])
        return answer.get("result")

    def _take(self, message: Dict[str, Any]) -> bool:
        """Handles one message; True when it was vzed's own (not an answer)."""
        self._count_handles(message)
        if "method" in message:
            self._dispatch(message)
            return True
        identifier = message.get("id")
        if identifier in self._releasing:
            self._released(identifier)
        elif identifier in self._abandoned:
            self._abandoned.discard(identifier)
        elif isinstance(identifier, int):
            self._answers[identifier] = message
        return False

    def _dispatch(self, message: Dict[str, Any]) -> None:
        method = message.get("method")
        params = message.get("params") or {}
        identifier = message.get("id")
        result: Any = None
        failure: Optional[BaseException] = None
        try:
            if method == "event":
                result = self._on_event(params)
            elif method == "messageBox":
                answer = self._message_box(str(params.get("text", "")), str(params.get("title", "")),
                                           int(params.get("style", 0))) if self._message_box else None
                result = {"answer": OK if answer is None else int(answer)}
            elif method == "progress":
                progress = Progress.from_params(params)
                for callback in list(self._progress):
                    callback(progress)
        except Exception as error:  # answered first: vzed must not wait for a broken callback
            failure = error
            if method == "event":
                result = {"args": params.get("args", [])}
            elif method == "messageBox":
                result = {"answer": OK}
        if identifier is not None:
            self._channel.send({"jsonrpc": "2.0", "id": identifier, "result": result})
        if failure is not None:
            raise failure

    def _on_event(self, params: Dict[str, Any]) -> Dict[str, Any]:
        source = params.get("source")
        name = str(params.get("name", ""))
        args = self._to_python(list(params.get("args", [])))
        member = self._event_member(source, name)
        for callback in list(self._handlers.get((source, name.lower()), [])):  # type: ignore[arg-type]
            self._apply_answer(member, args, callback(*args))
        return {"args": self._to_json(args)}

    def _event_member(self, source: Any, name: str) -> Optional[Member]:
        proxy = self._proxies.get(source) if isinstance(source, int) else None
        return self.describe(proxy._class).find(name) if proxy is not None else None

    @staticmethod
    def _apply_answer(member: Optional[Member], args: List[Any], returned: Any) -> None:
        if returned is None:
            return
        names = [argument.lower() for argument in member.arguments] if member else []
        if isinstance(returned, dict):
            for key, value in returned.items():
                if key.lower() not in names:
                    raise ValueError(f"{member.name if member else 'the event'} has no argument {key}")
                args[names.index(key.lower())] = value
        elif isinstance(returned, (list, tuple)):
            args[: len(returned)] = list(returned)[: len(args)]
        else:
            positions = member.by_ref_positions if member else ()
            if len(positions) != 1:
                raise ValueError("answer an event with several by-reference arguments with a dict")
            args[positions[0]] = returned

    def _advise(self, source: ObjectProxy) -> None:
        if source._handle in self._advised:
            return
        self.request("advise", {"handle": source._handle, "prompts": self._message_box is not None})
        self._advised[source._handle] = source

    # Values and handles.

    def _count_handles(self, message: Dict[str, Any]) -> None:
        def walk(value: Any) -> None:
            if isinstance(value, dict):
                handle = value.get("$handle")
                if isinstance(handle, int):
                    self._seen[handle] = self._seen.get(handle, 0) + 1
                else:
                    for item in value.values():
                        walk(item)
            elif isinstance(value, list):
                for item in value:
                    walk(item)

        if "result" in message:
            walk(message["result"])
        params = message.get("params")
        if message.get("method") == "event" and isinstance(params, dict):
            source = params.get("source")
            if isinstance(source, int):
                self._seen[source] = self._seen.get(source, 0) + 1
            walk(params.get("args"))

    def _to_python(self, value: Any) -> Any:
        if isinstance(value, dict) and isinstance(value.get("$handle"), int):
            return self._proxy(value["$handle"], str(value.get("$class", "")))
        if isinstance(value, list):
            return [self._to_python(item) for item in value]
        return value

    def _to_json(self, value: Any) -> Any:
        if isinstance(value, ObjectProxy):
            if value._session is not self:
                raise ValueError(f"{value!r} belongs to another connection")
            return {"$handle": value._handle}
        if isinstance(value, (list, tuple)):
            return [self._to_json(item) for item in value]
        if value is None or isinstance(value, (bool, int, float, str)):
            return value
        raise TypeError(f"a {type(value).__name__} cannot be sent to vzed")

    def _proxy(self, handle: int, class_name: str) -> ObjectProxy:
        proxy = self._proxies.get(handle)
        if proxy is None:
            proxy = ObjectProxy(self, handle, class_name)
            self._proxies[handle] = proxy
            weakref.finalize(proxy, _collected, weakref.ref(self), handle).atexit = False
        return proxy

    def _release_collected(self) -> None:
        """Releases the handles whose proxies were collected, each with the number of times it
        arrived: vzed keeps a handle it has sent again meanwhile, for the proxy that message made."""
        if self._channel.closed:
            self._dead.clear()
            return
        while self._dead:
            handle = self._dead.pop()
            if handle in self._proxies or any(pending == handle for pending, _ in self._releasing.values()):
                continue
            seen = self._seen.get(handle, 0)
            identifier = self._send("release", {"handle": handle, "seen": seen})
            self._releasing[identifier] = (handle, seen)

    def _released(self, identifier: int) -> None:
        handle, seen = self._releasing.pop(identifier)
        if self._seen.get(handle) == seen and handle not in self._proxies:
            del self._seen[handle]
        elif handle not in self._proxies:
            self._dead.append(handle)  # it came again and went again meanwhile


class Submission:
    """A request added to the server's queue, until its DatabaseRequestComplete."""

    def __init__(self, session: Session, request: ObjectProxy, on_complete: Optional[Callable[[ObjectProxy], None]],
                 acknowledge: bool):
        self.session = session
        self.request = request
        self.id: str = request.ID
        self.done = False
        self.error = ""
        self._on_complete = on_complete
        self._acknowledge = acknowledge

    def _complete(self) -> Any:
        self.done = True
        self.error = self.request.GlobalErrorMessage
        if self._on_complete is not None:
            self._on_complete(self.request)
        return self._answer()

    def _answer(self) -> Any:
        return {"bReceived": True} if self._acknowledge else None

    def wait(self, timeout: Optional[float] = None) -> ObjectProxy:
        """Serves the session until the request is complete; the request."""
        self.session.serve_until(lambda: self.done, timeout)
        return self.request
