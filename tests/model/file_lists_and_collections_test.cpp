#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "model/generic_files.hpp"
#include "model/typed_collections.hpp"
#include "model_fixture.hpp"
#include "regex_matcher.hpp"

namespace vz {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using testing::Long;

class GenericFilesTest : public testing::ModelTest {
 protected:
  void AddFile(const std::string& name, const std::string& path, const std::string& id) {
    const auto file = files->Add();
    file->SetFileName(name);
    file->SetFilePath(path);
    file->SetFileID(id);
  }

  std::shared_ptr<clsGenericFiles> files = std::make_shared<clsGenericFiles>();
};

TEST_F(GenericFilesTest, CreateFileListsFillsParallelArraysFromPositionZero) {
  Call(*files, "CreateFileLists");
  EXPECT_EQ(Get(*files, "FileNames"), Value(Value::Array{}));

  AddFile("cardio.tpl", "/t/cardio.tpl", "31");
  AddFile("ortho.tpl", "/t/ortho.tpl", "32");
  Call(*files, "CreateFileLists");
  EXPECT_THAT(files->FileNames(), ElementsAre("cardio.tpl", "ortho.tpl"));
  EXPECT_THAT(files->FilePaths(), ElementsAre("/t/cardio.tpl", "/t/ortho.tpl"));
  EXPECT_EQ(Get(*files, "FileIDs"), Value(Value::Array{Value("31"), Value("32")}));
  EXPECT_THAT(DetailLog(), HasSubstr("m_sarrFileNames(1)=ortho.tpl"));

  // Emptied again, the list leaves the arrays as they were.
  files->Remove(Long(1));
  files->Remove(Long(1));
  Call(*files, "CreateFileLists");
  EXPECT_THAT(files->FileNames(), ElementsAre("cardio.tpl", "ortho.tpl"));
}

TEST_F(GenericFilesTest, AnUnexpectedFileTypeRaisesToTheCaller) {
  AddFile("cardio.tpl", "/t/cardio.tpl", "31");
  Set(*files, "FileType", Long(3));
  const AutomationError error = testing::RaisedBy([&] { Call(*files, "CreateFileLists"); });
  EXPECT_EQ(error.Number(), -1);
  EXPECT_EQ(error.Description(), "Unexpected clsGenericFiles.FileType: 3");
  EXPECT_THAT(files->FileNames(), IsEmpty());
  EXPECT_TRUE(prompter->Shown().empty());  // no trap of its own
}

class TypedCollectionsTest : public testing::ModelTest {};

TEST_F(TypedCollectionsTest, StringsAreAddedUnderTheirIdAndTraced) {
  auto strings = Create<clsCollectionOfStrings>();
  EXPECT_EQ(Call(*strings, "Add", {Value("<Row/>"), Value("U17")}), Value("<Row/>"));
  EXPECT_EQ(Get(*strings, "", {Value("u17")}), Value("<Row/>"));  // keys ignore case
  EXPECT_THAT(DetailLog(), HasSubstr("Adding string with ID = U17: \r\n<Row/>"));
  EXPECT_THAT(DetailLog(), HasSubstr("After add.  m_colString(U17): \r\n<Row/>"));

  // A duplicate id goes to the error trap: a box, "" returned, nothing added.
  EXPECT_EQ(Call(*strings, "Add", {Value("other"), Value("U17")}), Value(""));
  EXPECT_EQ(strings->Count(), 1);
  ASSERT_EQ(prompter->Shown().size(), 1u);
  EXPECT_THAT(BoxTexts()[0], HasSubstr("Error 457: "));
  EXPECT_THAT(BoxTexts()[0], HasSubstr("in ZERUredoz.clsCollectionOfStrings.Add."));
}

TEST_F(TypedCollectionsTest, AMissingStringIsRaisedAgainNamingItsOrigin) {
  auto strings = Create<clsCollectionOfStrings>();
  strings->Add("a", "1");
  const AutomationError byKey = testing::RaisedBy([&] { Get(*strings, "Item", {Value("nope")}); });
  EXPECT_EQ(byKey.Number(), 5);
  EXPECT_THAT(byKey.Description(),
              testing::SearchesRegex("^Invalid procedure call or argument"
                                     "\\(Original source of error: ZERUredoz\\.clsCollectionOfString\\.Item line [1-9][0-9]*\\)$"));
  const AutomationError byPosition = testing::RaisedBy([&] { strings->Item(Long(2)); });
  EXPECT_EQ(byPosition.Number(), 9);
  EXPECT_THAT(byPosition.Description(), HasSubstr("Subscript out of range(Original source of error: "));
  EXPECT_TRUE(prompter->Shown().empty());
}

TEST_F(TypedCollectionsTest, LongsAreKeyedByText) {
  auto longs = Create<clsCollectionOfLongs>();
  EXPECT_EQ(Call(*longs, "Add", {Long(200), Value("status")}), Long(200));
  EXPECT_EQ(Call(*longs, "Add", {Long(7), Value()}), Long(7));  // Empty: no key
  EXPECT_EQ(Get(*longs, "Item", {Value("STATUS")}), Long(200));
  EXPECT_EQ(dispatch::Enumerate(*longs), (std::vector<Value>{Long(200), Long(7)}));

  // A number is no key: trapped as a type mismatch, nothing added.
  EXPECT_EQ(Call(*longs, "Add", {Long(9), Long(3)}), Long(0));
  EXPECT_EQ(longs->Count(), 2);
  ASSERT_EQ(prompter->Shown().size(), 1u);
  EXPECT_THAT(BoxTexts()[0], HasSubstr("Error 13: Type mismatch"));
}

}  // namespace
}  // namespace vz
