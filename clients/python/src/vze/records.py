"""Dictation records kept in their configuration files, as the editor keeps them.

A check-in reads the record back from its file, so what the editor changes in a record for a
request (cleared errors, a pending note) must be written to the file before the request runs::

    dictations = vze.load_records(server, ["/data/Downloads/Local_1001.cfg"])
    spec.Utterances = dictations
"""
from __future__ import annotations

from typing import Any, Iterable

from .proxy import ObjectProxy


def load_record(server: Any, config_file: str, *, clear_errors: bool = True) -> ObjectProxy:
    """The dictation's record read from ``config_file``. With ``clear_errors`` (the default) what
    failed in an earlier request is tried afresh: the record's errors are cleared and the record is
    written back to its file, where a check-in reads it."""
    record = server.NewUtteranceObject()
    record.ReadConfigFileToObject(config_file)
    if clear_errors:
        record.ClearErrors()
        record.WriteObjectToConfigFile(config_file)
    return record


def load_records(server: Any, config_files: Iterable[str], *, clear_errors: bool = True) -> ObjectProxy:
    """A dictation collection (``NewUtteranceCollection``) of the records in ``config_files``, each
    loaded as ``load_record`` does and kept with its file."""
    collection = server.NewUtteranceCollection()
    for config_file in config_files:
        collection.AddCompleteObject(load_record(server, config_file, clear_errors=clear_errors), config_file)
    return collection
