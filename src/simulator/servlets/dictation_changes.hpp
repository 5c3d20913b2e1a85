#pragma once
// How the dictation operations and QA servlets read and change an institution's dictations:
// fields the editor may update, the pending note, restricted dictations, new dictations made by a
// split or a creation, and the query strings the engine builds.
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "simulator/servlets/servlet_family.hpp"

namespace vz::simulator {

// The row element `name` of the dictation beyond the standard ones; "" when not set.
std::string MoreField(const Dictation& dictation, std::string_view name);
void SetMoreField(Dictation& dictation, std::string_view name, std::string value);

// The pending note, as its work-queue row carries it ("problemNote").
inline std::string PendingNote(const Dictation& dictation) { return MoreField(dictation, "problemNote"); }
inline void SetPendingNote(Dictation& dictation, std::string note) { SetMoreField(dictation, "problemNote", std::move(note)); }

// Whether the editor may change the field `name` at all.
bool IsUpdatableField(std::string_view name);
// Whether the editor may change the field `name` to `value`; the reason when not.
std::string FieldUpdateProblem(std::string_view name, std::string_view value);
// Changes a field the editor may change (FieldUpdateProblem empty).
void UpdateField(Dictation& dictation, std::string_view name, std::string value);

// A dictation the user may not review (InstitutionConfig::restrictedDictations).
bool IsRestricted(const Institution& institution, const Dictation& dictation);

// A new dictation at the end of the queue with the next free ID, its audio and text written under
// the queue folder: `seconds` of generated audio, or, when `source` is given, its audio from
// `startMs` to `endMs`. Null, with `problem` set, when the queue is full or the files cannot be
// written.
Dictation* AddDictation(Institution& institution, const Dictation* source, long startMs, long endMs, std::string& problem);

// A whole number in `text`, or nothing.
std::optional<long> WholeNumber(std::string_view text);

}  // namespace vz::simulator
