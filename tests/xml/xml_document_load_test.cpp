// clsXMLDocument: loading, parse errors, Init, properties and writing files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "diagnostics/automation_error.hpp"
#include "diagnostics_fixture.hpp"
#include "raised_by.hpp"
#include "regex_matcher.hpp"
#include "xml/parse_failure.hpp"
#include "xml/xml_document.hpp"

namespace vz {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;
using testing::ReadFile;
using testing::SearchesRegex;
using testing::WriteFile;

class XmlDocumentFileTest : public testing::DiagnosticsTest {
 protected:
  std::string File(const std::string& name) const { return folder / name; }

  clsXMLDocument doc;
};

constexpr const char* kNested =
    "<?xml version=\"1.0\" standalone=\"yes\" ?>\r\n"
    "<Settings>\r\n"
    "    <Name>Main &amp; backup</Name>\r\n"
    "    <DownLoads>\r\n"
    "        <fileName>a.pcm</fileName>\r\n"
    "        <fileName>b.pcm</fileName>\r\n"
    "    </DownLoads>\r\n"
    "    <Flag on=\"1\"/>\r\n"
    "    <Empty/>\r\n"
    "</Settings>\r\n";

TEST_F(XmlDocumentFileTest, ReadAndWriteAgainGivesTheSameBytes) {
  WriteFile(File("in.xml"), kNested);
  doc.ReadConfigFileToObject(File("in.xml"));
  EXPECT_EQ(doc.RootName(), "Settings");
  EXPECT_EQ(doc.ConfigFile(), File("in.xml"));
  doc.WriteObjectToConfigFile(File("out.xml"));
  EXPECT_EQ(ReadFile(File("out.xml")), kNested);

  long count = -1;
  EXPECT_EQ(doc.GetDownloadNames(count), (std::vector<std::string>{"a.pcm", "b.pcm"}));
  EXPECT_EQ(count, 2);
}

TEST_F(XmlDocumentFileTest, MalformedFileGivesCodeReasonLineAndPosition) {
  WriteFile(File("bad.xml"), "<Root>\r\n    <A>1</A>\r\n    <B>2</C>\r\n</Root>\r\n");
  const AutomationError error = testing::RaisedBy([&] { doc.ReadConfigFileToObject(File("bad.xml")); });
  EXPECT_EQ(error.Number(), -1);
  // The mismatched end tag's name starts in column 11 of line 3.
  EXPECT_THAT(error.Description(), StartsWith("Error 14 loading " + File("bad.xml") +
                                              ": \r\nStart-end tags mismatch\r\nat line: 3, at position: 11\r\n"));
  EXPECT_EQ(doc.ConfigFile(), File("bad.xml"));  // recorded even though the load failed
}

TEST_F(XmlDocumentFileTest, MalformedMemoryTextGivesItsOwnPrefixAndCountsCharacters) {
  // "é" is two bytes but one character: the bad attribute value starts at column 6.
  const AutomationError error = testing::RaisedBy([&] { doc.LoadXMLFromMemory("<Root>\n<A/>\n<é x=1/></Root>"); });
  EXPECT_THAT(error.Description(), StartsWith("Error 12 loading XML from memory: \r\nError parsing element attribute\r\n"
                                              "at line: 3, at position: 6\r\n"));
}

std::string Nested(int depth) {
  std::string text;
  for (int i = 0; i < depth; ++i) text += "<a>";
  text += "x";
  for (int i = 0; i < depth; ++i) text += "</a>";
  return text;
}

TEST_F(XmlDocumentFileTest, DocumentsNestedPastTheLimitAreRefusedAndThoseAtItRoundTrip) {
  EXPECT_THAT(testing::RaisedBy([&] { doc.LoadXMLFromMemory(Nested(100000)); }).Description(),
              StartsWith("Error 11 loading XML from memory: \r\nElements nested deeper than 256 levels\r\nat line: 1, "));
  EXPECT_THROW(doc.LoadXMLFromMemory(Nested(xml::kMaxElementDepth + 1)), AutomationError);
  doc.LoadXMLFromMemory(Nested(xml::kMaxElementDepth));
  doc.WriteObjectToConfigFile(File("deep.xml"));
  clsXMLDocument again;
  again.ReadConfigFileToObject(File("deep.xml"));
  EXPECT_EQ(again.CurrentXMLDisplay(), doc.CurrentXMLDisplay());
  EXPECT_EQ(clsXMLDocument::NodeText(again.RootNode()), "x");
}

TEST_F(XmlDocumentFileTest, MissingFileIsALoadError) {
  const AutomationError error = testing::RaisedBy([&] { doc.ReadConfigFileToObject(File("absent.xml")); });
  EXPECT_THAT(error.Description(),
              StartsWith("Error 1 loading " + File("absent.xml") + ": \r\nFile was not found\r\nat line: 0, at position: 0"));
}

TEST_F(XmlDocumentFileTest, FailedLoadKeepsThePreviousDocument) {
  doc.LoadXMLFromMemory("<Old><p>1</p></Old>");
  EXPECT_THROW(doc.LoadXMLFromMemory("<New><p>2</New>"), AutomationError);
  EXPECT_THAT(testing::RaisedBy([&] { doc.LoadXMLFromMemory("<New/>\n <Second/>"); }).Description(),
              StartsWith("Error 11 loading XML from memory: \r\nOnly one top level element is allowed\r\n"
                         "at line: 2, at position: 3\r\n"));
  EXPECT_EQ(doc.RootName(), "Old");
  EXPECT_EQ(doc.sfnRetrievePropertyValue("p"), "1");
  EXPECT_EQ(doc.CurrentXMLDisplay(), "<Old><p>1</p></Old>");
}

TEST_F(XmlDocumentFileTest, ReRaisedErrorsNameEachOperationOnTheirWayUp) {
  const AutomationError error = testing::RaisedBy([&] { doc.LoadXMLFromMemory("<a>"); });
  EXPECT_THAT(error.Description(),
              SearchesRegex("\r\nRaised at line \\d+ in in ZERUredoz\\.clsXMLDocument\\.LoadXML\\."
                            "\r\nRaised at line \\d+ in in ZERUredoz\\.clsXMLDocument\\.LoadXMLFromMemory\\.$"));
}

TEST_F(XmlDocumentFileTest, PropertiesReadNullAndMissingAsEmpty) {
  doc.LoadXMLFromMemory("<Row><a>null</a><b>Null</b><c>v</c></Row>");
  EXPECT_EQ(doc.sfnRetrievePropertyValue("a"), "");
  EXPECT_EQ(doc.sfnRetrievePropertyValue("b"), "Null");
  EXPECT_EQ(doc.sfnRetrievePropertyValue("c"), "v");
  EXPECT_EQ(doc.sfnRetrievePropertyValue("missing"), "");
}

TEST_F(XmlDocumentFileTest, AssignPropertyWritesTheFileOnlyWhenOneIsSet) {
  doc.Init("", "Settings");
  doc.AssignPropertyValue("Mode", "fast");
  EXPECT_EQ(doc.sfnRetrievePropertyValue("Mode"), "fast");
  const auto entries = std::distance(std::filesystem::directory_iterator(folder.Path()), {});
  EXPECT_EQ(entries, 2);  // only the fixture's Logs and App folders: nothing was written

  doc.ConfigFile(File("s.xml"));
  doc.AssignPropertyValue("Mode", "a < b");
  EXPECT_EQ(ReadFile(File("s.xml")),
            "<?xml version=\"1.0\" standalone=\"yes\" ?>\r\n<Settings>\r\n    <Mode>a &lt; b</Mode>\r\n</Settings>\r\n");
  EXPECT_THAT(DetailLog(), HasSubstr("clsXMLDocument.AssignPropertyValue: Property = Mode. Value = a < b"));
}

TEST_F(XmlDocumentFileTest, AssignPropertyWithoutRootRaises) {
  const AutomationError error = testing::RaisedBy([&] { doc.AssignPropertyValue("x", "1"); });
  EXPECT_THAT(error.Description(), StartsWith("Root node has not been defined.\r\nRaised at line "));
}

TEST_F(XmlDocumentFileTest, InitReadsAnOrdinaryFileButTreatsAHiddenOneAsAbsent) {
  WriteFile(File("plain.xml"), "<Settings><k>v</k></Settings>");
  doc.Init(File("plain.xml"), "Settings");
  EXPECT_EQ(doc.sfnRetrievePropertyValue("k"), "v");

  WriteFile(File(".hidden.xml"), "<Settings><k>v</k></Settings>");
  clsXMLDocument hidden;
  hidden.Init(File(".hidden.xml"), "Settings");
  EXPECT_EQ(hidden.ConfigFile(), File(".hidden.xml"));
  EXPECT_EQ(hidden.CurrentXMLDisplay(), "<Settings/>");
  // Written back in place; the file stays hidden because its name does not change.
  hidden.WriteObjectToConfigFile();
  EXPECT_EQ(ReadFile(File(".hidden.xml")), "<?xml version=\"1.0\" standalone=\"yes\" ?>\r\n<Settings>\r\n</Settings>\r\n");
}

TEST_F(XmlDocumentFileTest, InitWithAnotherRootNameDiscardsTheFileContent) {
  WriteFile(File("other.xml"), "<Other><k>v</k></Other>");
  doc.Init(File("other.xml"), "Settings");
  EXPECT_EQ(doc.CurrentXMLDisplay(), "<Settings/>");
}

TEST_F(XmlDocumentFileTest, WritingWithoutRootShowsABoxAndWritesNothing) {
  doc.WriteObjectToConfigFile(File("none.xml"));
  EXPECT_FALSE(std::filesystem::exists(File("none.xml")));
  ASSERT_EQ(prompter->Shown().size(), 1u);
  EXPECT_EQ(prompter->Shown()[0].text,
            "Unable to flush XML to a file because the root node for this document hasn't been initialized yet.");

  doc.WriteObjectToConfigFile();  // no file at all: only traced
  EXPECT_THAT(DetailLog(), HasSubstr("Unable to write configfile because no configfile has been specified."));
}

TEST_F(XmlDocumentFileTest, TraceFlushesFollowsLevelFiveAndTracesEveryLine) {
  EXPECT_FALSE(doc.TraceFlushes());
  SetTraceLevel(5);
  EXPECT_TRUE(doc.TraceFlushes());
  doc.TraceFlushes(false);
  EXPECT_TRUE(doc.TraceFlushes());
  SetTraceLevel(4);
  EXPECT_FALSE(doc.TraceFlushes());
  doc.TraceFlushes(true);
  EXPECT_TRUE(doc.TraceFlushes());

  doc.LoadXMLFromMemory("<Root><P><a>1</a></P><e/></Root>");
  doc.WriteObjectToConfigFile(File("t.xml"));
  const std::string log = DetailLog();
  for (const char* line : {"clsXMLDocument.WriteNodeListToFile: Writing parent node start tag: <P>",
                           "clsXMLDocument.WriteNodeListToFile: Writing leaf node (1): <a>1</a>",
                           "clsXMLDocument.WriteNodeListToFile: Writing parent node end tag: </P>",
                           "clsXMLDocument.WriteNodeListToFile: Writing leaf node (2): <e/>",
                           "clsXMLDocument.WriteObjectToConfigFile: Exiting sub."}) {
    EXPECT_THAT(log, HasSubstr(line));
  }
  doc.ReadConfigFileToObject(File("t.xml"));
  EXPECT_THAT(DetailLog(), HasSubstr("clsXMLDocument.ReadConfigFileToObject: Content of " + File("t.xml") +
                                     "\r\n<?xml version=\"1.0\"?>\r\n<Root>\r\n    <P>"));
}

TEST_F(XmlDocumentFileTest, TryLoadXMLChecksAFileWithoutTouchingTheDocument) {
  doc.LoadXMLFromMemory("<Kept/>");
  WriteFile(File("bad.xml"), "<a>");
  EXPECT_THAT(testing::RaisedBy([&] { doc.TryLoadXML(File("bad.xml")); }).Description(),
              StartsWith("Error 14 loading " + File("bad.xml") + ": \r\n"));
  EXPECT_EQ(doc.RootName(), "Kept");
}

TEST_F(XmlDocumentFileTest, QuickFlushWritesTheRootOnOneLine) {
  doc.LoadXMLFromMemory("<Root><a x=\"1\">t</a><b/></Root>");
  doc.ConfigFile(File("q.xml"));
  doc.QuickFlush();
  EXPECT_EQ(ReadFile(File("q.xml")), "<Root><a x=\"1\">t</a><b/></Root>\r\n");
}

TEST_F(XmlDocumentFileTest, SetupRootFromScratchReportsAnUnloadableName) {
  const AutomationError error = testing::RaisedBy([&] { doc.SetupRootNodeFromScratch("bad name"); });
  EXPECT_THAT(error.Description(), StartsWith("Error "));
  EXPECT_THAT(error.Description(), HasSubstr(" during loadXML of SetupRowNodeFromScratch: \r\n"));
  EXPECT_THAT(error.Description(), SearchesRegex("at line 1\\.  Position: \\d+\r\n<bad name></bad name>\r\n"));
  EXPECT_EQ(doc.RootName(), "");
}

}  // namespace
}  // namespace vz
