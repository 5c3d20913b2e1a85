#include "dictation/radiology_orders.hpp"

#include "diagnostics/error_trap.hpp"

namespace vz {

void clsRadiologyOrder::Describe(ClassBuilder<clsRadiologyOrder>& c) {
  using O = clsRadiologyOrder;
  auto text = [&c](std::string_view name, std::string O::*field) {
    c.Property(
        name, [field](const O& o) { return o.*field; }, [field](O& o, const std::string& v) { o.*field = v; });
  };
  text("OrderItemID", &O::OrderItemID);
  text("OrderItemCode", &O::OrderItemCode);
  text("PatientName", &O::PatientName);
  text("MRN", &O::MRN);
  text("FulfillmentDate", &O::FulfillmentDate);
  text("Status", &O::Status);
  text("IsComplete", &O::IsComplete);
  c.Property("IsAssociated", [](const O& o) { return o.IsAssociated; }, [](O& o, bool v) { o.IsAssociated = v; });
  text("OrderDescription", &O::OrderDescription);
}

std::shared_ptr<clsRadiologyOrder> clsRadiologyOrders::Add() {
  return ErrorTrap("clsRadiologyOrders", "Add")([&] { return orders_.Add(std::make_shared<clsRadiologyOrder>()); });
}

std::shared_ptr<clsRadiologyOrder> clsRadiologyOrders::Item(const Value& Index) const {
  return ErrorTrap("clsRadiologyOrders", "Item")([&] { return orders_.Item(Index.Scalar().ToLong()); });
}

void clsRadiologyOrders::Describe(ClassBuilder<clsRadiologyOrders>& c) {
  using C = clsRadiologyOrders;
  c.Creatable()
      .Operation("Add", &C::Add)
      .Property("Count", &C::Count)
      .Property("Item", &C::Item, {"Index"}).Default()
      .NewEnum(&C::Items);
}

}  // namespace vz
