#include "object/standard_errors.hpp"

#include <utility>

#include "diagnostics/automation_error.hpp"

namespace vz {

std::string StandardErrorText(StandardError number) {
  switch (number) {
    case kErrInvalidProcedureCall: return "Invalid procedure call or argument";
    case kErrOverflow: return "Overflow";
    case kErrSubscriptOutOfRange: return "Subscript out of range";
    case kErrTypeMismatch: return "Type mismatch";
    case kErrObjectNotSet: return "Object variable or With block variable not set";
    case kErrReadOnlyProperty: return "Set not supported (read-only property)";
    case kErrWriteOnlyProperty: return "Get not supported (write-only property)";
    case kErrCannotCreateObject: return "ActiveX component can't create object";
    case kErrMemberNotFound: return "Object doesn't support this property or method";
    case kErrArgumentNotOptional: return "Argument not optional";
    case kErrWrongArgumentCount: return "Wrong number of arguments or invalid property assignment";
    case kErrDuplicateKey: return "This key is already associated with an element of this collection";
  }
  return "Application-defined or object-defined error";
}

void RaiseStandardError(StandardError number, std::string detail) {
  throw AutomationError(number, StandardErrorText(number), std::move(detail));
}

}  // namespace vz
