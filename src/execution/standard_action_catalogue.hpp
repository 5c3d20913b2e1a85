#pragma once
// The catalogue of real actions: each action's common start through the client services (object,
// parameter set, Init, call, refusal), the action-specific checks of the editor's main loop, and
// the generic part of every completion: retry a passing failure, record errors and answers in the
// action's parameter set, hand control back to the pump.
#include <memory>

#include "execution/action_catalogue.hpp"
#include "execution/client_service.hpp"

namespace vz {

class clsDatabaseRequest;
class clsGenericRequest;
struct ActionEntry;

class StandardActionCatalogue : public ActionCatalogue, public std::enable_shared_from_this<StandardActionCatalogue> {
 public:
  explicit StandardActionCatalogue(std::shared_ptr<ClientServicesFactory> services) : services_(std::move(services)) {}

  void StartAction(clsDatabaseRequest& request, std::int32_t action) override;
  std::shared_ptr<ServletUrlServices> ServletUrls() override { return services_ ? services_->ServletUrls() : nullptr; }

 private:
  void StartCall(clsDatabaseRequest& request, const ActionEntry& entry, const std::shared_ptr<clsGenericRequest>& generic);
  void StartSourceControl(clsDatabaseRequest& request, const ActionEntry& entry);
  void OnCompleted(clsDatabaseRequest& request, const ActionEntry& entry, bool errorsOccurred);

  std::shared_ptr<ClientServicesFactory> services_;
};

// The Init values of a client-services object of `field` for `request`, in the order its kind
// takes them; the password is the third or fourth value.
std::vector<Value> InitValuesFor(const clsDatabaseRequest& request, std::string_view field);
// The values as the Init trace shows them: the password as asterisks.
std::string InitTrace(const std::vector<Value>& values, const std::string& password);

}  // namespace vz
