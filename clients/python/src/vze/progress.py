"""The progress notifications vzed sends about its requests."""
from __future__ import annotations

from dataclasses import dataclass
from typing import Any, Dict, Tuple


@dataclass(frozen=True)
class DictationTransfer:
    """A dictation whose exchanges are in flight, and the body bytes they moved so far."""

    utterance_id: str
    bytes_sent: int
    bytes_received: int


@dataclass(frozen=True)
class Progress:
    """How far a request has come.

    ``step`` says what changed: "action" (an action of the request's list starts), "dictation" (one
    more dictation of the action's list is done), "transfer" (bytes moved; sent at most ten times a
    second) or "done" (the request ended; ``error`` says why when it went wrong, and its
    ``DatabaseRequestComplete`` event follows).

    Several dictations of a list may move at once: ``transfers`` holds each one in flight, with its
    own byte counts, and ``dictations_done`` counts the finished ones in whatever order they end.
    """

    request: str
    step: str
    action: int
    action_name: str
    action_number: int
    action_count: int
    dictations_listed: int
    dictations_done: int
    utterance_id: str
    bytes_sent: int
    bytes_received: int
    error: str = ""
    transfers: Tuple[DictationTransfer, ...] = ()

    @classmethod
    def from_params(cls, params: Dict[str, Any]) -> "Progress":
        return cls(
            request=str(params.get("request", "")),
            step=str(params.get("step", "")),
            action=int(params.get("action", 0)),
            action_name=str(params.get("actionName", "")),
            action_number=int(params.get("actionNumber", 0)),
            action_count=int(params.get("actionCount", 0)),
            dictations_listed=int(params.get("dictationsListed", 0)),
            dictations_done=int(params.get("dictationsDone", 0)),
            utterance_id=str(params.get("utteranceID", "")),
            bytes_sent=int(params.get("bytesSent", 0)),
            bytes_received=int(params.get("bytesReceived", 0)),
            error=str(params.get("error", "")),
            transfers=tuple(
                DictationTransfer(
                    utterance_id=str(item.get("utteranceID", "")),
                    bytes_sent=int(item.get("bytesSent", 0)),
                    bytes_received=int(item.get("bytesReceived", 0)),
                )
                for item in params.get("transfers", [])
                if isinstance(item, dict)
            ),
        )
