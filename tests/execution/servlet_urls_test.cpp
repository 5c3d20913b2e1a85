#include <gtest/gtest.h>

#include <optional>
#include <string_view>

#include "execution/action_catalogue.hpp"
#include "execution/database_request.hpp"
#include "execution/in_memory_servlet_urls.hpp"
#include "model/connect_info.hpp"

namespace vz {
namespace {

TEST(ServletUrls, RealmWordsSelectTheList) {
  EXPECT_EQ(RealmListIndex("QuorvaneDev"), 1);
  EXPECT_EQ(RealmListIndex("dev"), 1);
  EXPECT_EQ(RealmListIndex("MyTestRealm"), 1);
  EXPECT_EQ(RealmListIndex("PRODUCTION"), 0);
  EXPECT_EQ(RealmListIndex("playground"), 2);
  EXPECT_EQ(RealmListIndex("PlayDev"), 2) << "PLAY wins over DEV";
  EXPECT_EQ(RealmListIndex("prodtest"), 1) << "DEV and TEST win over PROD";
  EXPECT_EQ(RealmListIndex("Quorvane"), -1);
  EXPECT_EQ(RealmListIndex(""), -1);
}

// The cache and the institution information hold the location ID as text; only a whole 16-bit
// number may become the connection's location, or a cached entry would point at another one.
TEST(ServletUrls, LocationIDsAreWholeSixteenBitNumbers) {
  const struct {
    std::string_view text;
    std::optional<std::int16_t> id;
  } cases[] = {
      {"3", 3}, {" 12\r\n", 12}, {"-5", -5}, {"32767", 32767},
      {"", std::nullopt}, {" \t ", std::nullopt}, {"32768", std::nullopt}, {"3a", std::nullopt}, {"1 2", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(LocationIDFromText(c.text), c.id) << "'" << c.text << "'";
}

TEST(ServletUrls, RowsGoRoundAndAnAnswerRefreshesTheList) {
  InMemoryServletUrls urls({{{}, {"a", "b"}, {}}});
  const auto list = urls.NewAllServletList();
  EXPECT_TRUE(list->NoInstitutionInformation("play"));
  EXPECT_FALSE(list->NoInstitutionInformation("Quorvane")) << "a realm without a list keeps its login URL";
  EXPECT_FALSE(list->NoInstitutionInformation("dev"));
  EXPECT_EQ(list->NextURL(1), "a");
  EXPECT_TRUE(list->MoveToNextRow("dev"));
  EXPECT_EQ(list->NextURL(1), "b");
  EXPECT_FALSE(list->MoveToNextRow("dev")) << "past the last row the list starts over";
  EXPECT_EQ(list->NextURL(1), "a");
  EXPECT_EQ(list->NextURL(7), "");

  list->SetResponse("<InfoResponse><Institution><url>https://x/servlet</url></Institution></InfoResponse>");
  EXPECT_EQ(list->url(), "https://x/servlet");
  EXPECT_FALSE(list->ListRefreshed());
  list->RefreshList();
  EXPECT_TRUE(list->ListRefreshed());
  EXPECT_EQ(urls.NewAllServletList()->NextURL(1), "a") << "an answer naming no servlets changes nothing";
  list->SetResponse("<InfoResponse><InformationServlets><url>c</url><url>d</url></InformationServlets></InfoResponse>");
  list->RefreshList();
  EXPECT_EQ(list->url(), "");
  EXPECT_EQ(urls.NewAllServletList()->NextURL(1), "c") << "the refreshed list is shared";
  list->SetResponse("not xml at all");
  EXPECT_EQ(list->url(), "");
}

TEST(ServletUrls, CacheIsKeyedByRealmAndLocationName) {
  InMemoryServletUrls urls;
  urls.NewUrlCache()->Put("Prod", "North", {"u", "", "", "", "", "3", "s"});
  const auto cache = urls.NewUrlCache();
  ASSERT_TRUE(cache->Find("Prod", "North"));
  EXPECT_EQ(cache->Find("Prod", "North")->locationID, "3");
  EXPECT_FALSE(cache->Find("Dev", "North"));
  EXPECT_FALSE(cache->Find("Prod", "north"));
}

class UrlCatalogue : public ActionCatalogue {
 public:
  void StartAction(clsDatabaseRequest&, std::int32_t) override {}
  std::shared_ptr<ServletUrlServices> ServletUrls() override { return urls; }
  std::shared_ptr<ServletUrlServices> urls =
      std::make_shared<InMemoryServletUrls>(InformationServletLists{{{"prod"}, {"dev"}, {}}});
};

TEST(ServletUrls, SetAllServletURlTakesTheRealmsServletOrKeepsTheLoginURL) {
  const auto request = std::make_shared<clsDatabaseRequest>(std::weak_ptr<RequestHost>{}, std::make_shared<UrlCatalogue>());
  const auto info = std::make_shared<clsConnectInfo>();
  request->SetConnectionInfo(info);
  struct Case {
    const char* realm;
    const char* url;
  };
  for (const Case& c : {Case{"QuorvaneDEV", "dev"}, Case{"stAgIng-dev", "dev"}, Case{"Production", "prod"},
                        Case{"PLAYGROUND", "login"}, Case{"Quorvane", "login"}}) {
    info->SetInformationURL("login");
    request->SetAllServletURl(c.realm);
    EXPECT_EQ(info->InformationURL(), c.url) << c.realm;
  }
}

}  // namespace
}  // namespace vz
