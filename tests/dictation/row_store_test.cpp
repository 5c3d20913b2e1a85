#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "dictation/row_store.hpp"
#include "xml/indented_layout.hpp"

namespace vz::dictation {
namespace {

using namespace std::string_literals;

// The store's lookup by name must find exactly the child pugixml's own search finds (the first
// of that name), whatever happened to the row since the last lookup.
void ExpectSameAsLinearSearch(const RowStore& store) {
  for (const std::string name : {"a", "b", "c", "d", "e", "f", "g", "Row", "utteranceID", ""}) {
    EXPECT_EQ(store.Child(name), store.Row().child(name.c_str())) << name;
  }
}

TEST(RowStore, LookupFollowsTheRowThroughAppendsDuplicatesRemovalsAndNewRows) {
  RowStore store;
  ASSERT_FALSE(store.Load("<Row><a>1</a><b/><a>2</a><c>null</c><d>x<e/></d></Row>"));
  store.SetRow(store.Document().child("Row"));
  ExpectSameAsLinearSearch(store);
  EXPECT_EQ(store.Read("a"), "1");
  EXPECT_EQ(store.Read("c"), "");  // "null" reads as empty
  EXPECT_EQ(store.Read("d"), "x");
  EXPECT_EQ(store.Child("a\0ignored"s), store.Child("a"));  // a name ends at a NUL, as pugixml reads it

  EXPECT_FALSE(store.Assign("f", "6"));  // appended by the store
  store.Row().append_child("g").text().set("7");  // appended by code holding the row
  store.Row().append_child("a").text().set("3");  // a later child of a known name
  ExpectSameAsLinearSearch(store);
  EXPECT_EQ(store.Read("f"), "6");
  EXPECT_EQ(store.Read("g"), "7");
  EXPECT_EQ(store.Read("a"), "1");

  store.Row().remove_child(store.Row().child("a"));
  store.RowChildrenChanged();
  ExpectSameAsLinearSearch(store);
  EXPECT_EQ(store.Read("a"), "2");

  ASSERT_FALSE(store.Load("<Other><Row><b>new</b></Row></Other>"));
  store.SetRow(store.Document().child("Other").child("Row"));
  ExpectSameAsLinearSearch(store);
  EXPECT_EQ(store.Read("b"), "new");
  EXPECT_EQ(store.Read("a"), "");
}

TEST(RowStore, RecordsSharingAnAnswerSeeOnlyTheirOwnRows) {
  auto answer = std::make_shared<pugi::xml_document>();
  ASSERT_TRUE(answer->load_string("<InfoResponse><Row><id>1</id></Row><Row><id>2</id></Row></InfoResponse>"));
  const pugi::xml_node first = answer->child("InfoResponse").child("Row");
  auto one = std::make_unique<RowStore>();
  auto two = std::make_unique<RowStore>();
  one->Adopt(answer, first);
  two->Adopt(answer, first.next_sibling("Row"));
  EXPECT_EQ(one->Read("id"), "1");
  EXPECT_EQ(two->Read("id"), "2");
  EXPECT_TRUE(two->Assign("id", "22"));
  EXPECT_EQ(one->Read("id"), "1");
  EXPECT_FALSE(one->Assign("added", "a"));
  EXPECT_EQ(two->Read("added"), "");
  answer.reset();
  one.reset();
  EXPECT_EQ(two->Read("id"), "22");
  EXPECT_EQ(two->Serialise(), "<Row><id>22</id></Row>");
}

// The index tells names apart by a hash of their length and first and last four bytes, so names
// that agree there must still be compared in full, both when indexing and when looking up.
TEST(RowStore, NamesAlikeInLengthAndEndsAreToldApart) {
  RowStore store;
  ASSERT_FALSE(store.Load("<Row><recordOneFieldID>1</recordOneFieldID><recordTwoFieldID>2</recordTwoFieldID>"
                          "<ab>3</ab><abab>4</abab></Row>"));
  store.SetRow(store.Document().child("Row"));
  EXPECT_EQ(store.Read("recordTwoFieldID"), "2");
  EXPECT_EQ(store.Read("recordOneFieldID"), "1");
  EXPECT_EQ(store.Read("recordSixFieldID"), "");
  EXPECT_FALSE(store.Assign("recordSixFieldID", "6"));
  EXPECT_TRUE(store.Assign("recordOneFieldID", "11"));
  EXPECT_EQ(store.Read("recordSixFieldID"), "6");
  EXPECT_EQ(store.Read("recordOneFieldID"), "11");
  EXPECT_EQ(store.Read("ab"), "3");
  EXPECT_EQ(store.Read("abab"), "4");
  EXPECT_EQ(store.Read("a"), "");
  // More children than the first table holds: it grows and keeps every name.
  for (int i = 0; i < 200; ++i) EXPECT_FALSE(store.Assign("p" + std::to_string(i), std::to_string(i)));
  for (int i = 0; i < 200; ++i) EXPECT_EQ(store.Read("p" + std::to_string(i)), std::to_string(i));
  EXPECT_EQ(store.Read("recordTwoFieldID"), "2");
}

// Assign leaves the element with its text as the only child, or none for empty text.
TEST(RowStore, AssignReplacesWhateverTheElementHeld) {
  struct Case {
    const char* element;
    std::string value;
    const char* markup;
  };
  const std::vector<Case> cases = {
      {"<t>old</t>", "new", "<t>new</t>"},
      {"<t>a much longer old text than the new one</t>", "x", "<t>x</t>"},
      {"<t>x</t>", "a much longer new text than the old one", "<t>a much longer new text than the old one</t>"},
      {"<t>old</t>", "", "<t/>"},
      {"<t/>", "new", "<t>new</t>"},
      {"<t>a<b/>c</t>", "new", "<t>new</t>"},
      {"<t><![CDATA[raw]]></t>", "new", "<t>new</t>"},
      {"<t><b>deep</b></t>", "", "<t/>"},
      {"<t>old</t>", "cut\0here"s, "<t>cut</t>"},  // text ends at a NUL, as it always did
  };
  for (const Case& c : cases) {
    RowStore store;
    ASSERT_FALSE(store.Load("<Row>"s + c.element + "</Row>"));
    store.SetRow(store.Document().child("Row"));
    EXPECT_TRUE(store.Assign("t", c.value));
    EXPECT_EQ(xml::NodeMarkup(store.Row().child("t")), c.markup) << c.element << " <- " << c.value;
  }
}

}  // namespace
}  // namespace vz::dictation
