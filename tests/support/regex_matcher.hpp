#pragma once
// gtest's own regular expressions are POSIX ones without \d, \t or \r; these use std::regex
// (ECMAScript), searched anywhere in the text.
#include <gmock/gmock.h>

#include <regex>
#include <string>

namespace vz::testing {

MATCHER_P(SearchesRegex, pattern, std::string("contains a match of /") + pattern + "/") {
  return std::regex_search(std::string(arg), std::regex(pattern));
}

}  // namespace vz::testing
