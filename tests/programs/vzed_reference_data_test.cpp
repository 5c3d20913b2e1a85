// Reference data end to end: the simulator runs in this process on loopback, vzed in another with
// its real HTTP client services, and a client drives it as the editor does, one request per family
// of reference data. It checks what the editor sees: the answers and errors of each parameter set
// and the files under the application and download folders, byte for byte, against what the
// institution serves.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <utility>

#include "editor_client.hpp"
#include "simulator/reference_data.hpp"
#include "simulated_institution.hpp"

namespace vz::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class VzedReferenceDataTest : public SimulatedInstitutionTest {
 protected:
  VzedReferenceDataTest() {
    simulator::SimulatorConfig config = Config(3, 1);
    // A second institution whose template list names a file two folders up.
    simulator::InstitutionConfig south = config.institutions[0];
    south.name = "South Clinic";
    south.directory = "south";
    south.templates = {{"1", "../../planted.dot", "", "03/01/2026 10:00:00", "owned"}, {"2", "Fine.dot", "General", "03/01/2026 10:00:00", "fine"}};
    config.institutions.push_back(south);
    north = config.institutions[0];
    Start(config);
    vzed = std::make_unique<VzedProcess>(std::vector<std::string>{}, std::vector<std::string>{}, Actions::kInstitution);
    app = vzed->folder.Path() / "App";
    std::filesystem::create_directories(app);
    // What the editor's login left on the connection.
    const Login login{NorthURL(), {{"InstitutionID", "12"}, {"InstitutionDirectory", "north"}, {"Realm", "Dev"}}};
    editor = std::make_unique<EditorClient>(*vzed, EditorOptions{.logs = true, .server = {{"AppPath", app.string()}, {"TraceLevel", 2}}, .login = login});
    downloads = editor->downloads;
  }
  // Submits `actions` with one parameter set per entry of `sets` (action, parameters), in order,
  // and waits for its completion; returns the parameter sets.
  std::vector<std::int64_t> Run(const std::vector<int>& actions, const std::vector<std::pair<int, Parameters>>& sets,
                                bool withWorkQueue = false) {
    const auto workQueue = withWorkQueue ? editor->New("NewWorkQueue", {{"RetrieveLocation", 3}, {"DownloadPath", downloads.string()}}) : 0;
    const auto spec = editor->NewSpec(actions, 33, workQueue);  // "Retrieving initialization lists."
    std::vector<std::int64_t> handles;
    for (const auto& [action, parameters] : sets) handles.push_back(editor->AddParameterSet(spec, action, parameters));
    editor->Run(spec);
    return handles;
  }

  simulator::InstitutionConfig north;
  std::unique_ptr<VzedProcess> vzed;
  std::filesystem::path app;
  std::filesystem::path downloads;
  std::unique_ptr<EditorClient> editor;
};

TEST_F(VzedReferenceDataTest, EveryFamilyOfReferenceDataReachesTheEditor) {
  // Lists and searches. The second patient search names nothing: the servlet refuses it, the
  // editor reads why from its parameter set, and the request goes on.
  {
    const auto sets = Run({16, 21, 14, 14, 23, 13},
                          {{16, {{"institutionID", "12"}}},
                           {21, {}},
                           {14, {{"LastName", "Doe"}, {"MRN", ""}, {"VisitCode", ""}}},
                           {14, {}},
                           {23, {{"LastName", "Roe"}}},
                           {13, {}}});
    EXPECT_EQ(editor->errorMessage, "");
    EXPECT_THAT(editor->Texts(sets[0], "ResponseStrings"),
                ElementsAre(*FromNorth([](const simulator::Institution& north) { return simulator::ListsDocument(north, "NNY"); })));
    EXPECT_EQ(ReadFile(app / "SearchLists_12_3.xml"),
              *FromNorth([](const simulator::Institution& north) { return simulator::ListsDocument(north, simulator::kSearchListSelector); }));
    EXPECT_THAT(editor->Texts(sets[2], "ResponseStrings"), ElementsAre(HasSubstr("<lastName>Doe</lastName>")));
    EXPECT_TRUE(editor->Texts(sets[3], "ResponseStrings").empty());
    EXPECT_THAT(editor->Texts(sets[3], "ErrorMessages"), ElementsAre("A patient search needs LastName, MRN or VisitCode"));
    EXPECT_THAT(editor->Texts(sets[4], "ResponseStrings"), ElementsAre(HasSubstr("<lastName>Roe</lastName>")));
    EXPECT_THAT(editor->Texts(sets[5], "ResponseStrings"), ElementsAre(HasSubstr("<InfoResponse")));
  }

  // The compressed search lists arrive as a ZIP and are unpacked to the same file.
  {
    std::filesystem::remove(app / "SearchLists_12_3.xml");
    Run({40}, {{40, {}}});
    EXPECT_EQ(editor->errorMessage, "");
    EXPECT_EQ(ReadFile(app / "SearchLists_12_3.xml"),
              *FromNorth([](const simulator::Institution& north) { return simulator::ListsDocument(north, simulator::kSearchListSelector); }));
  }

  // The contact list, with the server's time stamp copied for the next changes.
  {
    Run({11}, {{11, {{"VersionID", "7"}, {"doCompress", "0"}}}});
    EXPECT_EQ(editor->errorMessage, "");
    EXPECT_EQ(ReadFile(app / "ContactList_12_3_Dev.xml"), simulator::ContactsDocument(north, ""));
    EXPECT_EQ(ReadFile(app / "Request206.ts"), simulator::ContactListTimestamp(north) + "\r\n");
    EXPECT_EQ(ReadFile(app / "ContactList_12_3_Dev.ts"), ReadFile(app / "Request206.ts"));
  }

  // The changes since an earlier list, zipped, with their double quotes made harmless.
  {
    std::ofstream(app / "ContactList_12_3_Dev.ts", std::ios::binary) << "02/20/2026 00:00:00\r\n";
    const auto sets = Run({12}, {{12, {{"VersionID", "7"}, {"doCompress", "1"}}}});
    EXPECT_EQ(editor->errorMessage, "");
    EXPECT_TRUE(editor->Texts(sets[0], "ErrorMessages").empty());
    const std::string served = simulator::ContactsDocument(north, "02/20/2026 00:00:00");
    std::string expected = served.substr(served.find("<InfoResponse>"));
    std::replace(expected.begin(), expected.end(), '"', '-');
    EXPECT_EQ(ReadFile(app / "ContactDeltas_12_3_Dev.xml"), "<?xml version=\"1.0\"?>" + expected);
    EXPECT_THAT(served, HasSubstr("\"Birdie\"")) << "the served changes hold double quotes";
  }

  // The header documents of the dictations of the work queue.
  {
    Run({2, 34}, {}, true);
    EXPECT_EQ(editor->errorMessage, "");
    const auto headers = FromNorth([](const simulator::Institution& north) {
      std::vector<std::pair<long, std::string>> documents;
      for (const simulator::Dictation& dictation : north.Dictations())
        documents.emplace_back(dictation.utteranceID, simulator::HeaderDocument(north, dictation));
      return documents;
    });
    ASSERT_EQ(headers.size(), 3u);
    for (const auto& [id, document] : headers) EXPECT_EQ(ReadFile(downloads / ("Local_" + std::to_string(id) + ".hd3")), document) << id;
  }

  // Templates: the download time, the list and its files.
  {
    const auto sets = Run({45, 29, 30}, {{45, {}}, {29, {{"lastModifiedDate", ""}}}, {30, {}}});
    EXPECT_EQ(editor->errorMessage, "");
    EXPECT_THAT(editor->Texts(sets[0], "ResponseStrings"), ElementsAre("03/09/2026 16:20:00"));
    EXPECT_THAT(editor->Texts(sets[1], "ResponseStrings"), ElementsAre(HasSubstr("<Count>5</Count>")));
    EXPECT_TRUE(editor->Texts(sets[2], "ErrorMessages").empty());
    for (const simulator::CatalogueFile& file : simulator::Templates(north)) EXPECT_EQ(ReadFile(app / "Downloads" / file.name), file.content) << file.name;
  }

  // Dictionaries: the list fills the download that follows it.
  {
    const auto sets = Run({56, 57}, {{56, {{"lastModifiedFlagPath", ""}, {"lastModifiedDate", ""}}}, {57, {}}});
    EXPECT_EQ(editor->errorMessage, "");
    EXPECT_THAT(editor->Get(sets[1], "DictionaryFiles").get<std::vector<std::string>>(),
                ElementsAre("medical.dic", "cardiology.dic", "radiology.dic"));
    for (const simulator::CatalogueFile& file : simulator::Dictionaries(north)) EXPECT_EQ(ReadFile(app / "Downloads" / file.name), file.content) << file.name;
  }
}

TEST_F(VzedReferenceDataTest, AHostileTemplateListLeavesNothingOutsideTheDownloadFolder) {
  editor->Set(editor->connection, "CurrentDatabaseURL", institution->ServletURL("south"));
  const auto sets = Run({29, 30}, {{29, {{"lastModifiedDate", ""}}}, {30, {}}});
  EXPECT_EQ(editor->errorMessage, "");
  EXPECT_THAT(editor->Texts(sets[1], "ErrorMessages"), ElementsAre("File ../../planted.dot: refused file name from the server: a file name with .."));
  EXPECT_EQ(ReadFile(app / "Downloads" / "Fine.dot"), "fine");
  // A name unlikely to exist already two folders up (the shared temporary folder).
  for (const auto& folder : {vzed->folder.Path(), app, app.parent_path().parent_path()}) EXPECT_FALSE(std::filesystem::exists(folder / "planted.dot")) << folder;
}

}  // namespace
}  // namespace vz::testing
