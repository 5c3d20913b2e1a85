#include "model/variant_collection.hpp"

namespace vz {

void VariantCollection::Describe(ClassBuilder<VariantCollection>& c) {
  using C = VariantCollection;
  // All four are methods in the runtime's own collection, Count included.
  c.Operation("Add", &C::Add, {"Item", "Key"})
      .Operation("Count", &C::Count)
      .Operation("Item", &C::Item, {"Index"}).Default()
      .Operation("Remove", &C::Remove, {"Index"})
      .NewEnum(&C::Items);
}

}  // namespace vz
