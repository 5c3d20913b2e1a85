#pragma once
// The servlet-URL cache and the information-servlet lists kept in memory for the life of the
// client-services factory that made them, so that every request of the process shares them.
#include <array>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "execution/servlet_urls.hpp"

namespace vz {

// The information servlets of realm lists 0 (production), 1 (development and test), 2 (play).
using InformationServletLists = std::array<std::vector<std::string>, 3>;

// The lists configured for this process: the environment variables
// VZ_INFORMATION_SERVLETS_PROD, VZ_INFORMATION_SERVLETS_DEV and VZ_INFORMATION_SERVLETS_PLAY, each
// holding URLs separated by blanks or commas in order of preference. A list left unset is empty:
// its realms have no institution information until an answer names their servlets.
InformationServletLists InformationServletsFromEnvironment();

class InMemoryServletUrls final : public ServletUrlServices {
 public:
  explicit InMemoryServletUrls(InformationServletLists lists = {});

  std::shared_ptr<ServletUrlCache> NewUrlCache() override;
  std::shared_ptr<AllServletUrlList> NewAllServletList() override;

  // What the objects made here share.
  struct Store {
    std::map<std::pair<std::string, std::string>, CachedInstitution> cache;
    InformationServletLists lists;
  };

 private:
  std::shared_ptr<Store> store_;
};

}  // namespace vz
