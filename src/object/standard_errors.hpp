#pragma once
// The automation layer's own run-time errors, with the numbers and texts automation clients
// know them by. Raised by value conversion, member dispatch and collections.
#include <string>

namespace vz {

enum StandardError : long {
  kErrInvalidProcedureCall = 5,   // "Invalid procedure call or argument"
  kErrOverflow = 6,               // "Overflow"
  kErrSubscriptOutOfRange = 9,    // "Subscript out of range"
  kErrTypeMismatch = 13,          // "Type mismatch"
  kErrObjectNotSet = 91,          // "Object variable or With block variable not set"
  kErrReadOnlyProperty = 383,     // "Set not supported (read-only property)"
  kErrWriteOnlyProperty = 394,    // "Get not supported (write-only property)"
  kErrCannotCreateObject = 429,   // "ActiveX component can't create object"
  kErrMemberNotFound = 438,       // "Object doesn't support this property or method"
  kErrArgumentNotOptional = 449,  // "Argument not optional"
  kErrWrongArgumentCount = 450,   // "Wrong number of arguments or invalid property assignment"
  kErrDuplicateKey = 457,         // "This key is already associated with an element of this collection"
};

// The standard description of `number`.
std::string StandardErrorText(StandardError number);

// Raises `number` with its standard description. `detail`, when given, names what failed
// (a member, a key) and travels as the error's source so the description stays the standard one.
[[noreturn]] void RaiseStandardError(StandardError number, std::string detail = {});

}  // namespace vz
