"""The one exception type of the client."""
from __future__ import annotations

from typing import Any, Optional


class AutomationError(Exception):
    """A call that vzed answered with an error.

    ``number`` is the automation error number the server's classes raise (for example -1 for errors
    the server detects itself, 438 for an unknown member, 13 for a type mismatch), or a JSON-RPC
    code for a fault of the protocol (-32602 for an unknown handle or class). ``source`` names where
    the server raised it, when it says.
    """

    def __init__(self, number: int, description: str, source: Optional[str] = None, data: Any = None):
        super().__init__(f"error {number}: {description}" + (f" ({source})" if source else ""))
        self.number = number
        self.description = description
        self.source = source
        self.data = data

    @classmethod
    def from_answer(cls, error: Any) -> "AutomationError":
        if not isinstance(error, dict):
            return cls(0, str(error))
        data = error.get("data")
        source = data.get("source") if isinstance(data, dict) else None
        return cls(int(error.get("code", 0)), str(error.get("message", "")), source, data)
