// Pending notes: the items a transcriptionist attaches to a dictation that cannot be finished,
// kept as markup in "Notes" and as readable text in "CurrentPendingNote".
//
// Adding builds items with CR LF line ends; removing looks for items with LF line ends, the form
// they take once the configuration file has been written and read again (the XML parser turns
// CR LF into LF). An item added and removed without a reload in between therefore stays in
// "Notes"; the readable text loses it either way. Editors rely on this behaviour.
#include <algorithm>
#include <cctype>

#include "diagnostics/error_log.hpp"
#include "dictation/property_conversions.hpp"
#include "dictation/utterance_common.hpp"
#include "dictation/utterance_object.hpp"
#include "xml/node_access.hpp"
#include "xml/parse_failure.hpp"

namespace vz {

using namespace dictation;

namespace {

std::string_view TypeLine(std::int32_t itemType) {
  switch (itemType) {
    case kPendingUnexpectedError: return "<type>3</type>";
    case kPendingNewContact: return "<type>6</type>";
    case kPendingQuorvaneistMessage: return "<type>7</type>";
    default: return {};
  }
}

std::string ItemBody(std::int32_t itemType, const std::string& content) {
  switch (itemType) {
    case kPendingUnexpectedError: return "<text><![CDATA[" + content + "]]></text>";
    case kPendingNewContact: return content;
    case kPendingQuorvaneistMessage: return "<text>" + content + "</text>";
    default: return {};
  }
}

std::string_view ReadableLabel(std::int32_t itemType) {
  switch (itemType) {
    case kPendingUnexpectedError: return "Unexpected Error:";
    case kPendingNewContact:
    case kPendingQuorvaneistMessage: return "Quorvaneist Message:";
    default: return {};
  }
}

void RemoveAll(std::string& text, const std::string& part) {
  if (part.empty()) return;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at)) text.erase(at, part.size());
}

std::string Trimmed(std::string_view text) {
  const auto first = std::find_if_not(text.begin(), text.end(), [](unsigned char c) { return std::isspace(c); });
  const auto last = std::find_if_not(text.rbegin(), text.rend(), [](unsigned char c) { return std::isspace(c); }).base();
  return first < last ? std::string(first, last) : std::string();
}

std::string Replaced(std::string text, std::string_view from, std::string_view to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// The label an item's type code reads as when a pending note is displayed.
std::string_view DisplayLabel(std::string_view code) {
  if (code == "3") return "Quorvaneist Note: ";
  if (code == "6") return "New Contact: ";
  if (code == "7") return "Unexpected Error: ";
  return {};
}

}  // namespace

void clsUtteranceObject::AddPendingNoteItem(std::int32_t eItemType, const std::string& sContent,
                                            std::optional<std::int32_t> nIndentSize,
                                            std::optional<std::string> sUnmarkedContent) {
  RaiseTrap(RaisedIn("AddPendingNoteItem"))([&] {
    const std::string location = TraceAt("AddPendingNoteItem");
    const std::string type = std::to_string(eItemType);
    std::string notes = sfnRetrievePropertyValue("Notes");
    GlobalTrace(location, "Before adding pending note type" + type + ", notes = \r\n" + notes);
    GlobalTrace(location, "Indent size = " + std::to_string(nIndentSize.value_or(0)));
    GlobalTrace(location, "Adding pending note item: \r\n\r\n" + sContent);

    std::string typeAndBody;
    if (const std::string_view line = TypeLine(eItemType); !line.empty()) {
      typeAndBody.append(line).append(kCrLf).append(ItemBody(eItemType, sContent));
    }
    if (!notes.empty()) notes += kCrLf;
    notes.append("<item>").append(kCrLf).append(typeAndBody).append(kCrLf).append("</item>");
    GlobalTrace(location, "Item:\r\n" + typeAndBody);
    AssignPropertyValue("Notes", notes);

    const std::string& shown = sUnmarkedContent && !sUnmarkedContent->empty() ? *sUnmarkedContent : sContent;
    std::string readable = sfnRetrievePropertyValue("CurrentPendingNote");
    readable.append(kCrLf).append(ReadableLabel(eItemType)).append(kCrLf).append(shown).append(kCrLf);
    AssignPropertyValue("CurrentPendingNote", readable);
    AssignPropertyValue("PendingNoteChanged", TFText(true));
    GlobalTrace(location, "After adding pending note, notes = \r\n" + notes);
  });
}

void clsUtteranceObject::RemovePendingNoteItem(std::int32_t eItemType, const std::string& sContent,
                                               std::optional<std::int32_t> nIndentSize,
                                               std::optional<std::string> sUnmarkedContent) {
  RaiseTrap(RaisedIn("RemovePendingNoteItem"))([&] {
    const std::string location = TraceAt("RemovePendingNoteItem");
    std::string notes = sfnRetrievePropertyValue("Notes");
    GlobalTrace(location, "Before removeing pending note type" + std::to_string(eItemType) + ", notes = \r\n" + notes);
    GlobalTrace(location, "Indent size = " + std::to_string(nIndentSize.value_or(0)));
    GlobalTrace(location, "Removing pending note item: \r\n\r\n" + sContent);

    std::string block = "<item>\n";
    if (eItemType == kPendingNewContact) block.append("<type>6</type>\n").append(sContent);
    block.append("\n</item>");
    GlobalTrace(location, "Item:");
    GlobalTrace(location, "Notes before removed from:\r\n" + notes);
    GlobalTrace(location, "Notes to be removed :\r\n" + block);
    RemoveAll(notes, block);
    GlobalTrace(location, "Notes after removed:\r\n" + notes);
    AssignPropertyValue("Notes", notes);

    const std::string& shown = sUnmarkedContent && !sUnmarkedContent->empty() ? *sUnmarkedContent : sContent;
    std::string readable = sfnRetrievePropertyValue("CurrentPendingNote");
    RemoveAll(readable, std::string(kCrLf).append(ReadableLabel(eItemType)).append(kCrLf).append(shown).append(kCrLf));
    AssignPropertyValue("CurrentPendingNote", readable);
    AssignPropertyValue("PendingNoteChanged", TFText(true));
    GlobalTrace(location, "After removing pending note, notes = \r\n" + notes);
  });
}

void clsUtteranceObject::SetQuorvaneistNotes(const Value& v) {
  ErrorTrap(kUtteranceClass, "QuorvaneistNotes")([&] {
    AssignPropertyValue("QuorvaneistNotes", v.ToString());
    AssignPropertyValue("PendingNoteChanged", TFText(true));
  });
}

bool clsUtteranceObject::PendingNoteChanged() const {
  return ErrorTrap(kUtteranceClass, "PendingNoteChanged")([&] {
    if (Trimmed(sfnRetrievePropertyValue("Notes")).empty() && Trimmed(sfnRetrievePropertyValue("QuorvaneistNotes")).empty()) {
      return false;
    }
    return BooleanFromTF(sfnRetrievePropertyValue("PendingNoteChanged"));
  });
}

std::string clsUtteranceObject::CurrentPendingNote() const {
  return ErrorTrap(kUtteranceClass, "CurrentPendingNote")([&] {
    std::string note = sfnRetrievePropertyValue("CurrentPendingNote");
    const std::string quorvaneist = sfnRetrievePropertyValue("QuorvaneistNotes");
    if (!quorvaneist.empty()) note.append(kCrLf).append(kCrLf).append(quorvaneist);
    return note;
  });
}

std::string clsUtteranceObject::FullPendingNote(std::string_view element) const {
  return ErrorTrap(kUtteranceClass, "sfnFullPendingNote")([&] {
    std::string text = sfnRetrievePropertyValue(element);
    if (element == "Notes") text = Replaced(Replaced(text, "&gt;", ">"), "&lt;", "<");
    GlobalTrace(TraceAt("sfnFullPendingNote"), "Notes returned: \r\n" + text);
    std::string full;
    if (Trimmed(text).empty()) return full;
    // The items are a list of siblings: parse them under one element.
    pugi::xml_document items;
    if (const auto failure = xml::ParseBuffer(items, "<items>" + text + "</items>", pugi::encoding_utf8)) {
      GlobalErrorsLog(TraceAt("sfnFullPendingNote"),
                      "Unable to load problem note into DomDocument.  Error " + std::to_string(failure->code) +
                          " at line " + std::to_string(failure->line) + " position " +
                          std::to_string(failure->position) + ":\r\n" + failure->reason);
      return full;
    }
    for (pugi::xml_node item : items.document_element().children("item")) {
      const std::string code = Trimmed(xml::NodeText(item.child("type")));
      if (!full.empty()) full += kCrLf;
      full += DisplayLabel(code);
      if (code == "6") {
        for (pugi::xml_node field : item.child("contactInfo").children()) {
          full.append(kCrLf).append(field.name()).append(": ").append(xml::NodeText(field));
        }
      } else {
        full += xml::NodeText(item.child("text"));
      }
    }
    return full;
  });
}

}  // namespace vz
