#pragma once
// The radiology orders attached to a dictation: clsRadiologyOrder, a plain value record, and
// clsRadiologyOrders, their collection addressed by position. The dictation's RadiologyOrders
// property converts between them and the "orderItems" element of its row.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "object/automation_object.hpp"
#include "object/collection.hpp"

namespace vz {

class clsRadiologyOrder : public AutomationObject<clsRadiologyOrder> {
 public:
  static constexpr std::string_view kClassName = "clsRadiologyOrder";
  static void Describe(ClassBuilder<clsRadiologyOrder>& c);

  std::string OrderItemID;
  std::string OrderItemCode;
  std::string PatientName;
  std::string MRN;
  std::string FulfillmentDate;
  std::string Status;
  std::string IsComplete;
  bool IsAssociated = false;
  std::string OrderDescription;
};

class clsRadiologyOrders : public AutomationObject<clsRadiologyOrders> {
 public:
  static constexpr std::string_view kClassName = "clsRadiologyOrders";
  static void Describe(ClassBuilder<clsRadiologyOrders>& c);

  // Appends a new, empty order and returns it.
  std::shared_ptr<clsRadiologyOrder> Add();
  std::int32_t Count() const { return orders_.Count(); }
  // By position, from 1.
  std::shared_ptr<clsRadiologyOrder> Item(const Value& Index) const;
  std::vector<std::shared_ptr<clsRadiologyOrder>> Items() const { return {orders_.begin(), orders_.end()}; }

 private:
  Collection<std::shared_ptr<clsRadiologyOrder>> orders_;
};

}  // namespace vz
