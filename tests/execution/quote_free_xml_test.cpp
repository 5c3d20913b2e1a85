// The contact changes made readable for the editor a block at a time: the same text whatever the
// blocks (the marker may be cut anywhere), nothing without the marker, and the file replaced only
// when the rewrite is whole.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "execution/quote_free_xml.hpp"
#include "temp_folder.hpp"

namespace vz {
namespace {

using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

std::string Rewritten(std::string_view document, std::size_t blockSize, bool* started = nullptr) {
  std::string out;
  QuoteFreeXml rewriter([&out](std::string_view piece) {
    out.append(piece);
    return true;
  });
  for (std::size_t at = 0; at < document.size(); at += blockSize) EXPECT_TRUE(rewriter.Feed(document.substr(at, blockSize)));
  if (started) *started = rewriter.Started();
  return out;
}

TEST(QuoteFreeXml, GivesTheSameTextWhereverTheBlocksAreCut) {
  const std::string document = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Info\"Response><InfoResponse><a b=\"1\">say \"hi\"</a></InfoResponse>";
  const std::string expected = "<?xml version=\"1.0\"?><InfoResponse><a b=-1->say -hi-</a></InfoResponse>";
  for (const std::size_t block : {std::size_t{1}, std::size_t{2}, std::size_t{13}, std::size_t{14}, std::size_t{50}, document.size()}) {
    EXPECT_EQ(Rewritten(document, block), expected) << block;
  }
  bool started = true;
  EXPECT_EQ(Rewritten("<Other attribute=\"x\"/><InfoResponse", 4, &started), "");
  EXPECT_FALSE(started);
}

TEST(QuoteFreeXml, TheFileIsReplacedOnlyByAWholeRewrite) {
  TempFolder folder;
  const std::filesystem::path file = folder.Path() / "ContactDeltas.xml";
  WriteFile(file, "junk \"before\"<InfoResponse>\"</InfoResponse>");
  EXPECT_EQ(RewriteQuoteFree(file).outcome, QuoteFreeOutcome::kRewritten);
  EXPECT_EQ(ReadFile(file), "<?xml version=\"1.0\"?><InfoResponse>-</InfoResponse>");

  WriteFile(file, "<Other \"x\"/>");
  EXPECT_EQ(RewriteQuoteFree(file).outcome, QuoteFreeOutcome::kNoInfoResponse);
  EXPECT_EQ(ReadFile(file), "<Other \"x\"/>");
  EXPECT_EQ(RewriteQuoteFree(folder.Path() / "missing.xml").outcome, QuoteFreeOutcome::kUnreadable);
  // Nothing but the file is left in the folder: no temporary file of a refused rewrite.
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.Path())) ++entries;
  EXPECT_EQ(entries, 1u);
}

}  // namespace
}  // namespace vz
