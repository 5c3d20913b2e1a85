#include "example_classes.hpp"

namespace vz::testing {

void clsNote::Describe(ClassBuilder<clsNote>& c) {
  c.Creatable()
      .Property("Text", &clsNote::Text, &clsNote::SetText).Default()
      .Property("Priority", &clsNote::Priority, &clsNote::SetPriority);
}

void clsNotebook::Describe(ClassBuilder<clsNotebook>& c) {
  c.Creatable()
      .Operation("Add", &clsNotebook::Add, {"sText", "sKey"})
      .Property("Count", &clsNotebook::Count)
      .Operation("Item", &clsNotebook::Item, {"Index"}).Default()
      .Operation("Remove", &clsNotebook::Remove, {"Index"})
      .NewEnum(&clsNotebook::Notes)
      .Operation("TryFind", &clsNotebook::TryFind, {"sKey", "objNote"})
      .Operation("Close", &clsNotebook::Close, {"sReason"})
      .Operation("Bump", &clsNotebook::Bump, {"nValue", "nStep"})
      .Property("Title", &clsNotebook::Title, &clsNotebook::SetTitle)
      .Property("Pinned", &clsNotebook::Pinned, &clsNotebook::SetPinned)
      .WriteOnlyProperty("Password", &clsNotebook::SetPassword)
      .Property("Marks", &clsNotebook::Marks, &clsNotebook::SetMarks)
      .Property("Label", &clsNotebook::Label, &clsNotebook::SetLabel, {"nPage"})
      .Event(kClosing)
      .Event(kNoteAdded);
}

std::shared_ptr<clsNote> clsNotebook::Add(const std::string& sText, std::optional<std::string> sKey) {
  auto note = std::make_shared<clsNote>();
  note->SetText(sText);
  notes_.Add(note, std::move(sKey));
  RaiseEvent(kNoteAdded, note);
  return note;
}

bool clsNotebook::TryFind(const std::string& sKey, std::shared_ptr<clsNote>& objNote) const {
  const auto* found = notes_.Find(sKey);
  if (!found) return false;
  objNote = *found;
  return true;
}

bool clsNotebook::Close(std::optional<std::string> sReason) {
  bool cancel = false;
  RaiseEvent(kClosing, sReason.value_or("owner"), cancel);
  return cancel;
}

}  // namespace vz::testing
