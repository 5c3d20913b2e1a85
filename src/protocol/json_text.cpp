#include "protocol/json_text.hpp"

#include <cctype>
#include <charconv>
#include <string>
#include <system_error>

namespace vz::protocol {
namespace {

bool InNumber(char c) { return std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E'; }

// The line with every number out of a Double's range replaced by null, so that the rest of the
// message (its id above all) can still be read. Strings are copied untouched.
std::string WithoutOutOfRangeNumbers(std::string_view line, bool& replaced) {
  std::string out;
  out.reserve(line.size());
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
        replaced = true;
      } else {
        out += token;
      }
      i = end;
    } else {
      out += c;
      ++i;
    }
  }
  return out;
}

}  // namespace

JsonText ReadJsonText(std::string_view line) {
  bool tooDeep = false;
  // The parser calls this at the start of every array and object with the number of containers
  // around it; values nested too deep are dropped as they are read, so they take no memory.
  const Json::parser_callback_t keepShallow = [&tooDeep](int depth, Json::parse_event_t event, Json&) {
    if ((event == Json::parse_event_t::object_start || event == Json::parse_event_t::array_start) &&
        depth >= kMaxJsonDepth) {
      tooDeep = true;
      return false;
    }
    return true;
  };
  JsonText text;
  try {
    text.json = Json::parse(line, keepShallow, true);
  } catch (const Json::out_of_range&) {
    // A number beyond a Double stops the parser; read the rest without it.
    bool replaced = false;
    const std::string repaired = WithoutOutOfRangeNumbers(line, replaced);
    tooDeep = false;
    Json again = Json::parse(repaired, keepShallow, false);
    if (!replaced || again.is_discarded()) return {JsonText::Fault::kNotJson, Json()};
    text.json = std::move(again);
    text.fault = JsonText::Fault::kNumberOverflow;
  } catch (const Json::exception&) {
    return {JsonText::Fault::kNotJson, Json()};
  }
  if (tooDeep) text.fault = JsonText::Fault::kTooDeep;
  return text;
}

}  // namespace vz::protocol
