#include "execution/in_memory_servlet_urls.hpp"

#include <cctype>
#include <charconv>
#include <cstdlib>

#include <pugixml.hpp>

#include "execution/client_service.hpp"
#include "object/blank_trim.hpp"

namespace vz {
namespace {

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

std::vector<std::string> SplitURLs(const char* text) {
  std::vector<std::string> urls;
  if (!text) return urls;
  std::string current;
  for (const char* p = text;; ++p) {
    const char c = *p;
    if (c == '\0' || c == ',' || std::isspace(static_cast<unsigned char>(c))) {
      if (!current.empty()) urls.push_back(std::move(current));
      current.clear();
      if (c == '\0') break;
    } else {
      current += c;
    }
  }
  return urls;
}

bool ValidIndex(int index) { return index >= 0 && index < 3; }

class MemoryCache final : public ServletUrlCache {
 public:
  explicit MemoryCache(std::shared_ptr<InMemoryServletUrls::Store> store) : store_(std::move(store)) {}

  std::optional<CachedInstitution> Find(std::string_view realm, std::string_view location) const override {
    const auto found = store_->cache.find({std::string(realm), std::string(location)});
    if (found == store_->cache.end()) return std::nullopt;
    return found->second;
  }
  void Put(std::string_view realm, std::string_view location, const CachedInstitution& entry) override {
    store_->cache[{std::string(realm), std::string(location)}] = entry;
  }

 private:
  std::shared_ptr<InMemoryServletUrls::Store> store_;
};

// The rows and the handed answer belong to one request; the lists themselves are shared, so a
// list refreshed by one request serves the next.
class MemoryServletList final : public AllServletUrlList {
 public:
  explicit MemoryServletList(std::shared_ptr<InMemoryServletUrls::Store> store) : store_(std::move(store)) {}

  bool NoInstitutionInformation(std::string_view realm) override {
    const int index = RealmListIndex(realm);
    if (!ValidIndex(index)) return false;  // such a realm keeps the URL it logged in with
    listIndex_ = index;
    return store_->lists[static_cast<size_t>(index)].empty();
  }

  std::string NextURL(int listIndex) override {
    if (!ValidIndex(listIndex)) return {};
    listIndex_ = listIndex;
    const auto& list = store_->lists[static_cast<size_t>(listIndex)];
    const size_t row = rows_[static_cast<size_t>(listIndex)];
    return row < list.size() ? list[row] : std::string();
  }

  bool MoveToNextRow(std::string_view realm) override {
    const int index = RealmListIndex(realm);
    if (!ValidIndex(index)) return false;
    const size_t size = store_->lists[static_cast<size_t>(index)].size();
    size_t& row = rows_[static_cast<size_t>(index)];
    if (row + 1 < size) {
      ++row;
      return true;
    }
    row = 0;
    return false;
  }

  void SetResponse(const std::string& answer) override {
    answer_ = std::make_unique<pugi::xml_document>();
    if (!answer_->load_string(answer.c_str())) answer_->reset();
    url_ = answer_->select_node("InfoResponse/Institution/url").node().text().as_string();
  }

  bool ListRefreshed() const override { return refreshed_; }

  void RefreshList() override {
    refreshed_ = true;
    if (!answer_ || !ValidIndex(listIndex_)) return;
    std::vector<std::string> urls;
    for (const auto& found : answer_->select_nodes("InfoResponse/InformationServlets/url")) {
      const std::string url = found.node().text().as_string();
      if (!url.empty()) urls.push_back(url);
    }
    // An answer naming no servlets leaves the configured list as it was.
    if (urls.empty()) return;
    store_->lists[static_cast<size_t>(listIndex_)] = std::move(urls);
    rows_[static_cast<size_t>(listIndex_)] = 0;
  }

  std::string url() const override { return url_; }

 private:
  std::shared_ptr<InMemoryServletUrls::Store> store_;
  std::array<size_t, 3> rows_{};
  int listIndex_ = -1;
  std::unique_ptr<pugi::xml_document> answer_;
  std::string url_;
  bool refreshed_ = false;
};

}  // namespace

int RealmListIndex(std::string_view realm) {
  const std::string upper = Upper(realm);
  if (upper.find("PLAY") != std::string::npos) return 2;
  if (upper.find("DEV") != std::string::npos || upper.find("TEST") != std::string::npos) return 1;
  if (upper.find("PROD") != std::string::npos) return 0;
  return -1;
}

std::optional<std::int16_t> LocationIDFromText(std::string_view text) {
  const std::string_view trimmed = TrimBlanks(text);
  std::int16_t id = 0;
  const auto [end, error] = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), id);
  if (trimmed.empty() || error != std::errc() || end != trimmed.data() + trimmed.size()) return std::nullopt;
  return id;
}

InformationServletLists InformationServletsFromEnvironment() {
  return {SplitURLs(std::getenv("VZ_INFORMATION_SERVLETS_PROD")), SplitURLs(std::getenv("VZ_INFORMATION_SERVLETS_DEV")),
          SplitURLs(std::getenv("VZ_INFORMATION_SERVLETS_PLAY"))};
}

InMemoryServletUrls::InMemoryServletUrls(InformationServletLists lists) : store_(std::make_shared<Store>()) {
  store_->lists = std::move(lists);
}

std::shared_ptr<ServletUrlCache> InMemoryServletUrls::NewUrlCache() { return std::make_shared<MemoryCache>(store_); }

std::shared_ptr<AllServletUrlList> InMemoryServletUrls::NewAllServletList() {
  return std::make_shared<MemoryServletList>(store_);
}

std::shared_ptr<ServletUrlServices> ClientServicesFactory::ServletUrls() {
  if (!servletUrls_) servletUrls_ = std::make_shared<InMemoryServletUrls>(InformationServletsFromEnvironment());
  return servletUrls_;
}

}  // namespace vz
