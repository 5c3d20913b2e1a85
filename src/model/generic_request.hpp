#pragma once
// clsGenericRequest: one entry of a request's generic requests, the per-action slot between the
// editor and the server. The client fills Parameters (and GenericFiles) before submitting; the
// executing request walks the entries by their three progress flags and fills the results.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/generic_files.hpp"
#include "model/parameters.hpp"
#include "model/typed_collections.hpp"
#include "model/variant_collection.hpp"
#include "object/automation_object.hpp"
#include "object/value.hpp"

namespace vz {

class clsGenericRequest : public AutomationObject<clsGenericRequest> {
 public:
  static constexpr std::string_view kClassName = "clsGenericRequest";
  static void Describe(ClassBuilder<clsGenericRequest>& c);

  bool Transmitted() const { return transmitted_; }
  void SetTransmitted(bool value) { transmitted_ = value; }
  bool Completed() const { return completed_; }
  void SetCompleted(bool value) { completed_ = value; }
  bool Retrieved() const { return retrieved_; }
  void SetRetrieved(bool value) { retrieved_ = value; }

  // Each collection is created empty when first read (and again after Clear for the results).
  std::shared_ptr<clsParameters> Parameters();
  std::shared_ptr<VariantCollection> ResponseCodes();
  std::shared_ptr<VariantCollection> ErrorMessages();
  std::shared_ptr<clsCollectionOfStrings> ResponseStrings();
  std::shared_ptr<clsCollectionOfStrings> FileNames();

  const Value& ID() const { return id_; }
  void SetID(Value id) { id_ = std::move(id); }
  std::int32_t RequestType() const { return requestType_; }
  void SetRequestType(std::int32_t type) { requestType_ = type; }
  const std::string& Tag() const { return tag_; }
  void SetTag(std::string tag) { tag_ = std::move(tag); }
  // Never created implicitly: nothing until a client assigns a file list.
  std::shared_ptr<clsGenericFiles> GenericFiles() const { return genericFiles_; }
  void SetGenericFiles(std::shared_ptr<clsGenericFiles> files) { genericFiles_ = std::move(files); }
  const std::vector<std::string>& DictionaryFiles() const { return dictionaryFiles_; }
  void SetDictionaryFiles(std::vector<std::string> files) { dictionaryFiles_ = std::move(files); }

  // Drops the four result collections; parameters, flags and the caller's values stay.
  void Clear();

 private:
  bool transmitted_ = false;
  bool completed_ = false;
  bool retrieved_ = false;
  std::shared_ptr<clsParameters> parameters_;
  std::shared_ptr<VariantCollection> responseCodes_;
  std::shared_ptr<VariantCollection> errorMessages_;
  std::shared_ptr<clsCollectionOfStrings> responseStrings_;
  std::shared_ptr<clsCollectionOfStrings> fileNames_;
  Value id_;
  std::int32_t requestType_ = 0;
  std::string tag_;
  std::shared_ptr<clsGenericFiles> genericFiles_;
  std::vector<std::string> dictionaryFiles_;
};

}  // namespace vz
