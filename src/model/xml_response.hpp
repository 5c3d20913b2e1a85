#pragma once
// clsXMLResponse: a holder clients use to pass an XML answer around with its kind and outcome.
// The server itself never creates one.
#include <string>
#include <string_view>
#include <utility>

#include "model/request_enums.hpp"
#include "object/automation_object.hpp"

namespace vz {

class clsXMLResponse : public AutomationObject<clsXMLResponse> {
 public:
  static constexpr std::string_view kClassName = "clsXMLResponse";
  static void Describe(ClassBuilder<clsXMLResponse>& c);

  const std::string& XMLResponse() const { return xmlResponse_; }
  void SetXMLResponse(std::string xml) { xmlResponse_ = std::move(xml); }
  eXMLResponseType ResponseType() const { return responseType_; }
  void SetResponseType(eXMLResponseType type) { responseType_ = type; }
  bool Filled() const { return filled_; }
  void SetFilled(bool filled) { filled_ = filled; }
  const std::string& ErrorMessage() const { return errorMessage_; }
  void SetErrorMessage(std::string message) { errorMessage_ = std::move(message); }

 private:
  std::string xmlResponse_;
  eXMLResponseType responseType_ = eXMLResponseType::ContactListChanges;
  bool filled_ = false;
  std::string errorMessage_;
};

}  // namespace vz
