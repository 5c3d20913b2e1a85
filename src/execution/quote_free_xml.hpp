#pragma once
// The contact changes as the editor's reader takes them: the text from the first "<InfoResponse>"
// on, every double quote made "-", behind the declaration <?xml version="1.0"?>. The file comes
// from a server's ZIP and may be hundreds of MiB (a small archive of quotes unpacks to the 256 MiB
// limit), so it is read and written a block at a time and memory stays at one block.
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace vz {

inline constexpr std::string_view kQuoteFreeDeclaration = "<?xml version=\"1.0\"?>";

// Takes a document block by block and hands the rewritten text on as it goes.
class QuoteFreeXml {
 public:
  // `sink` takes each piece of the rewritten text; false stops the rewrite.
  using Sink = std::function<bool(std::string_view)>;
  explicit QuoteFreeXml(Sink sink) : sink_(std::move(sink)) {}

  // False when the sink refused a piece.
  bool Feed(std::string_view block);
  // Whether "<InfoResponse>" was met: without it nothing was handed on.
  bool Started() const { return started_; }

 private:
  bool Emit(std::string_view text);

  Sink sink_;
  std::string carry_;  // the end of what came before the marker, which may begin it
  std::string piece_;
  bool started_ = false;
};

enum class QuoteFreeOutcome {
  kRewritten,
  kUnreadable,       // the file cannot be read
  kNoInfoResponse,   // it holds no "<InfoResponse>": left as it is
  kUnwritable,       // the rewrite could not be written: the file is left as it is
};

struct QuoteFreeRewrite {
  QuoteFreeOutcome outcome = QuoteFreeOutcome::kRewritten;
  std::string detail;  // the system's reason when unwritable
};

// Rewrites `file` in place, through a temporary file beside it that replaces it only when whole.
QuoteFreeRewrite RewriteQuoteFree(const std::filesystem::path& file);

// Feeds the whole of `file` to `rewriter`, a block at a time; false when it cannot be read or the
// sink refused.
bool FeedFile(const std::filesystem::path& file, QuoteFreeXml& rewriter);

}  // namespace vz
