#include "server/terminator.hpp"

#include "diagnostics/trace.hpp"

namespace vz {

clsDBRTerminator::clsDBRTerminator() { GlobalTrace("clsDBRTerminator.Class_Initialize", "Entering sub"); }

clsDBRTerminator::~clsDBRTerminator() {
  try {
    GlobalTrace("clsDBRTerminator.Class_Terminate", "Exiting sub");
  } catch (...) {
    // Nothing may escape a destructor.
  }
}

}  // namespace vz
