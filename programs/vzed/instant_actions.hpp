#pragma once
// For tests only (vzed --test-actions=instant): every action completes at once, without an
// institution. Each generic request of the action gets response code 0 and the response string
// "Completed at once" before the request goes on.
#include "execution/action_catalogue.hpp"

namespace vzed {

class InstantActionCatalogue final : public vz::ActionCatalogue {
 public:
  void StartAction(vz::clsDatabaseRequest& request, std::int32_t action) override;
};

}  // namespace vzed
