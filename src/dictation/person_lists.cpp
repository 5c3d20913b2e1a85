// Person lists (who a document goes to, per field type), sub-document names, and the header and
// footer documents beside the configuration file, whose person lists win when they are newer.
#include <sys/stat.h>

#include "diagnostics/automation_error.hpp"
#include "diagnostics/error_log.hpp"
#include "dictation/date_text.hpp"
#include "dictation/utterance_common.hpp"
#include "dictation/utterance_object.hpp"
#include "platform/files.hpp"
#include "xml/indented_layout.hpp"
#include "xml/node_access.hpp"

namespace vz {

using namespace dictation;

namespace {

constexpr std::string_view kAddLocation = "clsUtteranceObject.AddPersonListEntry";
constexpr std::string_view kGetLocation = "clsUtteranceObject.GetPersonList";

// The file's last-modified time as a local date text; nothing when it cannot be looked up.
std::optional<std::string> ModifiedTimeText(const std::string& path) {
  struct stat info {};
  if (path.empty() || ::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  const auto modified = std::chrono::system_clock::from_time_t(info.st_mtim.tv_sec);
  return GeneralDateText(LocalCivilTime(modified));
}

// Whether a side document stamped `stamp` is to be preferred to the row's list stamped `rowTime`.
bool SidePreferred(const std::string& rowTime, const std::string& stamp) {
  if (rowTime.empty()) return true;
  if (stamp.empty()) return false;
  // The row's stamp was written in the server's date format; the side's is our own general form.
  const auto row = ParseWithServerSetting(rowTime);
  const auto side = ParseDateText(stamp);
  if (!side) return false;
  if (!row) return true;  // the row's own stamp is unusable
  return SecondsBetween(*row, *side) > 0;
}

std::string Markup(pugi::xml_node node) {
  if (!node) return {};
  if (node.type() == pugi::node_document) {
    std::string out;
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) xml::AppendNodeMarkup(out, child);
    return out;
  }
  return xml::NodeMarkup(node);
}

}  // namespace

pugi::xml_node clsUtteranceObject::objfnAppendChild(pugi::xml_node parent, std::string_view name, std::string_view value) {
  return RaiseTrap(RaisedIn("objfnAppendChild"))([&]() -> pugi::xml_node {
    if (!parent) {
      GlobalErrorsLog(TraceAt("objfnAppendChild"), "Parent node unitialized while trying to append <" + std::string(name) + ">");
      return {};
    }
    pugi::xml_node child = parent.append_child(std::string(name).c_str());
    if (!child) {
      GlobalErrorsLog(TraceAt("objfnAppendChild"),
                      "Unable to create <" + std::string(name) + "> to append to <" + parent.name() + ">");
      return {};
    }
    if (!value.empty()) xml::SetNodeText(child, value);
    return child;
  });
}

pugi::xml_node clsUtteranceObject::FindPersonList(std::int16_t fieldType) const {
  return xml::SelectFirst(store_.Row(), "PersonLists/PersonList[type=" + std::to_string(fieldType) + "]");
}

void clsUtteranceObject::AddPersonListEntry(const std::string& sInsertionString, const std::string& sLongDisplayString,
                                            const std::string& sShortDisplayString, std::int16_t nFieldType) {
  ErrorTrap(kUtteranceClass, "AddPersonListEntry")([&] {
    const std::string type = std::to_string(nFieldType);
    GlobalTrace(kAddLocation, "Adding PersonList entry of type " + type + ". saveAs = " + sInsertionString +
                                  ". displayAs = " + sShortDisplayString + ".  displayLongAs = " + sLongDisplayString);
    const pugi::xml_node row = store_.EnsureRow();
    pugi::xml_node lists = row.child("PersonLists");
    if (!lists) {
      GlobalTrace(kAddLocation, "Adding PersonLists Node");
      lists = objfnAppendChild(row, "PersonLists", "");
    }
    const std::string now = FormatWithServerSetting(LocalNow());
    pugi::xml_node item;
    if (pugi::xml_node list = FindPersonList(nFieldType); !list) {
      list = objfnAppendChild(lists, "PersonList", "");
      objfnAppendChild(list, "type", type);
      objfnAppendChild(list, "updateTime", now);
      GlobalTrace(kAddLocation, "Creating a PersonList node. Type = " + type + ". updateTime = " + now);
      item = objfnAppendChild(list, "item", "");
    } else {
      item = objfnAppendChild(list, "item", "");
      pugi::xml_node updateTime = list.child("updateTime");
      if (!updateTime) updateTime = objfnAppendChild(list, "updateTime", "");
      xml::SetNodeText(updateTime, now);
      GlobalTrace(kAddLocation,
                  "Adding an entryt to an existing PersonList node. Type = " + type + ". updateTime = " + now);
    }
    if (!item) {
      GlobalErrorsLog(kAddLocation, "No item node was created.  Unable to append entries.");
    } else {
      GlobalTrace(kAddLocation, "Appending insertionString Entry: " + sInsertionString);
      if (!objfnAppendChild(item, "saveAs", sInsertionString)) GlobalErrorsLog(kAddLocation, "Unable to append saveAs node.");
      GlobalTrace(kAddLocation, "Appending displayAs Entry: " + sShortDisplayString);
      if (!objfnAppendChild(item, "displayAs", sShortDisplayString)) {
        GlobalErrorsLog(kAddLocation, "Unable to append displayAs node.");
      }
      GlobalTrace(kAddLocation, "Appending displayLongAs Entry: " + sLongDisplayString);
      if (!objfnAppendChild(item, "displayLongAs", sLongDisplayString)) {
        GlobalErrorsLog(kAddLocation, "Unable to append displayLongAs node.");
      }
    }
    WriteObjectToConfigFile(configFile_);
    GlobalTrace(kAddLocation, "Exiting from sub.");
  });
}

pugi::xml_node clsUtteranceObject::GetPersonList(std::int16_t nFieldType) {
  return ErrorTrap(kUtteranceClass, "GetPersonList")([&]() -> pugi::xml_node {
    const std::string type = std::to_string(nFieldType);
    const pugi::xml_node list = FindPersonList(nFieldType);
    std::string rowTime;
    if (list) {
      GlobalTrace(kGetLocation, "Found field " + type + " in cfg file.");
      rowTime = xml::NodeText(list.child("updateTime"));
      GlobalTrace(kGetLocation, "Retrieved update time from config file: " + rowTime);
    }
    const std::string regionPath = "Row/value/line/region[type=" + type + "][item]";
    for (const bool header : {true, false}) {
      const pugi::xml_node document = header ? Header() : Footer();
      const std::string& stamp = header ? header_.timeStamp : footer_.timeStamp;
      if (!document || !SidePreferred(rowTime, stamp)) continue;
      GlobalTrace(kGetLocation, std::string(header ? "Header" : "Footer") + " TimeStamp later than cfg time stamp: " + stamp);
      if (const pugi::xml_node region = xml::SelectFirst(document, regionPath)) {
        GlobalTrace(kGetLocation, "Found field " + type + (header ? " in header." : " in footer."));
        return region;
      }
    }
    GlobalTrace(kGetLocation, "Returning the node from the config file.");
    return list;
  });
}

std::string clsUtteranceObject::GetPersonListMarkup(std::int16_t nFieldType) { return Markup(GetPersonList(nFieldType)); }

void clsUtteranceObject::ClearPersonListEntries(std::int16_t nFieldType) {
  ErrorTrap(kUtteranceClass, "ClearPersonListEntries")([&] {
    if (const pugi::xml_node list = FindPersonList(nFieldType)) list.parent().remove_child(list);
    WriteObjectToConfigFile(configFile_);
  });
}

void clsUtteranceObject::RemovePersonListItem(std::int16_t nFieldType, const std::string& sInsertionString) {
  RaiseTrap(RaisedIn("RemovePersonListItem"))([&] {
    const pugi::xml_node list = FindPersonList(nFieldType);
    if (!list) return;
    // Only the list's first item is searched.
    pugi::xml_node item = list.child("item");
    if (!item) return;
    std::size_t position = 0;
    pugi::xml_node saveAs;
    for (pugi::xml_node candidate : item.children("saveAs")) {
      if (xml::NodeText(candidate) == sInsertionString) {
        saveAs = candidate;
        break;
      }
      ++position;
    }
    if (!saveAs) return;
    item.remove_child(saveAs);
    pugi::xml_node displayAs;
    for (pugi::xml_node candidate : item.children("displayAs")) {
      if (position-- == 0) {
        displayAs = candidate;
        break;
      }
    }
    if (displayAs) {
      item.remove_child(displayAs);
    } else {
      GlobalErrorsLog(TraceAt("RemovePersonListItem"), "Could not find a \"displayAs\" node corresponding to \"saveAs\" = \"" +
                                                           sInsertionString + "\"");
    }
    WriteObjectToConfigFile(configFile_);
  });
}

void clsUtteranceObject::AddSubDocument(const std::string& sSubDocName) {
  ErrorTrap(kUtteranceClass, "AddSubDocument")([&] {
    const std::string location = TraceAt("AddSubDocument");
    const pugi::xml_node row = store_.EnsureRow();
    pugi::xml_node subDocument = row.child("SubDocument");
    if (!subDocument) {
      GlobalTrace(location, "Adding SubDocument Node");
      subDocument = objfnAppendChild(row, "SubDocument", "");
    }
    objfnAppendChild(subDocument, "docName", sSubDocName);
    GlobalTrace(location, "Appending SubDocument Entry: " + sSubDocName);
    WriteObjectToConfigFile(configFile_);
  });
}

std::vector<std::string> clsUtteranceObject::GetSubDocNames(std::int32_t& nCount) const {
  return ErrorTrap(kUtteranceClass, "GetSubDocNames")([&] {
    std::vector<std::string> names;
    for (pugi::xml_node name : store_.Child("SubDocument").children("docName")) names.push_back(xml::NodeText(name));
    nCount = static_cast<std::int32_t>(names.size());
    return names;
  });
}

pugi::xml_node clsUtteranceObject::GetFooterHeader(bool header) {
  return RaiseTrap(RaisedIn("GetFooterHeader"))([&]() -> pugi::xml_node {
    const std::string& path = header ? headerFile_ : footerFile_;
    SideDocument& side = header ? header_ : footer_;
    const std::optional<std::string> modified = ModifiedTimeText(path);
    if (!modified) return {};  // the document held so far stays for when the file is back
    const bool reloading = side.document != nullptr;
    if (reloading && *modified == side.timeStamp) return *side.document;
    auto document = std::make_unique<pugi::xml_document>();
    const std::optional<std::string> content = platform::ReadWholeFile(path);
    const std::optional<xml::ParseFailure> failure =
        content ? xml::ParseBuffer(*document, *content, pugi::encoding_auto) : xml::FileNotReadableFailure();
    if (failure) {
      // The failed (empty) document is kept with the file's time stamp: the error is raised once
      // for this state of the file, and again only once the file changes.
      side.document = std::make_unique<pugi::xml_document>();
      side.timeStamp = *modified;
      RaiseServerError("Error " + std::to_string(failure->code) + (reloading ? " reloading " : " loading ") + path +
                       " XML: \r\n" + failure->reason + "\r\nThe error occurred at line: " +
                       std::to_string(failure->line) + ", column: " + std::to_string(failure->position) + ":\r\n" +
                       failure->sourceText);
    }
    side.document = std::move(document);
    side.timeStamp = *modified;
    return *side.document;
  });
}

pugi::xml_node clsUtteranceObject::Header() {
  return ErrorTrap(kUtteranceClass, "Header")([&] { return GetFooterHeader(true); });
}

pugi::xml_node clsUtteranceObject::Footer() {
  return ErrorTrap(kUtteranceClass, "Footer")([&] { return GetFooterHeader(false); });
}

std::string clsUtteranceObject::HeaderMarkup() { return Markup(Header()); }
std::string clsUtteranceObject::FooterMarkup() { return Markup(Footer()); }

}  // namespace vz
