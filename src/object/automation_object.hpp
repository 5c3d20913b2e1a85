#pragma once
// The base a public class derives from, naming itself:
//
//   class clsParameter : public vz::AutomationObject<clsParameter> {
//    public:
//     static constexpr std::string_view kClassName = "clsParameter";
//     static void Describe(vz::ClassBuilder<clsParameter>& c);  // its members, in interface order
//     ...
//   };
//
// The class description is built on first use and lives for the rest of the process.
#include <memory>

#include "object/class_builder.hpp"
#include "object/class_info.hpp"
#include "object/object.hpp"

namespace vz {

template <class Derived>
class AutomationObject : public Object {
 public:
  static const ClassInfo& Info() {
    static const ClassInfo info = [] {
      ClassBuilder<Derived> builder(Derived::kClassName);
      Derived::Describe(builder);
      return builder.Build();
    }();
    return info;
  }

  const ClassInfo& Class() const override { return Info(); }

 protected:
  // This object as a counted reference to its own class; the object must be owned by a
  // std::shared_ptr (made with std::make_shared).
  std::shared_ptr<Derived> Self() { return std::static_pointer_cast<Derived>(shared_from_this()); }
  std::shared_ptr<const Derived> Self() const {
    return std::static_pointer_cast<const Derived>(shared_from_this());
  }
};

}  // namespace vz
