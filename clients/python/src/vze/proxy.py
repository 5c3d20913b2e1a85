"""Objects of vzed as Python objects: attributes read and write properties, methods call
operations, and an event member connects callbacks."""
from __future__ import annotations

from typing import Any, Callable, Iterator, List, Optional, Protocol, Tuple

from .members import ClassDescription, Member


class ObjectHost(Protocol):
    """What a proxy asks of the connection that holds its object (a ``Session``)."""

    def describe(self, class_name: str) -> ClassDescription: ...
    def get(self, target: "ObjectProxy", name: str, *args: Any) -> Any: ...
    def set(self, target: "ObjectProxy", name: str, value: Any, *args: Any) -> None: ...
    def call(self, target: "ObjectProxy", name: str, *args: Any) -> Tuple[Any, List[Any]]: ...
    def enumerate(self, target: "ObjectProxy") -> List[Any]: ...
    def on(self, source: "ObjectProxy", event: str, callback: Optional[Callable[..., Any]] = None) -> Any: ...
    def off(self, source: "ObjectProxy", event: str, callback: Callable[..., Any]) -> None: ...


class ObjectProxy:
    """An object held by handle on one connection.

    ``proxy.Name`` reads a property (or returns a callable for an operation or a property that
    takes arguments), ``proxy.Name = value`` writes one, names matched case-insensitively. A method
    with by-reference arguments returns a tuple: its value, then the final value of each
    by-reference argument passed, in order. The handle is released when the last proxy of the object
    is collected.
    """

    __slots__ = ("_session", "_handle", "_class", "__weakref__")

    def __init__(self, session: ObjectHost, handle: int, class_name: str):
        object.__setattr__(self, "_session", session)
        object.__setattr__(self, "_handle", handle)
        object.__setattr__(self, "_class", class_name)

    def _member(self, name: str) -> Optional[Member]:
        return self._session.describe(self._class).find(name)

    def __getattr__(self, name: str) -> Any:
        if name.startswith("_"):
            raise AttributeError(name)
        member = self._member(name)
        if member is None:
            # Not described: vzed answers 438 for what the class does not have.
            return self._session.get(self, name)
        if member.kind == "event":
            return EventSlot(self, member.name)
        if member.kind == "operation" or member.arguments:
            return BoundMember(self, member)
        return self._session.get(self, member.name)

    def __setattr__(self, name: str, value: Any) -> None:
        if name.startswith("_"):
            raise AttributeError(f"{name} cannot be set on a vzed object")
        if isinstance(value, EventSlot):
            return  # the end of `proxy.Event += handler`
        member = self._member(name)
        self._session.set(self, member.name if member else name, value)

    def __iter__(self) -> Iterator[Any]:
        return iter(self._session.enumerate(self))

    def __bool__(self) -> bool:
        return True  # an object reference; Nothing arrives as None

    def __len__(self) -> int:
        return int(self._session.get(self, "Count"))

    def __getitem__(self, key: Any) -> Any:
        default = self._session.describe(self._class).default_member
        return self._session.get(self, default.name if default else "Item", key)

    def __eq__(self, other: object) -> bool:
        return isinstance(other, ObjectProxy) and other._session is self._session and other._handle == self._handle

    def __hash__(self) -> int:
        return hash((id(self._session), self._handle))

    def __repr__(self) -> str:
        return f"<{self._class} handle {self._handle}>"

    def __dir__(self) -> Any:
        return sorted(member.name for member in self._session.describe(self._class).members.values())


def handle_of(proxy: ObjectProxy) -> int:
    """The proxy's handle on its connection."""
    return proxy._handle


def class_of(proxy: ObjectProxy) -> str:
    """The name of the proxy's class ("clsDatabaseRequest")."""
    return proxy._class


class BoundMember:
    """An operation, or a property that takes arguments, of one object: call it."""

    __slots__ = ("_proxy", "_member")

    def __init__(self, proxy: ObjectProxy, member: Member):
        self._proxy = proxy
        self._member = member

    def __call__(self, *args: Any) -> Any:
        session = self._proxy._session
        if self._member.kind != "operation":
            return session.get(self._proxy, self._member.name, *args)
        value, final = session.call(self._proxy, self._member.name, *args)
        by_ref = [final[index] for index in self._member.by_ref_positions if index < len(final)]
        return (value, *by_ref) if by_ref else value

    def __repr__(self) -> str:
        return f"<{self._member.kind} {self._proxy._class}.{self._member.name}({', '.join(self._member.arguments)})>"


class EventSlot:
    """An event of one object: ``connect`` a callback (also usable as a decorator), or ``+=``."""

    __slots__ = ("_proxy", "_name")

    def __init__(self, proxy: ObjectProxy, name: str):
        self._proxy = proxy
        self._name = name

    def connect(self, callback: Callable[..., Any]) -> Callable[..., Any]:
        self._proxy._session.on(self._proxy, self._name, callback)
        return callback

    def disconnect(self, callback: Callable[..., Any]) -> None:
        self._proxy._session.off(self._proxy, self._name, callback)

    def __iadd__(self, callback: Callable[..., Any]) -> "EventSlot":
        self.connect(callback)
        return self

    def __isub__(self, callback: Callable[..., Any]) -> "EventSlot":
        self.disconnect(callback)
        return self
