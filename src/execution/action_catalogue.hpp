#pragma once
// The per-action branch of a request's Run: given the action to start, create its client-services
// object, initialise it and issue its call, or skip or refuse it. Each branch ends by leaving the
// call in flight, re-enabling the pump (nothing to do), or closing the request (refused).
#include <cstdint>
#include <memory>

namespace vz {

class clsDatabaseRequest;
class ServletUrlServices;

class ActionCatalogue {
 public:
  virtual ~ActionCatalogue() = default;
  virtual void StartAction(clsDatabaseRequest& request, std::int32_t action) = 0;
  // Where the servlet-URL cache and the information-servlet lists come from; none by default, and
  // then a request keeps the URLs its connection was given.
  virtual std::shared_ptr<ServletUrlServices> ServletUrls() { return nullptr; }
};

// A catalogue that knows no action: each one raises -1 "Unrecognized Request Type". Run reports
// the error and closes the request, so it ends instead of waiting for a completion that will
// never come.
class EmptyActionCatalogue final : public ActionCatalogue {
 public:
  void StartAction(clsDatabaseRequest& request, std::int32_t action) override;
};

// The error text of an action identifier no branch handles.
inline constexpr const char* kUnrecognizedRequestType = "Unrecognized Request Type";

}  // namespace vz
