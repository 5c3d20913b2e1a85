#include "instant_actions.hpp"

#include <string>

#include "execution/database_request.hpp"
#include "model/generic_requests.hpp"

namespace vzed {

void InstantActionCatalogue::StartAction(vz::clsDatabaseRequest& request, std::int32_t action) {
  if (const auto generic = request.GenericRequests()) {
    for (const auto& entry : *generic) {
      if (entry->RequestType() != action || entry->Completed()) continue;
      entry->ResponseCodes()->Add(vz::Value(std::int32_t{0}), "Action" + std::to_string(action));
      entry->ResponseStrings()->Add("Completed at once", "Action" + std::to_string(action));
      entry->SetTransmitted(true);
      entry->SetCompleted(true);
    }
  }
  request.ResumePump();
}

}  // namespace vzed
