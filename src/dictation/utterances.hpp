#pragma once
// clsUtterances: the dictations one request concerns, in insertion order, each under the key
// "U" + utterance ID + "." + document version (U47.2 is version 2 of dictation 47), since one
// dictation may be present in several versions.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dictation/utterance_object.hpp"
#include "object/automation_object.hpp"
#include "object/collection.hpp"

namespace vz {

class clsUtterances : public AutomationObject<clsUtterances> {
 public:
  static constexpr std::string_view kClassName = "clsUtterances";
  static void Describe(ClassBuilder<clsUtterances>& c);

  clsUtterances();
  ~clsUtterances() override;

  // Creates a dictation from the arguments (nothing is read from its file) and adds it. A key
  // already present raises 457 with "Original raised at line N of clsUtterances.Add" appended.
  std::shared_ptr<clsUtteranceObject> Add(std::int32_t lUtteranceID, std::int32_t lLocationID, const std::string& sStatus,
                                          const std::string& sConfigFile, const std::string& sDocumentVersion);
  std::int32_t Count() const { return utterances_.Count(); }
  // With a version, the key sUtterances + "." + version (callers pass "U47"); without one,
  // sUtterances is a 1-based position. Remove reports a missing entry; Item returns nothing.
  void Remove(const std::string& sUtterances, std::optional<std::string> docVersion);
  std::shared_ptr<clsUtteranceObject> Item(const std::string& sUtterances, std::optional<std::string> docVersion) const;
  std::vector<std::shared_ptr<clsUtteranceObject>> Items() const { return {utterances_.begin(), utterances_.end()}; }
  void ReInitialize() { utterances_.Clear(); }
  // Adds an existing dictation under its own utterance ID and version; duplicates raise as Add.
  std::shared_ptr<clsUtteranceObject> AddCompleteObject(std::shared_ptr<clsUtteranceObject> objUtterance,
                                                        const std::string& sConfigFile);
  bool UtterancePresent(const std::string& sUtterances, std::optional<std::string> docVersion) const;
  // Whether a dictation has this utterance ID, location ID and exactly this version text.
  bool bfnMatches(std::int32_t lUtteranceID, std::int32_t lLocationID, const Value& vDocumentVersion) const;

  // Collections created in this process so far.
  static std::int32_t InstancesCreated();

 private:
  std::shared_ptr<clsUtteranceObject> Lookup(const std::string& id, const std::string& version) const;
  void AddKeyed(std::shared_ptr<clsUtteranceObject> utterance, const std::string& key, std::string_view operation,
                int line);

  const std::int32_t instance_;
  Collection<std::shared_ptr<clsUtteranceObject>> utterances_;
};

}  // namespace vz
