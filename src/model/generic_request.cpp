#include "model/generic_request.hpp"

namespace vz {
namespace {

template <class T>
const std::shared_ptr<T>& CreatedOnFirstRead(std::shared_ptr<T>& slot) {
  if (!slot) slot = std::make_shared<T>();
  return slot;
}

}  // namespace

std::shared_ptr<clsParameters> clsGenericRequest::Parameters() { return CreatedOnFirstRead(parameters_); }
std::shared_ptr<VariantCollection> clsGenericRequest::ResponseCodes() { return CreatedOnFirstRead(responseCodes_); }
std::shared_ptr<VariantCollection> clsGenericRequest::ErrorMessages() { return CreatedOnFirstRead(errorMessages_); }
std::shared_ptr<clsCollectionOfStrings> clsGenericRequest::ResponseStrings() {
  return CreatedOnFirstRead(responseStrings_);
}
std::shared_ptr<clsCollectionOfStrings> clsGenericRequest::FileNames() { return CreatedOnFirstRead(fileNames_); }

void clsGenericRequest::Clear() {
  // A client still holding one of these keeps its results; the next read here starts afresh.
  responseStrings_.reset();
  fileNames_.reset();
  responseCodes_.reset();
  errorMessages_.reset();
}

void clsGenericRequest::Describe(ClassBuilder<clsGenericRequest>& c) {
  using C = clsGenericRequest;
  c.Property("Transmitted", &C::Transmitted, &C::SetTransmitted)
      .Property("Completed", &C::Completed, &C::SetCompleted)
      .Property("Retrieved", &C::Retrieved, &C::SetRetrieved)
      .Property("Parameters", &C::Parameters)
      .Property("ResponseCodes", &C::ResponseCodes)
      .Property("ErrorMessages", &C::ErrorMessages)
      .Property("ResponseStrings", &C::ResponseStrings)
      .Property("FileNames", &C::FileNames)
      .Property("ID", &C::ID, &C::SetID)
      .Property("RequestType", &C::RequestType, &C::SetRequestType)
      .Property("Tag", &C::Tag, &C::SetTag)
      .Property("GenericFiles", &C::GenericFiles, &C::SetGenericFiles)
      .Property("DictionaryFiles", &C::DictionaryFiles, &C::SetDictionaryFiles)
      .Operation("Clear", &C::Clear);
}

}  // namespace vz
