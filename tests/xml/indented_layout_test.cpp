#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "xml/indented_layout.hpp"

namespace vz::xml {
namespace {

pugi::xml_node Parse(pugi::xml_document& document, const char* text) {
  EXPECT_TRUE(document.load_string(text));
  return document.document_element();
}

TEST(IndentedLayout, EmptyRootIsThreeLines) {
  pugi::xml_document document;
  EXPECT_EQ(FormatIndentedDocument(Parse(document, "<Settings/>")),
            "<?xml version=\"1.0\" standalone=\"yes\" ?>\r\n<Settings>\r\n</Settings>\r\n");
}

TEST(IndentedLayout, NestsByFourBlanksAndDropsAttributesOfParentsOnly) {
  pugi::xml_document document;
  const pugi::xml_node root = Parse(document,
                                    "<Root a=\"0\"><Group kind=\"g\"><Leaf id=\"1\">x &amp; y</Leaf><Empty flag=\"on\"/>"
                                    "<Inner><Deep>d</Deep></Inner></Group><Tail>t</Tail></Root>");
  EXPECT_EQ(FormatIndentedDocument(root),
            "<?xml version=\"1.0\" standalone=\"yes\" ?>\r\n"
            "<Root>\r\n"
            "    <Group>\r\n"
            "        <Leaf id=\"1\">x &amp; y</Leaf>\r\n"
            "        <Empty flag=\"on\"/>\r\n"
            "        <Inner>\r\n"
            "            <Deep>d</Deep>\r\n"
            "        </Inner>\r\n"
            "    </Group>\r\n"
            "    <Tail>t</Tail>\r\n"
            "</Root>\r\n");
}

TEST(IndentedLayout, TextFirstElementIsOneLineEvenWithElementChildren) {
  pugi::xml_document document;
  const pugi::xml_node root = Parse(document, "<Root><Mixed>a<b>c</b></Mixed></Root>");
  EXPECT_EQ(FormatIndentedDocument(root, {.declaration = false, .rootName = {}, .observer = nullptr}), "<Root>\r\n    <Mixed>a<b>c</b></Mixed>\r\n</Root>\r\n");
}

TEST(IndentedLayout, RootNameOverrideAndObserverSeeEveryLine) {
  pugi::xml_document document;
  const pugi::xml_node item = Parse(document, "<WorkQueueItem><id>47</id><P><q/></P></WorkQueueItem>");
  std::vector<std::pair<LayoutLine, std::string>> seen;
  const LayoutObserver observer = [&](LayoutLine kind, std::string_view markup) { seen.emplace_back(kind, markup); };
  EXPECT_EQ(FormatIndentedDocument(item, {.declaration = false, .rootName = "Row", .observer = &observer}),
            "<Row>\r\n    <id>47</id>\r\n    <P>\r\n        <q/>\r\n    </P>\r\n</Row>\r\n");
  const std::vector<std::pair<LayoutLine, std::string>> expected = {{LayoutLine::TextLeaf, "<id>47</id>"},
                                                                     {LayoutLine::ParentStart, "<P>"},
                                                                     {LayoutLine::EmptyLeaf, "<q/>"},
                                                                     {LayoutLine::ParentEnd, "</P>"}};
  EXPECT_EQ(seen, expected);
}

// Every leaf line is exactly pugixml's raw print of the node, whatever the node holds: each byte
// value as text, escapes, references for control characters, attributes, empty text, comments
// and text followed by more children.
TEST(IndentedLayout, LeafLinesAreExactlyPugixmlsRawPrint) {
  pugi::xml_document document;
  pugi::xml_node root = document.append_child("Root");
  for (int byte = 1; byte < 256; ++byte) {
    const char text[] = {'a', static_cast<char>(byte), 'b', '\0'};
    root.append_child("byte").append_child(pugi::node_pcdata).set_value(text);
  }
  const char* texts[] = {"", "plain", "x & y <z> \"q\" 'a'", "&&<<>>", "\xc3\xa9t\xc3\xa9 \xe2\x82\xac", "tab\there\r\nnext",
                         "]]>", "ends with &"};
  for (const char* text : texts) root.append_child("text").append_child(pugi::node_pcdata).set_value(text);
  root.append_child("empty");
  pugi::xml_node withAttribute = root.append_child("attr");
  withAttribute.append_attribute("id").set_value("1 & 2");
  withAttribute.append_child(pugi::node_pcdata).set_value("t");
  root.append_child("emptyWithAttribute").append_attribute("on").set_value("y");
  pugi::xml_node twoTexts = root.append_child("twoTexts");
  twoTexts.append_child(pugi::node_pcdata).set_value("a");
  twoTexts.append_child(pugi::node_pcdata).set_value("b");
  pugi::xml_node mixed = root.append_child("mixed");
  mixed.append_child(pugi::node_pcdata).set_value("a");
  mixed.append_child("b");
  root.append_child(pugi::node_comment).set_value(" note ");
  root.append_child(pugi::node_pcdata).set_value("loose & text");

  std::string expected = "<Root>\r\n";
  for (pugi::xml_node node = root.first_child(); node; node = node.next_sibling()) {
    expected += "    " + NodeMarkup(node) + "\r\n";
  }
  expected += "</Root>\r\n";
  EXPECT_EQ(FormatIndentedDocument(root, {.declaration = false, .rootName = {}, .observer = nullptr}), expected);
}

// Laid out from pugixml's raw print of the whole tree, where that print shows every node, or by
// walking the nodes: the same bytes for every tree, including those the raw print cannot lay out.
TEST(IndentedLayout, LaidOutRawPrintAndNodeWalkAgree) {
  const char* documents[] = {
      "<R/>",
      "<R a=\"1\"><x>1</x><y/><z></z></R>",
      "<R><P k=\"a&quot;b&gt;c\"><q u=\"/&gt;\">t</q><Q><d>1</d></Q><e/></P><t>x &amp; y</t></R>",
      "<R><M>a<b>c</b>d<e/></M><N><o/>text<p/></N></R>",
      "<R><P><Q><S><T>deep</T></S></Q></P></R>",
      "<R>loose<a/>text</R>",
      "<R><a><![CDATA[x<y]]></a><b>c</b></R>",
      "<R><a>x<!--c-->y</a><b/></R>",
      "<R><:a>1</:a><b/></R>",
      "<R><a>tab\there\r\nnext</a><b>&#1;</b></R>",
  };
  for (const char* text : documents) {
    pugi::xml_document document;
    ASSERT_TRUE(document.load_string(text, pugi::parse_default | pugi::parse_comments)) << text;
    const pugi::xml_node root = document.document_element();
    EXPECT_EQ(FormatIndentedDocument(root, {.declaration = false, .rootName = "Row", .observer = nullptr, .fromRawPrint = true}),
              FormatIndentedDocument(root, {.declaration = false, .rootName = "Row", .observer = nullptr}))
        << text;
  }
}

}  // namespace
}  // namespace vz::xml
