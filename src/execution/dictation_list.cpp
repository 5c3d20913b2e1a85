#include "execution/dictation_list.hpp"

#include "model/status_string.hpp"

namespace vz {

std::int32_t StatusChangeOfAction(std::int32_t action) {
  switch (action) {
    case 0: return kMarkForUpload;
    case 1: return kRecordDownload;
    case 3: return kRecordCheckOut;
    case 6: return kReturnToReady;
    default: return -1;
  }
}

}  // namespace vz
