"""What ``describe`` tells about a class: its members by name, matched case-insensitively."""
from __future__ import annotations

from dataclasses import dataclass, field
from typing import Any, Dict, Optional, Tuple


@dataclass(frozen=True)
class Member:
    name: str
    kind: str  # "property", "operation" or "event"
    arguments: Tuple[str, ...] = ()
    by_ref: Tuple[str, ...] = ()
    optional: Tuple[str, ...] = ()
    readable: bool = True
    writable: bool = False
    default: bool = False

    @property
    def by_ref_positions(self) -> Tuple[int, ...]:
        """The places of the by-reference arguments among the arguments."""
        lowered = {name.lower() for name in self.by_ref}
        return tuple(index for index, name in enumerate(self.arguments) if name.lower() in lowered)

    @classmethod
    def from_json(cls, entry: Dict[str, Any]) -> "Member":
        return cls(
            name=str(entry.get("name", "")),
            kind=str(entry.get("kind", "")),
            arguments=tuple(entry.get("arguments", ())),
            by_ref=tuple(entry.get("byRef", ())),
            optional=tuple(entry.get("optional", ())),
            readable=bool(entry.get("read", True)),
            writable=bool(entry.get("write", False)),
            default=bool(entry.get("default", False)),
        )


@dataclass
class ClassDescription:
    name: str
    creatable: bool
    members: Dict[str, Member] = field(default_factory=dict)  # by lower-case name

    def find(self, name: str) -> Optional[Member]:
        return self.members.get(name.lower())

    @property
    def default_member(self) -> Optional[Member]:
        for member in self.members.values():
            if member.default:
                return member
        return None

    @classmethod
    def from_json(cls, answer: Dict[str, Any]) -> "ClassDescription":
        members: Dict[str, Member] = {}
        for entry in answer.get("members", ()):
            member = Member.from_json(entry)
            # A property and its operation of the same name: the first one described wins.
            members.setdefault(member.name.lower(), member)
        return cls(str(answer.get("class", "")), bool(answer.get("creatable", False)), members)
