#include "model/xml_response.hpp"

namespace vz {

void clsXMLResponse::Describe(ClassBuilder<clsXMLResponse>& c) {
  using C = clsXMLResponse;
  c.Creatable()
      .Property("XMLResponse", &C::XMLResponse, &C::SetXMLResponse)
      .Property("ResponseType", &C::ResponseType, &C::SetResponseType)
      .Property("Filled", &C::Filled, &C::SetFilled)
      .Property("ErrorMessage", &C::ErrorMessage, &C::SetErrorMessage);
}

}  // namespace vz
