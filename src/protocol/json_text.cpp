#include "protocol/json_text.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <string>
#include <system_error>

namespace vz::protocol {
namespace {

bool InNumber(char c) { return std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E'; }

// The line with every number out of a Double's range replaced by null, so that the rest of the
// message (its id above all) can still be read. Strings are copied untouched. `replacedIn` gets
// the member of a batch each replacement was in (0 for a single message).
std::string WithoutOutOfRangeNumbers(std::string_view line, std::vector<std::size_t>& replacedIn) {
  std::string out;
  out.reserve(line.size());
  int depth = 0;
  bool batch = false;
  std::size_t member = 0;
  for (std::size_t i = 0; i < line.size();) {
    const char c = line[i];
    if (c == '"') {
      std::size_t end = i + 1;
      while (end < line.size() && line[end] != '"') end += line[end] == '\\' ? 2 : 1;
      end = std::min(end + 1, line.size());
      out.append(line.substr(i, end - i));
      i = end;
    } else if (c == '-' || std::isdigit(static_cast<unsigned char>(c))) {
      std::size_t end = i;
      while (end < line.size() && InNumber(line[end])) ++end;
      const std::string_view token = line.substr(i, end - i);
      double value = 0;
      if (std::from_chars(token.data(), token.data() + token.size(), value).ec == std::errc::result_out_of_range) {
        out += "null";
        replacedIn.push_back(member);
      } else {
        out += token;
      }
      i = end;
    } else {
      if (c == '[' || c == '{') {
        if (depth == 0) batch = c == '[';
        ++depth;
      } else if (c == ']' || c == '}') {
        --depth;
      } else if (c == ',' && batch && depth == 1) {
        ++member;
      }
      out += c;
      ++i;
    }
  }
  return out;
}

// Parses `line`, dropping containers nested past the limit as they are read, so that they take no
// memory, and noting which message (or batch member) lost some.
struct DepthLimitedParse {
  bool batch = false;
  std::size_t member = 0;  // the batch member being read, counted from 1 once the first starts
  std::vector<std::size_t> tooDeepIn;

  Json Parse(std::string_view line, bool allowExceptions) {
    // The parser calls this with the number of containers around each value.
    const Json::parser_callback_t keepShallow = [this](int depth, Json::parse_event_t event, Json&) {
      const bool starts = event == Json::parse_event_t::object_start || event == Json::parse_event_t::array_start;
      if (depth == 0 && starts) batch = event == Json::parse_event_t::array_start;
      if (batch && depth == 1 && (starts || event == Json::parse_event_t::value)) ++member;
      const int limit = kMaxJsonDepth + (batch ? 1 : 0);
      if (starts && depth >= limit) {
        tooDeepIn.push_back(batch ? member - 1 : 0);
        return false;
      }
      return true;
    };
    return Json::parse(line, keepShallow, allowExceptions);
  }
};

JsonText WithFaults(Json json, const std::vector<std::size_t>& tooDeepIn, const std::vector<std::size_t>& overflowIn) {
  JsonText text;
  text.json = std::move(json);
  using Fault = JsonText::Fault;
  if (!text.IsBatch()) {
    if (!overflowIn.empty()) text.fault = Fault::kNumberOverflow;
    if (!tooDeepIn.empty()) text.fault = Fault::kTooDeep;
    return text;
  }
  text.memberFaults.assign(text.json.size(), Fault::kNone);
  for (const std::size_t member : overflowIn) {
    if (member < text.memberFaults.size()) text.memberFaults[member] = Fault::kNumberOverflow;
  }
  for (const std::size_t member : tooDeepIn) {
    if (member < text.memberFaults.size()) text.memberFaults[member] = Fault::kTooDeep;
  }
  return text;
}

}  // namespace

JsonText ReadJsonText(std::string_view line) {
  DepthLimitedParse parse;
  try {
    Json json = parse.Parse(line, true);
    return WithFaults(std::move(json), parse.tooDeepIn, {});
  } catch (const Json::out_of_range&) {
    // A number beyond a Double stops the parser; read the rest without it.
    std::vector<std::size_t> overflowIn;
    const std::string repaired = WithoutOutOfRangeNumbers(line, overflowIn);
    DepthLimitedParse again;
    Json json = again.Parse(repaired, false);
    if (overflowIn.empty() || json.is_discarded()) return {JsonText::Fault::kNotJson, Json(), {}};
    return WithFaults(std::move(json), again.tooDeepIn, overflowIn);
  } catch (const Json::exception&) {
    return {JsonText::Fault::kNotJson, Json(), {}};
  }
}

}  // namespace vz::protocol
