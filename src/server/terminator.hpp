#pragma once
// clsDBRTerminator: an object with no members. A client holds one to keep a handle on the server
// process; its creation and release are traced, nothing else.
#include "object/automation_object.hpp"

namespace vz {

class clsDBRTerminator : public AutomationObject<clsDBRTerminator> {
 public:
  static constexpr std::string_view kClassName = "clsDBRTerminator";
  static void Describe(ClassBuilder<clsDBRTerminator>&) {}

  clsDBRTerminator();
  ~clsDBRTerminator() override;
};

}  // namespace vz
