"""A request's parameter sets, and what a request left behind when it ended, read in one go.

An action that takes values from the editor reads them from its parameter set (a generic request
of the specification's ``GenericRequests``) and leaves its answers and errors there; a request
that works on dictations leaves each one's status and error on its record. ``RequestResult.read``
collects all of it, for example inside ``on_complete``::

    speakers = vze.add_parameter_set(spec, vze.Action.DBR_GETSPEAKERS, {"institutionID": "12"})
    results = []
    session.submit(spec, on_complete=lambda request: results.append(vze.RequestResult.read(request))).wait(60)
    print(results[0].problems() or results[0].parameter_set(vze.Action.DBR_GETSPEAKERS).responses)
"""
from __future__ import annotations

from dataclasses import dataclass, field
from typing import Any, List, Mapping, Optional, Tuple

from .actions import Action
from .proxy import ObjectProxy


def add_parameter_set(spec: ObjectProxy, action: int, parameters: Optional[Mapping[str, Any]] = None) -> ObjectProxy:
    """Adds the parameter set of one action to a request specification, its parameters in the
    mapping's order (the order query strings are built in), values as text; returns the set, whose
    ``ResponseStrings`` and ``ErrorMessages`` hold the action's results once the request has run."""
    generic = spec.GenericRequests.Add(int(action))
    for name, value in (parameters or {}).items():
        generic.Parameters.Add(str(value), name)
    return generic


def action_name(action: int) -> str:
    """"DBR_GETSPEAKERS" for 16; the number as text for one that names no action."""
    try:
        return Action(action).name
    except ValueError:
        return str(action)


@dataclass(frozen=True)
class DictationResult:
    """A dictation of the request as its record stood at the end: ``error`` is the record's
    ``ErrorString``, empty unless this dictation failed."""

    utterance_id: int
    status: str
    status_code: int
    error: str
    config_file: str
    record: ObjectProxy = field(compare=False, repr=False)

    @property
    def reason(self) -> str:
        """``error`` without the frame the dictation-list calls put around an institution's answer
        ("Utterance 1001: <text>  documentVersion=0"): the institution's own text."""
        text = self.error
        prefix = f"Utterance {self.utterance_id}: "
        if text.startswith(prefix):
            text = text[len(prefix):]
        version = text.rfind("  documentVersion=")
        return text[:version] if version >= 0 else text


@dataclass(frozen=True)
class ParameterSetResult:
    """One parameter set: the action it belongs to, its answers and its errors."""

    action: int
    responses: Tuple[str, ...]
    errors: Tuple[str, ...]
    generic_request: ObjectProxy = field(compare=False, repr=False)


@dataclass(frozen=True)
class RequestResult:
    """What a request left behind: ``error`` is its ``GlobalErrorMessage`` (empty when no action
    ended it early); the dictations and parameter sets carry their own failures."""

    id: str
    error: str
    truncated: bool
    dictations: Tuple[DictationResult, ...]
    parameter_sets: Tuple[ParameterSetResult, ...]

    @classmethod
    def read(cls, request: ObjectProxy) -> "RequestResult":
        """Reads a request (a ``clsDatabaseRequest``, as ``DatabaseRequestComplete`` hands it)."""
        dictations = tuple(
            DictationResult(int(record.UtteranceID), str(record.Status), int(record.StatusCode), str(record.ErrorString),
                            str(record.ConfigFile), record)
            for record in (request.Utterances or ()))
        parameter_sets = tuple(
            ParameterSetResult(int(generic.RequestType), tuple(generic.ResponseStrings), tuple(generic.ErrorMessages), generic)
            for generic in (request.GenericRequests or ()))
        return cls(str(request.ID), str(request.GlobalErrorMessage), bool(request.Truncated), dictations, parameter_sets)

    def parameter_set(self, action: int) -> ParameterSetResult:
        """The first parameter set of ``action``; KeyError when the request had none."""
        for found in self.parameter_sets:
            if found.action == action:
                return found
        raise KeyError(f"the request has no parameter set of {action_name(action)}")

    def dictation(self, utterance_id: int) -> DictationResult:
        """The dictation ``utterance_id``; KeyError when the request did not hold it."""
        for found in self.dictations:
            if found.utterance_id == utterance_id:
                return found
        raise KeyError(f"the request holds no dictation {utterance_id}")

    def problems(self) -> List[str]:
        """Everything that went wrong, one text each: the request's error, each failed dictation's
        ("1004: " and its reason), each parameter set's errors ("DBR_GETSPEAKERS: ..."). Empty when all went well."""
        found = [f"request {self.id}: {self.error}"] if self.error else []
        found += [f"{dictation.utterance_id}: {dictation.reason}" for dictation in self.dictations if dictation.error]
        found += [f"{action_name(parameters.action)}: {error}" for parameters in self.parameter_sets
                  for error in parameters.errors if error]
        return found
