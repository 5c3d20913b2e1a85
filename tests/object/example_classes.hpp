#pragma once
// Two small automation classes used by the object-model tests: a note, and a notebook that is a
// keyed collection of notes and raises events.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "object/automation_object.hpp"
#include "object/collection.hpp"

namespace vz::testing {

class clsNote : public AutomationObject<clsNote> {
 public:
  static constexpr std::string_view kClassName = "clsNote";
  static void Describe(ClassBuilder<clsNote>& c);

  const std::string& Text() const { return text_; }
  void SetText(std::string text) { text_ = std::move(text); }
  std::int16_t Priority() const { return priority_; }
  void SetPriority(std::int16_t priority) { priority_ = priority; }

 private:
  std::string text_;
  std::int16_t priority_ = 0;
};

class clsNotebook : public AutomationObject<clsNotebook> {
 public:
  static constexpr std::string_view kClassName = "clsNotebook";
  static void Describe(ClassBuilder<clsNotebook>& c);

  static constexpr EventDef<std::string, bool&> kClosing{"Closing", {"sReason", "bCancel"}};
  static constexpr EventDef<std::shared_ptr<clsNote>> kNoteAdded{"NoteAdded", {"objNote"}};

  // Adds a note under the optional key and returns it.
  std::shared_ptr<clsNote> Add(const std::string& sText, std::optional<std::string> sKey);
  std::int32_t Count() const { return notes_.Count(); }
  std::shared_ptr<clsNote> Item(const Value& index) const { return notes_.ItemByIndex(index); }
  void Remove(const Value& index) { notes_.RemoveByIndex(index); }
  std::vector<std::shared_ptr<clsNote>> Notes() const { return {notes_.begin(), notes_.end()}; }

  // Finds a note by key: True and the note in objNote when there is one.
  bool TryFind(const std::string& sKey, std::shared_ptr<clsNote>& objNote) const;
  // Raises Closing; returns whether a listener cancelled.
  bool Close(std::optional<std::string> sReason);
  // Doubles nValue in place; also adds nStep when given.
  void Bump(std::int32_t& nValue, std::optional<std::int32_t> nStep) {
    nValue = nValue * 2 + nStep.value_or(0);
  }

  const std::string& Title() const { return title_; }
  void SetTitle(std::string title) { title_ = std::move(title); }
  std::shared_ptr<clsNote> Pinned() const { return pinned_; }
  void SetPinned(std::shared_ptr<clsNote> note) { pinned_ = std::move(note); }
  void SetPassword(std::string password) { password_ = std::move(password); }
  const std::string& PasswordForTest() const { return password_; }
  // A property with an argument: the label of page nPage ("" until set).
  std::string Label(std::int16_t nPage) const { return labels_.contains(nPage) ? labels_.at(nPage) : ""; }
  void SetLabel(std::int16_t nPage, std::string label) { labels_[nPage] = std::move(label); }
  std::vector<std::int32_t> Marks() const { return marks_; }
  void SetMarks(std::vector<std::int32_t> marks) { marks_ = std::move(marks); }

 private:
  Collection<std::shared_ptr<clsNote>> notes_;
  std::string title_;
  std::string password_;
  std::shared_ptr<clsNote> pinned_;
  std::vector<std::int32_t> marks_;
  std::map<std::int16_t, std::string> labels_;
};

}  // namespace vz::testing
