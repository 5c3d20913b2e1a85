// clsXMLDocument: adding, finding and restructuring nodes, and the in-memory displays.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "diagnostics/automation_error.hpp"
#include "diagnostics_fixture.hpp"
#include "xml/xml_document.hpp"

namespace vz {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

class XmlDocumentNodesTest : public testing::DiagnosticsTest {
 protected:
  template <class Body>
  static std::string DescriptionOf(Body&& body) {
    try {
      body();
    } catch (const AutomationError& error) {
      return error.Description();
    }
    ADD_FAILURE() << "no error raised";
    return {};
  }

  clsXMLDocument doc;
};

TEST_F(XmlDocumentNodesTest, AddNodeCreatesMissingAncestors) {
  doc.LoadXMLFromMemory("<A/>");
  const pugi::xml_node d = doc.AddNode("A/B/C", "D", "x");
  EXPECT_STREQ(d.name(), "D");
  EXPECT_EQ(doc.CurrentXMLDisplay(), "<A><B><C><D>x</D></C></B></A>");
  EXPECT_THAT(DetailLog(), HasSubstr("clsXMLDocument.AddChild: Appending <D> node (value=x) to parent: <A/B/C>"));
  // The path exists now: a second call only appends.
  doc.AddNode("A/B/C", "D", "");
  EXPECT_EQ(doc.CurrentXMLDisplay(), "<A><B><C><D>x</D><D/></C></B></A>");
}

TEST_F(XmlDocumentNodesTest, AddNodeNeedsAnExistingFirstPiece) {
  doc.LoadXMLFromMemory("<A/>");
  const std::string error = DescriptionOf([&] { doc.AddNode("Z/B", "D", "x"); });
  EXPECT_THAT(error, StartsWith("Parent node: <> does not exist.\r\nRaised at line "));
  EXPECT_THAT(error, HasSubstr(" in in ZERUredoz.clsXMLDocument.AddChild.\r\nRaised at line "));
  EXPECT_THAT(error, ::testing::EndsWith(" in in ZERUredoz.clsXMLDocument.AddNode."));
}

TEST_F(XmlDocumentNodesTest, AddNodeWithEmptyPathMakesANewRoot) {
  doc.LoadXMLFromMemory("<Old><p/></Old>");
  EXPECT_FALSE(doc.AddNode("", "Fresh", "text"));
  EXPECT_EQ(doc.RootName(), "Fresh");
  EXPECT_EQ(doc.CurrentXMLDisplay(), "<Fresh>text</Fresh>");
}

TEST_F(XmlDocumentNodesTest, AddChildRejectsNamesThatCannotBeWritten) {
  doc.LoadXMLFromMemory("<A/>");
  EXPECT_THAT(DescriptionOf([&] { doc.AddChild("A", "1st", ""); }), StartsWith("Unable to append <1st> to parent: <A>"));
  EXPECT_THAT(DescriptionOf([&] { doc.RetrieveNode("A/"); }), StartsWith("Invalid node path <A/>"));
}

TEST_F(XmlDocumentNodesTest, AppendChildFromParentReusesAndMovesToTheEnd) {
  doc.LoadXMLFromMemory("<R><k>1</k><m/></R>");
  const pugi::xml_node root = doc.RootNode();
  doc.AppendChildFromParent(root, "k", "", true);
  EXPECT_EQ(doc.CurrentXMLDisplay(), "<R><m/><k>1</k></R>");  // empty value keeps the text
  doc.AppendChildFromParent(root, "k", "2", false);
  EXPECT_EQ(doc.CurrentXMLDisplay(), "<R><m/><k>1</k><k>2</k></R>");
  EXPECT_THAT(DescriptionOf([&] { doc.AppendChildFromParent({}, "k", "", true); }),
              StartsWith("Parent Node parameter is uninitialized"));
}

TEST_F(XmlDocumentNodesTest, RetrieveChildNodeRaisesOrTracesWhenMissing) {
  doc.LoadXMLFromMemory("<R><k>1</k></R>");
  EXPECT_EQ(doc.ChildNodeValue(doc.RootNode(), "k"), "1");
  EXPECT_FALSE(doc.RetrieveChildNode(doc.RootNode(), "z", false));
  EXPECT_THAT(DetailLog(),
              HasSubstr("clsXMLDocument.RetrieveChildNode: Unable to retrieve z child node from parent node: R"));
  try {
    doc.RetrieveChildNode(doc.RootNode(), "z", true);
    FAIL();
  } catch (const AutomationError& error) {
    EXPECT_EQ(error.Source(), "clsXMLDocument.RetrieveChildeNode");
    EXPECT_THAT(error.Description(), StartsWith("Unable to retrieve z child node from parent node: R\r\n"));
  }
}

TEST_F(XmlDocumentNodesTest, NodeTextJoinsAllDescendantText) {
  doc.LoadXMLFromMemory("<R><v>Ab</v><v>ab</v><n>x<i>y</i><![CDATA[z]]></n></R>");
  EXPECT_EQ(clsXMLDocument::NodeText(doc.RetrieveNode("R/n")), "xyz");
  EXPECT_EQ(clsXMLDocument::NodeText({}), "");
  EXPECT_TRUE(doc.NodeWithThisValueExists("R/v", "ab"));
  EXPECT_FALSE(doc.NodeWithThisValueExists("R/v", "AB"));
  EXPECT_EQ(doc.RetrieveNodeList("R/v").size(), 2u);
}

TEST_F(XmlDocumentNodesTest, CloneReplaceAndRemove) {
  doc.LoadXMLFromMemory("<R><a x=\"1\"><b/></a><c/></R>");
  const pugi::xml_node a = doc.RetrieveNode("R/a");
  const pugi::xml_node shallow = doc.CloneNode(a, false);
  const pugi::xml_node placed = doc.ReplaceNode(doc.RootNode(), doc.RetrieveNode("R/c"), doc.CloneNode(a, true));
  EXPECT_EQ(doc.CurrentXMLDisplay(), "<R><a x=\"1\"><b/></a><a x=\"1\"><b/></a></R>");
  EXPECT_EQ(placed, doc.RootNode().last_child());
  doc.ReplaceNode(doc.RootNode(), a, shallow);
  EXPECT_EQ(doc.CurrentXMLDisplay(), "<R><a x=\"1\"/><a x=\"1\"><b/></a></R>");
  // Moving a node of the same document leaves no copy behind.
  doc.ReplaceNode(doc.RootNode(), doc.RootNode().first_child(), doc.RetrieveNode("R/a/b"));
  EXPECT_EQ(doc.CurrentXMLDisplay(), "<R><b/><a x=\"1\"/></R>");

  doc.RemoveNode(doc.RootNode(), doc.RootNode().first_child());
  EXPECT_EQ(doc.CurrentXMLDisplay(), "<R><a x=\"1\"/></R>");
  EXPECT_THAT(DescriptionOf([&] { doc.RemoveNode(doc.RootNode(), {}); }),
              StartsWith("ParentNode or ChildNode uninitialized"));
  EXPECT_THAT(DescriptionOf([&] { doc.ReplaceNode({}, a, a); }),
              StartsWith("ParentNode or OldChildNode or NewChildNode uninitialized"));
  EXPECT_THAT(DescriptionOf([&] { doc.CloneNode({}, true); }), StartsWith("Node to clone is uninitialized"));
}

TEST_F(XmlDocumentNodesTest, RemovingTheRootForgetsIt) {
  doc.LoadXMLFromMemory("<R><p>1</p></R>");
  doc.RemoveNode(doc.Document(), doc.RootNode());
  EXPECT_FALSE(doc.RootNode());
  EXPECT_EQ(doc.sfnRetrievePropertyValue("p"), "");
}

TEST_F(XmlDocumentNodesTest, FormattersPutTheLineBreakInFront) {
  doc.LoadXMLFromMemory("<R><P q=\"1\"><a>1</a><Q><b/></Q></P><c>3</c></R>");
  EXPECT_EQ(doc.sfnFormattedDocument(0, true, true),
            "<?xml version=\"1.0\"?>\r\n<R>\r\n    <P>\r\n        <a>1</a>\r\n        <Q>\r\n            <b/>"
            "\r\n        </Q>\r\n    </P>\r\n    <c>3</c>\r\n</R>");
  EXPECT_EQ(doc.sfnFormattedDocument(2, false, false),
            "  <R>\r\n<P>\r\n<a>1</a>\r\n<Q>\r\n<b/>\r\n</Q>\r\n</P>\r\n<c>3</c>\r\n  </R>");
  EXPECT_EQ(doc.sfnFormattedXML(doc.RetrieveNodeList("R/P/*"), -3, true),
            "\r\n<a>1</a>\r\n<Q>\r\n <b/>\r\n</Q>");
}

TEST_F(XmlDocumentNodesTest, TextsAndDisplaysOfTreesDeeperThanAnyStackAreWalkedWithoutRecursion) {
  // Deeper than a file or answer may be: built node by node, as only the server's own code can.
  doc.SetupRootNodeFromScratch("R");
  pugi::xml_node node = doc.RootNode();
  constexpr int kDepth = 200000;
  for (int i = 0; i < kDepth; ++i) node = node.append_child("a");
  node.append_child(pugi::node_pcdata).set_value("x");
  EXPECT_EQ(clsXMLDocument::NodeText(doc.RootNode()), "x");
  // Without indenting the children, the display grows with the number of nodes only.
  const std::string display = doc.sfnFormattedXML({doc.RootNode().first_child()}, 0, false);
  EXPECT_TRUE(display.starts_with("\r\n<a>\r\n<a>"));
  EXPECT_EQ(display.find("<a>x</a>"), std::size_t{kDepth - 1} * 5 + 2);  // "\r\n<a>" per parent
  EXPECT_TRUE(display.ends_with("</a>\r\n</a>"));
  EXPECT_EQ(display.size(), std::size_t{kDepth - 1} * (2 + 3 + 2 + 4) + 2 + 8);
}

}  // namespace
}  // namespace vz
