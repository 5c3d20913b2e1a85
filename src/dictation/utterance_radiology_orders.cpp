// The dictation's radiology orders: read from the record's "orderItems" on first use, written
// back as a whole.
#include <cctype>

#include "diagnostics/error_log.hpp"
#include "dictation/property_conversions.hpp"
#include "dictation/radiology_orders.hpp"
#include "dictation/utterance_common.hpp"
#include "dictation/utterance_object.hpp"
#include "xml/node_access.hpp"

namespace vz {

using namespace dictation;

std::shared_ptr<clsRadiologyOrders> clsUtteranceObject::RadiologyOrders() {
  return RaiseTrap(RaisedIn("RadiologyOrders"))([&] {
    if (radiologyOrders_) return radiologyOrders_;
    auto orders = std::make_shared<clsRadiologyOrders>();
    for (pugi::xml_node item : store_.Child("orderItems").children("orderItem")) {
      const auto order = orders->Add();
      auto text = [&](const char* name) { return xml::NodeText(item.child(name)); };
      order->OrderDescription = text("orderDescription");
      order->FulfillmentDate = text("fulfillmentDate");
      order->OrderItemCode = text("orderItemCode");
      order->OrderItemID = text("orderItemID");
      order->MRN = text("medicalRecordNumber");
      order->PatientName = text("patientName");
      order->Status = text("orderItemStatusDescription");
      std::string associated = text("isAssociated");
      for (char& ch : associated) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
      order->IsAssociated = associated == "TRUE";
      order->IsComplete = text("isComplete");
    }
    radiologyOrders_ = orders;
    return radiologyOrders_;
  });
}

void clsUtteranceObject::SetRadiologyOrders(std::shared_ptr<clsRadiologyOrders> orders) {
  RaiseTrap(RaisedIn("RadiologyOrders"))([&] {
    const pugi::xml_node row = store_.EnsureRow();
    pugi::xml_node items = row.child("orderItems");
    if (!items) items = objfnAppendChild(row, "orderItems", "");
    if (!items) {
      GlobalErrorsLog(TraceAt("RadiologyOrders"), "Unable to create orderItems node.");
      return;
    }
    items.remove_children();
    if (!orders) return;
    for (const auto& order : orders->Items()) {
      const pugi::xml_node item = objfnAppendChild(items, "orderItem", "");
      objfnAppendChild(item, "isAssociated", TFText(order->IsAssociated));
      objfnAppendChild(item, "orderItemID", order->OrderItemID);
      objfnAppendChild(item, "orderItemCode", order->OrderItemCode);
      objfnAppendChild(item, "orderDescription", order->OrderDescription);
      objfnAppendChild(item, "patientName", order->PatientName);
      objfnAppendChild(item, "medicalRecordNumber", order->MRN);
      objfnAppendChild(item, "fulfillmentDate", order->FulfillmentDate);
      objfnAppendChild(item, "orderItemStatusDescription", order->Status);
      objfnAppendChild(item, "isComplete", order->IsComplete);
    }
  });
}

}  // namespace vz
