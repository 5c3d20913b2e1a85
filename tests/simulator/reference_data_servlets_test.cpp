// The simulator's reference data without the network: what each request number answers, the
// zipped and plain contact lists with their time stamp, changes since a time, and the refusals
// of malformed calls with their texts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <zip.h>

#include "servlets_fixture.hpp"
#include "simulator/reference_data.hpp"

namespace vz::simulator {
namespace {

using ::testing::HasSubstr;

class ReferenceDataServletsTest : public ServletsFixture {
 protected:
  static std::string Header(const HttpReply& reply, const std::string& name) {
    for (const auto& [key, value] : reply.headers)
      if (key == name) return value;
    return {};
  }
  // The single member of a ZIP archive held in memory, with its name.
  static std::pair<std::string, std::string> Unzip(const std::string& bytes) {
    zip_error_t error;
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    zip_t* archive = zip_open_from_source(source, ZIP_RDONLY, &error);
    if (archive == nullptr || zip_get_num_entries(archive, 0) != 1) return {};
    zip_stat_t stat;
    zip_stat_index(archive, 0, 0, &stat);
    std::string content(stat.size, '\0');
    zip_file_t* member = zip_fopen_index(archive, 0, 0);
    zip_fread(member, content.data(), content.size());
    zip_fclose(member);
    std::pair<std::string, std::string> result{stat.name, content};
    zip_discard(archive);
    return result;
  }
  const Institution& North() {
    const Institution* found = nullptr;
    servlets.Inspect("north", [&](const Institution& institution) { found = &institution; });
    return *found;
  }

};

TEST_F(ReferenceDataServletsTest, ContactListsComePlainOrZippedWithTheirTimeStamp) {
  const HttpReply plain = Post("0206", "institutionID=12&locationID=3&VersionID=7&doCompress=0");
  ASSERT_EQ(plain.status, 200) << plain.body;
  EXPECT_EQ(plain.body, ContactsDocument(config, ""));
  EXPECT_EQ(Header(plain, "X-Content-SHA256"), servlet_wire::Sha256Hex(plain.body));
  EXPECT_EQ(Header(plain, "X-List-Timestamp"), ContactListTimestamp(config));
  EXPECT_THAT(plain.body, HasSubstr("<firstName>Alex \"Al\"</firstName>")) << "quotes stay as the editor's lists have them";

  const HttpReply zipped = Post("0207", "institutionID=12&locationID=3&VersionID=7&doCompress=1&since=03%2F01%2F2026+00%3A00%3A00");
  ASSERT_EQ(zipped.status, 200) << zipped.body;
  EXPECT_EQ(zipped.contentType, "application/zip");
  const auto [name, document] = Unzip(zipped.body);
  EXPECT_EQ(name, "ContactDeltas_12_3.xml");
  EXPECT_EQ(document, ContactsDocument(config, "03/01/2026 00:00:00"));
  for (const Contact& contact : Contacts(config)) {
    const bool changed = *SortableTime(contact.modified) > "20260301000000";
    EXPECT_EQ(document.find("<contactID>" + std::to_string(contact.contactID) + "<") != std::string::npos, changed) << contact.contactID;
  }
  EXPECT_EQ(Header(zipped, "X-List-Timestamp"), "") << "only the full list carries its time";
}

TEST_F(ReferenceDataServletsTest, MalformedCallsAreRefusedWithTheirReasons) {
  struct Case {
    const char* number;
    const char* form;
    int status;
    const char* message;
  };
  const Case cases[] = {
      {"0201", "application=&selector=NNY", 400, "Missing parameter institutionID"},
      {"0201", "institutionID=13&selector=NNY", 404, "Institution 13 not found"},
      {"0201", "institutionID=12&selector=NNNNY", 400, "The selector NNNNY selects no list"},
      {"0202", "institutionID=12&selector=NNYYNNNNNNNNNNNNY", 400, "Missing parameter certificate"},
      {"0206", "institutionID=12&locationID=4", 404, "Location 4 not found"},
      {"0207", "institutionID=12&locationID=3&since=2026-03-01", 400, "Bad parameter since: 2026-03-01"},
      {"0210", "LastName=&MRN=&VisitCode=", 400, "A patient search needs LastName, MRN or VisitCode"},
      {"0211", "parmString=", 400, "An HL7 search needs at least one criterion"},
      {"0212", "utteranceID=1001&paramString=%26field%3Dweather", 400, "Unknown search field weather"},
      {"0212", "utteranceID=9&paramString=%26field%3Dspeaker", 404, "No such dictation"},
      {"0213", "searchParameters=", 400, "Missing search parameters"},
      {"0220", "lastModifiedDate=soon", 400, "Bad parameter lastModifiedDate: soon"},
      {"0221", "fileID=100&fileName=Other.dot", 404, "No such template Other.dot"},
      {"0232", "fileName=", 400, "Missing parameter fileName"},
      {"0106", "utteranceID=", 400, "Missing parameter utteranceID"},
  };
  for (const Case& c : cases) {
    const HttpReply reply = Post(c.number, c.form);
    EXPECT_EQ(reply.status, c.status) << c.number << " " << c.form;
    EXPECT_EQ(Message(reply), c.message) << c.number << " " << c.form;
  }
}

TEST_F(ReferenceDataServletsTest, CataloguesAnswerWhatChangedAndTheTimeOfTheLatestTemplate) {
  EXPECT_EQ(Post("0009", "").body, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<InfoResponse Day=\"9\" Month=\"3\" Year=\"2026\" Hour=\"16\" Minute=\"20\" Second=\"0\"/>\n");
  const HttpReply list = Post("0220", "lastModifiedDate=03%2F01%2F2026+00%3A00%3A00");
  EXPECT_THAT(list.body, HasSubstr("<Count>2</Count>"));
  EXPECT_THAT(list.body, HasSubstr("Filename=\"ProgressNote.dot\""));
  EXPECT_THAT(list.body, ::testing::Not(HasSubstr("Consultation.dot")));
  const HttpReply file = Post("0221", "fileID=103&fileName=ProgressNote.dot&filePath=General");
  EXPECT_EQ(file.body, Templates(config)[3].content);
  EXPECT_EQ(Header(file, "Content-Disposition"), "attachment; filename=\"ProgressNote.dot\"");
  EXPECT_THAT(Post("0231", "lastModifiedFlagPath=&lastModifiedDate=").body, HasSubstr("<Dictionary>cardiology.dic</Dictionary>"));
  EXPECT_EQ(Post("0106", "utteranceID=1002").body, HeaderDocument(North(), North().Dictations()[1]));
  EXPECT_EQ(Post("0201", "institutionID=12&application=Penwright&selector=NNYYNNNNNNNNNNNNY").body,
            *ListsDocument(North(), kSearchListSelector));
}

}  // namespace
}  // namespace vz::simulator
