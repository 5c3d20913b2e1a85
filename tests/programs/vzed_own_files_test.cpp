// A server's bytes never land on a dictation's own files, end to end: vzed with its HTTP client
// services against a hostile servlet of the test (canned answers) or the institution simulator,
// both on loopback, driven as the editor drives it. One test per fault: IDs that alias another
// dictation (work queue, creation), a QA refusal naming another dictation, template names that
// are a dictation's files, links planted under the names vzed writes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "audio/sphere_writer.hpp"
#include "canned_servlet.hpp"
#include "editor_client.hpp"
#include "simulated_institution.hpp"

namespace vz::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

void Write(const std::filesystem::path& file, const std::string& bytes) {
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << bytes;
}

std::string Row(const std::string& id, const std::string& version, const std::string& speaker) {
  return "<Row><utteranceID>" + id + "</utteranceID><locationID>3</locationID><queueStatus>Ready for Transcription</queueStatus>"
         "<documentVersion>" + version + "</documentVersion><speakerName>" + speaker + "</speakerName></Row>";
}

// vzed logged in to whichever servlet a test points it at.
class OwnFilesEndToEnd : public ::testing::Test {
 protected:
  OwnFilesEndToEnd()
      : vzed({}, {}, Actions::kInstitution),
        editor(vzed, EditorOptions{.logs = true,
                                   .server = {{"AppPath", (vzed.folder.Path() / "App").string()}},
                                   .login = Login{"http://127.0.0.1:1/none/servlet/ScribeServlet",
                                                  {{"InstitutionID", "12"}, {"Realm", "Dev"}, {"MachineID", "WS-7"}}}}) {}

  void PointAt(const std::string& url) {
    url_ = url;
    editor.Set(editor.connection, "CurrentDatabaseURL", url);
  }
  std::int64_t WorkQueue() {
    const auto queue = editor.NewWorkQueue();
    editor.Set(queue, "DatabaseURL", url_);
    return queue;
  }
  std::filesystem::path App(const std::string& name) const { return vzed.folder.Path() / "App" / name; }

  VzedProcess vzed;
  EditorClient editor;
  std::string url_;
};

TEST_F(OwnFilesEndToEnd, AWorkQueueListingADictationTwiceKeepsItsFirstRowAndGoesOn) {
  CannedServlet servlet({{"0100", {"<InfoResponse>" + Row("1001", "0", "first") + Row("1002", "0", "other") +
                                   Row("1001", "0", "second") + Row("01001", "0", "third") + Row("1001", "1", "next version") +
                                   Row("1003", "0", "last") + "</InfoResponse>"}}});
  PointAt(servlet.Url());
  struct Seen {
    long id;
    std::string version, speaker, configFile;
  };
  std::vector<Seen> seen;
  editor.Run(editor.NewSpec({2}, 1, WorkQueue()), [&](std::int64_t request) {
    editor.ForEachDictation(request, [&](std::int64_t record) {
      seen.push_back({editor.Get(record, "UtteranceID").get<long>(), editor.Get(record, "DocumentVersion").get<std::string>(),
                      editor.Call(record, "GetProperty", Json::array({"speakerName"})).get<std::string>(),
                      editor.Get(record, "ConfigFile").get<std::string>()});
    });
  });
  EXPECT_EQ(editor.completions, 1);
  EXPECT_EQ(editor.errorMessage,
            "The work queue answer listed 2 rows of a dictation already listed; the first row of each was kept:\r\n"
            "Row 2: dictation 1001 version 0, as row 0\r\nRow 3: dictation 1001 version 0, as row 0");
  ASSERT_EQ(seen.size(), 4u) << "every row after the repeated ones is extracted";
  EXPECT_EQ(seen[0].speaker, "first");
  EXPECT_EQ(seen[1].id, 1002);
  EXPECT_EQ(seen[2].id, 1001);
  EXPECT_EQ(seen[2].version, "1");
  EXPECT_EQ(seen[3].id, 1003);
  // Versions of one dictation share its one record file.
  EXPECT_EQ(seen[0].configFile, editor.ConfigFile(1001));
  EXPECT_EQ(seen[2].configFile, editor.ConfigFile(1001));
}

TEST_F(OwnFilesEndToEnd, ACreatedDictationNeverReplacesARecordAndTheRequestGoesOn) {
  const std::string record = "<Row>\r\n    <utteranceID>1001</utteranceID>\r\n    <CurrentPendingNote>Call the doctor</CurrentPendingNote>\r\n</Row>\r\n";
  Write(App("Downloads/Local_1001.cfg"), record);
  const CannedAnswer time{"<InfoResponse Day=\"9\" Month=\"3\" Year=\"2026\" Hour=\"16\" Minute=\"20\" Second=\"0\"/>"};
  const auto created = [&](const std::string& id) {
    return CannedAnswer{"<InfoResponse><WorkQueueItem>" + id +
                        "<locationID>3</locationID><queueStatus>Ready for Transcription</queueStatus></WorkQueueItem></InfoResponse>"};
  };
  struct Case {
    std::string id;     // the answer's utteranceID element, if any
    std::string error;  // in the parameter set of the creation
  };
  const Case cases[] = {
      {"<utteranceID>1001</utteranceID>", "The database created dictation 1001, which already has its record "},
      {"<utteranceID>01001</utteranceID>", "The database created dictation 1001, which already has its record "},
      {"<utteranceID> 1001 </utteranceID>", "The database created a dictation whose utteranceID \" 1001 \" is not a plain number"},
      {"<utteranceID>1001.4</utteranceID>", "whose utteranceID \"1001.4\" is not a plain number"},
      {"<utteranceID>&amp;H3E9</utteranceID>", "whose utteranceID \"&H3E9\" is not a plain number"},
      {"<utteranceID>1e3</utteranceID>", "whose utteranceID \"1e3\" is not a plain number"},
      {"", ""},  // no ID at all: a dictation without a file, as any other answer
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    CannedServlet servlet({{"0305", created(c.id)}, {"0009", time}});
    PointAt(servlet.Url());
    const auto spec = editor.NewSpec({33, 45}, 1);
    const auto creation = editor.AddParameterSet(spec, 33);
    const auto next = editor.AddParameterSet(spec, 45);
    std::vector<std::pair<long, std::string>> dictations;
    editor.Run(spec, [&](std::int64_t request) {
      editor.ForEachDictation(request, [&](std::int64_t made) {
        dictations.emplace_back(editor.Get(made, "UtteranceID").get<long>(), editor.Get(made, "ConfigFile").get<std::string>());
      });
    });
    EXPECT_EQ(editor.errorMessage, "");
    EXPECT_THAT(editor.Texts(next, "ResponseStrings"), ElementsAre("03/09/2026 16:20:00")) << "the request went on";
    if (c.error.empty()) {
      EXPECT_THAT(editor.Texts(creation, "ErrorMessages"), IsEmpty());
      EXPECT_THAT(dictations, ElementsAre(std::pair<long, std::string>(0, "")));
    } else {
      EXPECT_THAT(editor.Texts(creation, "ErrorMessages"), ElementsAre(HasSubstr(c.error)));
      EXPECT_THAT(dictations, IsEmpty());
    }
    EXPECT_EQ(ReadFile(App("Downloads/Local_1001.cfg")), record);
    EXPECT_FALSE(std::filesystem::exists(App("Downloads/Local_1000.cfg")));
    EXPECT_FALSE(std::filesystem::exists(App("Downloads/Local_0.cfg")));
  }

  // Without a parameter set for the creation the editor reads the refusal from the request.
  CannedServlet servlet({{"0305", created("<utteranceID>1e3</utteranceID>")}});
  PointAt(servlet.Url());
  editor.Run(editor.NewSpec({33}, 1));
  EXPECT_THAT(editor.errorMessage, HasSubstr("whose utteranceID \"1e3\" is not a plain number"));
}

TEST_F(OwnFilesEndToEnd, AnAudioDownloadReplacesALinkPlantedAsItsLiteralMarker) {
  const std::filesystem::path audio = vzed.folder.Path() / "served.sph";
  {
    audio::SphereWriter writer(audio, 8000, 1);
    const std::vector<std::int16_t> samples(8000, 1000);
    ASSERT_TRUE(writer.Write(samples) && writer.Finish());
  }
  CannedServlet servlet({{"0101", CannedAnswer::File(ReadFile(audio), {{"X-Literal-Processed", "true"}})}});
  PointAt(servlet.Url());
  const std::filesystem::path victim = vzed.folder.Path() / "victim.txt";
  Write(victim, "precious");
  std::filesystem::create_symlink(victim, editor.downloads / "Local_1001.wal");
  const auto spec = editor.NewSpec({1}, 1, WorkQueue());
  const auto collection = editor.New("NewUtteranceCollection");
  editor.Call(collection, "Add", Json::array({1001, 3, "Ready for Transcription", editor.ConfigFile(1001), "0"}));
  editor.Set(spec, "Utterances", Ref(collection));
  editor.Run(spec);
  EXPECT_EQ(editor.errorMessage, "");
  EXPECT_EQ(ReadFile(victim), "precious");
  EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(editor.downloads / "Local_1001.wal")));
}

// The same against the institution simulator.
class OwnFilesAgainstTheInstitution : public OwnFilesEndToEnd, public SimulatedInstitution {
 protected:
  OwnFilesAgainstTheInstitution() {
    simulator::SimulatorConfig config = Config(4, 1);
    config.institutions[0].restrictedDictations = {1003, 1004};
    config.institutions[0].templates = {{"1", "Local_1001.rtf", "", "03/01/2026 10:00:00", "server's rtf"},
                                        {"2", "Local_1001.cfg", "", "03/01/2026 10:00:00", "server's record"},
                                        {"3", ".Local_1001.cfg~vz4711-q3ZkT0.tmp", "", "03/01/2026 10:00:00", "x"},
                                        {"4", "Local_1001", "", "03/01/2026 10:00:00", "x"},
                                        {"5", "Local_Notes.dot", "", "03/01/2026 10:00:00", "fine"}};
    Start(config);
    PointAt(NorthURL());
  }

  // A grading download for `ids`; returns the parameter set's errors.
  void DownloadGrading(const std::vector<long>& ids) {
    const auto spec = editor.NewSpec({51}, 1, WorkQueue());
    const auto collection = editor.New("NewUtteranceCollection");
    for (const long id : ids) editor.Call(collection, "Add", Json::array({id, 3, "Ready for Transcription", editor.ConfigFile(id), "0"}));
    editor.Set(spec, "Utterances", Ref(collection));
    editor.Run(spec);
    EXPECT_EQ(editor.completions, 1);
  }

};

TEST_F(OwnFilesAgainstTheInstitution, TemplateNamesOfADictationsFilesAreRefusedPerFile) {
  Write(App("Downloads/Local_1001.rtf"), "the transcription");
  Write(App("Downloads/Local_1001.cfg"), "<Row><utteranceID>1001</utteranceID></Row>");
  const auto spec = editor.NewSpec({29, 30}, 1);
  editor.AddParameterSet(spec, 29, {{"lastModifiedDate", ""}});
  const auto files = editor.AddParameterSet(spec, 30);
  editor.Run(spec);
  EXPECT_EQ(editor.errorMessage, "");
  EXPECT_THAT(editor.Texts(files, "ErrorMessages"),
              ElementsAre("File Local_1001.rtf: refused file name from the server: the name of a dictation's own file",
                          "File Local_1001.cfg: refused file name from the server: the name of a dictation's own file",
                          "File .Local_1001.cfg~vz4711-q3ZkT0.tmp: refused file name from the server: the name of a temporary file",
                          "File Local_1001: refused file name from the server: the name of a dictation's own file"));
  EXPECT_EQ(ReadFile(App("Downloads/Local_1001.rtf")), "the transcription");
  EXPECT_EQ(ReadFile(App("Downloads/Local_1001.cfg")), "<Row><utteranceID>1001</utteranceID></Row>");
  EXPECT_FALSE(std::filesystem::exists(App("Downloads/Local_1001")));
  EXPECT_EQ(ReadFile(App("Downloads/Local_Notes.dot")), "fine");
}

TEST_F(OwnFilesAgainstTheInstitution, AQARefusalWritesAnEmptyGradingOnlyForTheRequestsOrANewDictation) {
  const std::string unsent = "<InfoResponse><Grade>B</Grade></InfoResponse>";
  const std::string empty = "<?xml version=\"1.0\"?><InfoResponse xmlns=\"http://www.quorvane.com/datamodel/billinggroup\"/>";
  // The institution's own refusal of 1003, one of the request's: its grading becomes the empty one.
  Write(editor.downloads / "Local_1003.QAG", unsent);
  DownloadGrading({1003});
  EXPECT_EQ(ReadFile(editor.downloads / "Local_1003.QAG"), empty);

  // A refusal naming another dictation leaves that dictation's unsent grading alone, but gives one
  // that has none yet its empty file; a refusal naming no number shows the editor nothing.
  Write(editor.downloads / "Local_1002.QAG", unsent);
  struct Case {
    std::string refusal;
    long file;  // the grading file that is to be empty afterwards, or 0
  };
  const Case cases[] = {
      {"You may not view the errors for dictation version 0 of dictation: 1002", 0},
      {"You may not view the errors for dictation version 0 of dictation: 1004", 1004},
      {"You may not view the errors for dictation version 0 of dictation: abc", 0},
      {"You may not view the errors for dictation version 0 of dictation: 99999999999", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.refusal);
    institution->Faults().Set("qagdownload", simulator::Fault::Status(403, c.refusal));
    DownloadGrading({1001});
    EXPECT_EQ(ReadFile(editor.downloads / "Local_1002.QAG"), unsent);
    if (c.file != 0) {
      EXPECT_EQ(ReadFile(editor.downloads / ("Local_" + std::to_string(c.file) + ".QAG")), empty);
    }
    EXPECT_FALSE(std::filesystem::exists(editor.downloads / "Local_1001.QAG"));
  }
  EXPECT_THAT(editor.boxes, IsEmpty());
}

TEST_F(OwnFilesAgainstTheInstitution, LinksPlantedUnderTheNamesOfListFilesAreNeverWrittenThrough) {
  const std::filesystem::path victim = vzed.folder.Path() / "victim.txt";
  Write(victim, "precious");
  std::filesystem::create_directories(App(""));
  for (const char* name : {"Request206.ts.part", "Request206.ts", "SearchLists_12_3.xml.part"}) std::filesystem::create_symlink(victim, App(name));
  const auto spec = editor.NewSpec({11, 40}, 1);
  editor.AddParameterSet(spec, 11, {{"VersionID", "7"}, {"doCompress", "0"}});
  const auto lists = editor.AddParameterSet(spec, 40);
  editor.Run(spec);
  EXPECT_EQ(editor.errorMessage, "");
  EXPECT_THAT(editor.Texts(lists, "ErrorMessages"), IsEmpty());
  EXPECT_EQ(ReadFile(victim), "precious");
  EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(App("Request206.ts"))));
  EXPECT_THAT(ReadFile(App("SearchLists_12_3.xml")), HasSubstr("<InfoResponse"));
}

}  // namespace
}  // namespace vz::testing
