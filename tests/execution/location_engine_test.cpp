// Requests made for another location than the connection points at: the servlet URLs come from
// the cache, or the institution's information is fetched first from the realm's servlets. The
// secure login fills the cache; the ping logs the server in.
#include "engine_fixture.hpp"
#include "execution/in_memory_servlet_urls.hpp"

namespace vz {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using testing::kTimeOut;

std::string InstitutionAnswer(const std::string& webPath, const std::string& name = "South Clinic") {
  return "<InfoResponse><Institution><locationID>5</locationID><name>" + name + "</name>"
         "<institutionID>12</institutionID><directoryName>south</directoryName>"
         "<urlStem>https://host/south</urlStem><url>https://host/south/servlet/ScribeServlet</url>"
         "<webPath>" + webPath + "</webPath><realTimeTemplateChooser></realTimeTemplateChooser></Institution>"
         "<InformationServlets><url>https://info-3/servlet/ScribeServlet</url></InformationServlets></InfoResponse>";
}

class LocationEngineTest : public testing::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    urls = std::make_shared<InMemoryServletUrls>(InformationServletLists{
        {{"https://prod-info/servlet"}, {"https://dev-info-1/servlet", "https://dev-info-2/servlet"}, {}}});
    services->SetServletUrls(urls);
    info = server->DatabaseRequests()->ConnectionInfo();
    info->SetRealm("QuorvaneDev");
    info->SetInformationURL("https://login-info/servlet");
    info->SetCurrentLocation("North Clinic");
  }
  std::shared_ptr<clsRequestSpec> SpecFor(const std::string& location, std::vector<std::int32_t> actions,
                                          std::int32_t kind = 1) {
    auto spec = Spec(std::move(actions), kind);
    spec->SetLocation(location);
    return spec;
  }
  std::shared_ptr<clsDatabaseRequest> AddForSouth(std::vector<std::int32_t> actions) {
    return server->DatabaseRequests()->Add(SpecFor("South Clinic", std::move(actions)));
  }
  CachedInstitution SouthInCache() {
    return {"https://cached/south/servlet", "chooser.jsp", "https://cached/south", "12", "south", "5", "https://cached/south"};
  }

  std::shared_ptr<InMemoryServletUrls> urls;
  std::shared_ptr<clsConnectInfo> info;
};

TEST_F(LocationEngineTest, NotCachedFetchesTheInstitutionFirstThenRunsTheDueAction) {
  services->Script(Action::DBR_GETLOCATIONINFO, ScriptedAnswer::Success(InstitutionAnswer("")));
  services->Script(Action::DBR_GETWORKQUEUE, ScriptedAnswer::Success("<InfoResponse/>"));
  const auto request = AddForSouth({2});
  clock.AdvanceBy(PumpTimer().Interval());
  ASSERT_EQ(services->Calls().size(), 1u);
  EXPECT_EQ(services->Calls()[0].action, Action::DBR_GETLOCATIONINFO);
  EXPECT_EQ(UrlOf(services->Calls()[0].init), "https://dev-info-1/servlet") << "the realm's first servlet";
  EXPECT_EQ(std::get<InformationInit>(services->Calls()[0].init).location, "South Clinic");
  EXPECT_EQ(request->CurrentAction(), DBR_GETLOCATIONINFO);
  EXPECT_EQ(request->NextActionIndex(), 0) << "the inserted action does not move the index";
  EXPECT_EQ(request->CurrentActionID(), 2);

  clock.Turn();
  RunToCompletion();
  ASSERT_EQ(services->Calls().size(), 2u);
  EXPECT_EQ(services->Calls()[1].action, Action::DBR_GETWORKQUEUE);
  EXPECT_EQ(UrlOf(services->Calls()[1].init), "https://host/south/servlet/ScribeServlet");
  EXPECT_EQ(std::get<WorkQueueInit>(services->Calls()[1].init).retrieveLocation, 5) << "the work queue is read from the new location";
  EXPECT_EQ(info->CurrentLocation(), "South Clinic");
  EXPECT_EQ(info->CurrentLocationID(), 5);
  EXPECT_EQ(info->InstitutionDirectory(), "south");
  EXPECT_EQ(info->CurrentUrlStem(), "https://host/south");
  EXPECT_EQ(info->RealTimePath(), "https://host/south") << "no webPath: the url without its servlet path";
  EXPECT_EQ(info->RealTimeTemplateChooser(), "QuorvaneRealTime/PWNormals.jsp");
  EXPECT_THAT(errorAtCompletion, ElementsAre(""));
}

TEST_F(LocationEngineTest, ProgressGivesTheInsertedActionThePlaceOfTheActionItPrecedes) {
  struct Recorder : ProgressObserver {
    std::vector<std::tuple<std::string, std::string, std::int32_t, std::int32_t>> steps;
    void OnProgress(const RequestProgress& progress) override {
      steps.emplace_back(StepName(progress.step), progress.actionName, progress.actionNumber, progress.actionCount);
    }
  };
  const auto recorder = std::make_shared<Recorder>();
  server->SetProgressObserver(recorder);
  services->Script(Action::DBR_GETLOCATIONINFO, ScriptedAnswer::Success(InstitutionAnswer("")));
  AddForSouth({2});
  RunToCompletion();
  using Step = std::tuple<std::string, std::string, std::int32_t, std::int32_t>;
  EXPECT_THAT(recorder->steps, ElementsAre(Step{"action", "DBR_GETLOCATIONINFO", 1, 1}, Step{"action", "DBR_GETWORKQUEUE", 1, 1},
                                           Step{"done", "DBR_GETWORKQUEUE", 1, 1}));
}

TEST_F(LocationEngineTest, TimeOutTriesTheRealmsNextServletAndTheAnswerRefreshesTheList) {
  services->Script(Action::DBR_GETLOCATIONINFO, ScriptedAnswer::Error(kTimeOut));
  services->Script(Action::DBR_GETLOCATIONINFO, ScriptedAnswer::Success(InstitutionAnswer("https://web/south")));
  AddForSouth({2});
  Step();
  clock.AdvanceBy(5000ms);
  clock.Turn();
  RunToCompletion();
  ASSERT_EQ(services->Calls().size(), 3u);
  EXPECT_EQ(services->Calls()[1].action, Action::DBR_GETLOCATIONINFO);
  EXPECT_EQ(UrlOf(services->Calls()[1].init), "https://dev-info-2/servlet");
  EXPECT_EQ(info->RealTimePath(), "https://web/south");

  // The answer named the realm's servlets: the next request for an unknown location asks them.
  info->SetCurrentLocation("North Clinic");
  client->completed.clear();
  AddForSouth({2});
  Step();
  EXPECT_EQ(UrlOf(services->Calls().at(3).init), "https://info-3/servlet/ScribeServlet");
}

TEST_F(LocationEngineTest, CachedLocationFillsTheConnectionAndRunsTheDueAction) {
  urls->NewUrlCache()->Put("QuorvaneDev", "South Clinic", SouthInCache());
  AddForSouth({2});
  RunToCompletion();
  ASSERT_EQ(services->Calls().size(), 1u);
  EXPECT_EQ(services->Calls()[0].action, Action::DBR_GETWORKQUEUE);
  EXPECT_EQ(UrlOf(services->Calls()[0].init), "https://cached/south/servlet");
  EXPECT_EQ(info->CurrentLocation(), "South Clinic");
  EXPECT_EQ(info->CurrentLocationID(), 5);
  EXPECT_EQ(info->RealTimeTemplateChooser(), "chooser.jsp");
  EXPECT_EQ(info->InstitutionID(), "12");
}

TEST_F(LocationEngineTest, CacheEntryWithoutLocationIDCountsAsAbsent) {
  CachedInstitution entry = SouthInCache();
  entry.locationID = "";
  urls->NewUrlCache()->Put("QuorvaneDev", "South Clinic", entry);
  AddForSouth({2});
  Step();
  ASSERT_FALSE(services->Calls().empty());
  EXPECT_EQ(services->Calls()[0].action, Action::DBR_GETLOCATIONINFO);
}

TEST_F(LocationEngineTest, RealmWithoutInstitutionInformationClosesBeforeAnyCall) {
  info->SetRealm("QuorvanePlay");
  AddForSouth({2, 1});
  RunToCompletion();
  EXPECT_TRUE(services->Calls().empty());
  EXPECT_THAT(errorAtCompletion, ElementsAre("Information for the current institution was not found."));
}

TEST_F(LocationEngineTest, InstitutionErrorEndsTheRequestWithTheServletsText) {
  services->Script(Action::DBR_GETLOCATIONINFO, ScriptedAnswer::Error("Location South Clinic not found"));
  AddForSouth({2});
  RunToCompletion();
  EXPECT_EQ(services->Calls().size(), 1u);
  EXPECT_THAT(errorAtCompletion, ElementsAre("Location South Clinic not found"));
}

TEST_F(LocationEngineTest, SecureLoginPutsTheLocationInTheCache) {
  info->SetCurrentDatabaseURL("https://host/north/servlet/ScribeServlet");
  info->SetCurrentLocationID(3);
  info->SetCurrentUrlStem("https://host/north");
  info->SetInstitutionID("12");
  auto spec = SpecFor("North Clinic", {41});
  const auto login = spec->GenericRequests()->Add(41);
  services->Script(Action::DBR_SECURELOGIN, ScriptedAnswer::Success("<InfoResponse><Login login='jsmith'/></InfoResponse>"));
  server->DatabaseRequests()->Add(spec);
  RunToCompletion();
  EXPECT_EQ(login->ResponseStrings()->Items(), (std::vector<std::string>{"<InfoResponse><Login login='jsmith'/></InfoResponse>"}));
  EXPECT_THAT(errorAtCompletion, ElementsAre(""));

  // Back at North after working elsewhere: the cache answers, no institution information is fetched.
  info->SetCurrentLocation("South Clinic");
  info->SetCurrentDatabaseURL("https://host/south/servlet/ScribeServlet");
  info->SetCurrentLocationID(5);
  client->completed.clear();
  server->DatabaseRequests()->Add(SpecFor("North Clinic", {2}));
  RunToCompletion();
  ASSERT_EQ(services->Calls().size(), 2u);
  EXPECT_EQ(services->Calls()[1].action, Action::DBR_GETWORKQUEUE);
  EXPECT_EQ(UrlOf(services->Calls()[1].init), "https://host/north/servlet/ScribeServlet");
  EXPECT_EQ(info->CurrentLocationID(), 3);
}

TEST_F(LocationEngineTest, ServletWithoutSecureLoginTellsTheEditorAndTheRequestGoesOn) {
  auto spec = SpecFor("North Clinic", {41, 2});
  const auto login = spec->GenericRequests()->Add(41);
  services->Script(Action::DBR_SECURELOGIN, ScriptedAnswer::Error("Class Request0012 not found"));
  services->Script(Action::DBR_GETLOCATIONINFO, ScriptedAnswer::Success(InstitutionAnswer("", "North Clinic")));
  server->DatabaseRequests()->Add(spec);
  RunToCompletion();
  ASSERT_EQ(login->ErrorMessages()->Count(), 1);
  EXPECT_EQ(login->ErrorMessages()->Item(Value(std::int32_t{1})).ToString(), "Class Request0012 not found");
  // The failed login left the connection without a location: the institution is looked up again.
  ASSERT_EQ(services->Calls().size(), 3u);
  EXPECT_EQ(services->Calls()[1].action, Action::DBR_GETLOCATIONINFO);
  EXPECT_EQ(services->Calls()[2].action, Action::DBR_GETWORKQUEUE);
}

TEST_F(LocationEngineTest, PingOfALoginRequestLogsTheServerIn) {
  server->DatabaseRequests()->Add(SpecFor("North Clinic", {10}, 46));
  RunToCompletion();
  EXPECT_FALSE(server->LoggedIn()) << "only a login request logs in";
  client->completed.clear();
  server->DatabaseRequests()->Add(SpecFor("North Clinic", {10}, 8));
  RunToCompletion();
  EXPECT_TRUE(server->LoggedIn());
  services->Script(Action::DBR_PINGSERVLET, ScriptedAnswer::Error("Access denied"));
  server->SetLoggedIn(false);
  client->completed.clear();
  server->DatabaseRequests()->Add(SpecFor("North Clinic", {10}, 8));
  RunToCompletion();
  EXPECT_FALSE(server->LoggedIn());
  EXPECT_EQ(errorAtCompletion.back(), "Access denied");
}

TEST_F(LocationEngineTest, AnswerThatDoesNotNameTheLocationEndsTheRequestInsteadOfAskingAgain) {
  services->Script(Action::DBR_GETLOCATIONINFO, ScriptedAnswer::Success(InstitutionAnswer("", "Other Clinic")));
  AddForSouth({2});
  RunToCompletion();
  EXPECT_EQ(services->Calls().size(), 1u);
  EXPECT_THAT(errorAtCompletion, ElementsAre("Information for the current institution was not found."));

  client->completed.clear();
  info->SetCurrentLocation("North Clinic");
  services->Script(Action::DBR_GETLOCATIONINFO, ScriptedAnswer::Success("not xml"));
  AddForSouth({2});
  RunToCompletion();
  EXPECT_EQ(services->Calls().size(), 2u);
  EXPECT_EQ(errorAtCompletion.back(), "Information for the current institution was not found.");
}

}  // namespace
}  // namespace vz
