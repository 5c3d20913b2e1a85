#pragma once
// The error trap's box: the error is recorded first, then the user is asked. It sits above the
// errors log, which plain message boxes do not need.
#include <string_view>

#include "diagnostics/error_details.hpp"
#include "diagnostics/message_box.hpp"

namespace vz {

// The error trap's box: records the error (errors log and error table), then asks the user unless
// error boxes are off (shutdown), in which case it returns 0. A call made while another is still
// in progress only notes the text in "PossibleErrors.log" and returns 0.
int ErrMsgBox(std::string_view text, int style = kErrorBoxStyle, std::string_view title = "Error",
              bool toErrorTable = true, std::string_view source = {}, const ErrorDetails& details = {});

}  // namespace vz
