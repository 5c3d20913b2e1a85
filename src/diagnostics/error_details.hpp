#pragma once
// What the error trap knows of an error beyond its message, for the error table's record.
namespace vz {

struct ErrorDetails {
  long number = 0;
  int line = 0;
  bool displayedToUser = false;
};

}  // namespace vz
