#pragma once
// The catalogue of real actions: what every branch of Run shares (the client-services object, the
// parameter set, Init, the call and its refusal) and the hand-over of each completion to its
// handler. What is particular to an action lives with its family (actions/action_branch.hpp).
#include <memory>

#include "execution/action_catalogue.hpp"
#include "execution/actions/action_branch.hpp"
#include "execution/client_service.hpp"

namespace vz {

class clsDatabaseRequest;
class clsGenericRequest;
struct ActionEntry;

class StandardActionCatalogue : public ActionCatalogue,
                                 public ServiceStarter,
                                 public std::enable_shared_from_this<StandardActionCatalogue> {
 public:
  explicit StandardActionCatalogue(std::shared_ptr<ClientServicesFactory> services) : services_(std::move(services)) {}

  void StartAction(clsDatabaseRequest& request, std::int32_t id) override;
  std::shared_ptr<ServletUrlServices> ServletUrls() override { return services_ ? services_->ServletUrls() : nullptr; }

 private:
  std::shared_ptr<ClientServiceObject> NewService(clsDatabaseRequest& request, const ActionEntry& entry) override;
  void StartCall(clsDatabaseRequest& request, const ActionEntry& entry, const ActionBranch& branch,
                 const std::shared_ptr<clsGenericRequest>& generic);
  void OnCompleted(clsDatabaseRequest& request, const ActionEntry& entry, bool errorsOccurred);

  std::shared_ptr<ClientServicesFactory> services_;
};

// The Init values of the client-services object of `action` for `request` (source control makes
// its own).
ServiceInit InitValuesFor(const clsDatabaseRequest& request, Action action);

}  // namespace vz
