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

}  // namespace
}  // namespace vz::xml
