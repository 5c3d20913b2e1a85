#include "dictation/date_text.hpp"

#include <cctype>
#include <ctime>
#include <utility>
#include <vector>

#include "dictation/wall_clock.hpp"
#include "model/process_settings.hpp"

namespace vz::dictation {
namespace {

constexpr const char* kMonthNames[] = {"January", "February", "March",     "April",   "May",      "June",
                                       "July",    "August",   "September", "October", "November", "December"};
constexpr const char* kDayNames[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

bool IsLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(int y, int m, int d) {
  y -= m <= 2 ? 1 : 0;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = static_cast<int>(y - era * 400);
  const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

std::int64_t CivilSeconds(const CivilDateTime& t) {
  return DaysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

// A small cursor over the text being parsed.
struct Reader {
  std::string_view text;
  std::size_t at = 0;

  bool Done() const { return at >= text.size(); }
  char Peek() const { return Done() ? '\0' : text[at]; }
  void SkipBlanks() {
    while (!Done() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
  }
  // Digits as a number, at most `most` of them; `count` receives how many were read (none:
  // nothing).
  std::optional<int> Number(int& count, int most = 9) {
    count = 0;
    int value = 0;
    while (!Done() && std::isdigit(static_cast<unsigned char>(text[at])) && count < most) {
      value = value * 10 + (text[at++] - '0');
      ++count;
    }
    if (count == 0) return std::nullopt;
    return value;
  }
  bool Take(char c) {
    if (Peek() != c) return false;
    ++at;
    return true;
  }
  // A run of letters (a month or day name, a marker).
  std::string_view Word() {
    const std::size_t start = at;
    while (!Done() && std::isalpha(static_cast<unsigned char>(text[at]))) ++at;
    return text.substr(start, at - start);
  }
};

bool SameLetters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

// The position (0-based) of a name or its three-letter abbreviation among `names`; -1 if none.
template <std::size_t N>
int NameIndex(std::string_view word, const char* const (&names)[N]) {
  for (std::size_t i = 0; i < N; ++i) {
    const std::string_view name = names[i];
    if (SameLetters(word, name) || SameLetters(word, name.substr(0, 3)) || (i == 8 && SameLetters(word, "Sept"))) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

// A month name at the reader's position (an abbreviation may end with "."): 1 to 12, or nothing.
std::optional<int> ReadMonthName(Reader& in) {
  const int index = NameIndex(in.Word(), kMonthNames);
  if (index < 0) return std::nullopt;
  in.Take('.');
  return index + 1;
}

bool ValidDate(int y, int m, int d) { return y >= 100 && y <= 9999 && m >= 1 && m <= 12 && d >= 1 && d <= DaysInMonth(y, m); }

int ExpandYear(int year, int digits) {
  if (digits > 2) return year;
  return year < 30 ? 2000 + year : 1900 + year;
}

// "H:MM[:SS[.fff]][ AM|PM]" from the reader's position.
bool ReadTime(Reader& in, CivilDateTime& out) {
  int digits = 0;
  const auto hour = in.Number(digits);
  if (!hour || digits > 2 || !in.Take(':')) return false;
  const auto minute = in.Number(digits);
  if (!minute || digits > 2) return false;
  int second = 0;
  if (in.Take(':')) {
    const auto s = in.Number(digits);
    if (!s || digits > 2) return false;
    second = *s;
    if (in.Take('.')) {
      if (!in.Number(digits)) return false;
    }
  }
  in.SkipBlanks();
  int h = *hour;
  if (!in.Done()) {
    const std::string_view rest = in.text.substr(in.at);
    auto is = [&](std::string_view marker) {
      if (rest.size() < marker.size()) return false;
      for (std::size_t i = 0; i < marker.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(rest[i])) != marker[i]) return false;
      }
      return true;
    };
    const bool pm = is("PM") || is("P");
    const bool am = is("AM") || is("A");
    if (!pm && !am) return false;
    if (h < 1 || h > 12) return false;
    in.at += (is("PM") || is("AM")) ? 2 : 1;
    h = pm ? (h % 12) + 12 : h % 12;
  }
  if (h > 23 || *minute > 59 || second > 59) return false;
  out.hour = h;
  out.minute = *minute;
  out.second = second;
  return true;
}

bool ReadDate(Reader& in, CivilDateTime& out, DateOrder order) {
  int d1 = 0, d2 = 0, d3 = 0;
  const auto a = in.Number(d1);
  if (!a) return false;
  const char separator = in.Peek();
  if (separator != '/' && separator != '-' && separator != '.') return false;
  in.Take(separator);
  const auto b = in.Number(d2);
  if (!b || !in.Take(separator)) return false;
  const auto c = in.Number(d3);
  if (!c) return false;
  int y = 0, m = 0, d = 0;
  if (d1 == 4) {  // year first
    y = *a, m = *b, d = *c;
    if (d2 > 2 || d3 > 2) return false;
  } else {  // month, day, year (or day, month, year)
    if (d1 > 2 || d2 > 2 || (d3 != 2 && d3 != 4)) return false;
    m = *a, d = *b, y = ExpandYear(*c, d3);
    if (order == DateOrder::kDayFirst) std::swap(m, d);
  }
  if (!ValidDate(y, m, d)) return false;
  out.year = y;
  out.month = m;
  out.day = d;
  return true;
}

// A date naming its month: "[weekday[,]] day month year" or "[weekday[,]] month day[,] year",
// the parts separated by blanks, "-", "/" or ".".
bool ReadNamedDate(Reader& in, CivilDateTime& out) {
  auto skipSeparators = [&] {
    while (in.Peek() == ' ' || in.Peek() == '-' || in.Peek() == '/' || in.Peek() == '.' || in.Peek() == ',') ++in.at;
  };
  const std::size_t start = in.at;
  if (NameIndex(in.Word(), kDayNames) >= 0) {
    in.Take('.');
    skipSeparators();
  } else {
    in.at = start;
  }
  int digits = 0, yearDigits = 0;
  std::optional<int> day, month, year;
  if (std::isdigit(static_cast<unsigned char>(in.Peek()))) {
    day = in.Number(digits, 2);
    skipSeparators();
    month = ReadMonthName(in);
  } else {
    month = ReadMonthName(in);
    skipSeparators();
    day = in.Number(digits, 2);
  }
  if (!day || !month) return false;
  skipSeparators();
  year = in.Number(yearDigits, 4);
  if (!year || (yearDigits != 2 && yearDigits != 4)) return false;
  const int y = ExpandYear(*year, yearDigits);
  if (!ValidDate(y, *month, *day)) return false;
  out.year = y;
  out.month = *month;
  out.day = *day;
  return true;
}

}  // namespace

std::optional<CivilDateTime> ParseDateText(std::string_view text, DateOrder order) {
  Reader in{text};
  in.SkipBlanks();
  CivilDateTime result;
  const std::size_t start = in.at;
  bool dated = ReadDate(in, result, order);
  if (!dated) {
    in.at = start;
    result = CivilDateTime{};
    dated = ReadNamedDate(in, result);
  }
  if (dated) {
    if (in.Peek() == 'T' || in.Peek() == 't') ++in.at;
    in.SkipBlanks();
    if (!in.Done() && !ReadTime(in, result)) return std::nullopt;
  } else {
    in.at = start;
    result = CivilDateTime{};
    if (!ReadTime(in, result)) return std::nullopt;
  }
  in.SkipBlanks();
  if (!in.Done()) return std::nullopt;
  return result;
}

namespace {

enum class Token { Literal, Day, Month, Year, Hour, Minute, Second, Marker };

struct Piece {
  Token token;
  int width = 0;          // letters in the run
  std::string text;       // a literal, or the marker's spelling
};

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(prefix[i]))) {
      return false;
    }
  }
  return true;
}

std::vector<Piece> Tokenize(std::string_view picture) {
  std::vector<Piece> pieces;
  auto literal = [&](std::string_view s) {
    if (pieces.empty() || pieces.back().token != Token::Literal) pieces.push_back({Token::Literal, 0, {}});
    pieces.back().text += s;
  };
  for (std::size_t i = 0; i < picture.size();) {
    const std::string_view rest = picture.substr(i);
    if (rest[0] == '"') {
      const std::size_t close = picture.find('"', i + 1);
      const std::size_t end = close == std::string_view::npos ? picture.size() : close;
      literal(picture.substr(i + 1, end - i - 1));
      i = end + 1;
      continue;
    }
    if (rest[0] == '\\' && rest.size() > 1) {
      literal(rest.substr(1, 1));
      i += 2;
      continue;
    }
    std::size_t markerLength = 0;
    for (std::string_view marker : {"AM/PM", "A/P", "AMPM"}) {
      if (markerLength == 0 && StartsWithNoCase(rest, marker)) markerLength = marker.size();
    }
    if (markerLength > 0) {
      pieces.push_back({Token::Marker, 0, std::string(rest.substr(0, markerLength))});
      i += markerLength;
      continue;
    }
    if (StartsWithNoCase(rest, "tt")) {
      pieces.push_back({Token::Marker, 0, "AM/PM"});
      i += 2;
      continue;
    }
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(rest[0])));
    Token token = Token::Literal;
    switch (lower) {
      case 'd': token = Token::Day; break;
      case 'm': token = Token::Month; break;
      case 'y': token = Token::Year; break;
      case 'h': token = Token::Hour; break;
      case 'n': token = Token::Minute; break;
      case 's': token = Token::Second; break;
      default: break;
    }
    if (token == Token::Literal) {
      literal(rest.substr(0, 1));
      ++i;
      continue;
    }
    std::size_t run = 1;
    while (run < rest.size() && std::tolower(static_cast<unsigned char>(rest[run])) == lower) ++run;
    pieces.push_back({token, static_cast<int>(run), {}});
    i += run;
  }
  // "m" and "mm" mean minutes right after an hour or right before seconds.
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (pieces[i].token != Token::Month || pieces[i].width > 2) continue;
    auto neighbour = [&](std::ptrdiff_t step) -> Token {
      for (std::ptrdiff_t j = static_cast<std::ptrdiff_t>(i) + step; j >= 0 && j < static_cast<std::ptrdiff_t>(pieces.size());
           j += step) {
        if (pieces[static_cast<std::size_t>(j)].token != Token::Literal) return pieces[static_cast<std::size_t>(j)].token;
      }
      return Token::Literal;
    };
    if (neighbour(-1) == Token::Hour || neighbour(1) == Token::Second) pieces[i].token = Token::Minute;
  }
  return pieces;
}

void AppendNumber(std::string& out, int value, int width) {
  std::string digits = std::to_string(value);
  if (static_cast<int>(digits.size()) < width) out.append(static_cast<std::size_t>(width) - digits.size(), '0');
  out += digits;
}

std::string MarkerText(const std::string& marker, bool pm) {
  const bool lower = std::islower(static_cast<unsigned char>(marker[0])) != 0;
  const bool single = marker.size() == 3;  // A/P
  std::string text = single ? (pm ? "P" : "A") : (pm ? "PM" : "AM");
  if (lower) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return text;
}

}  // namespace

std::string FormatDateText(const CivilDateTime& when, std::string_view picture) {
  if (picture.empty()) return GeneralDateText(when);
  const std::vector<Piece> pieces = Tokenize(picture);
  bool twelveHour = false;
  for (const Piece& piece : pieces) twelveHour |= piece.token == Token::Marker;
  std::string out;
  for (const Piece& piece : pieces) {
    switch (piece.token) {
      case Token::Literal: out += piece.text; break;
      case Token::Day:
        if (piece.width <= 2) {
          AppendNumber(out, when.day, piece.width);
        } else {
          const auto weekday = static_cast<int>(((DaysFromCivil(when.year, when.month, when.day) % 7) + 11) % 7);
          const std::string name = kDayNames[weekday];
          out += piece.width == 3 ? name.substr(0, 3) : name;
        }
        break;
      case Token::Month:
        if (piece.width <= 2) {
          AppendNumber(out, when.month, piece.width);
        } else {
          const std::string name = kMonthNames[when.month - 1];
          out += piece.width == 3 ? name.substr(0, 3) : name;
        }
        break;
      case Token::Year:
        if (piece.width <= 2) {
          AppendNumber(out, when.year % 100, 2);
        } else {
          AppendNumber(out, when.year, 4);
        }
        break;
      case Token::Hour: {
        int hour = when.hour;
        if (twelveHour) hour = hour % 12 == 0 ? 12 : hour % 12;
        AppendNumber(out, hour, std::min(piece.width, 2));
        break;
      }
      case Token::Minute: AppendNumber(out, when.minute, std::min(piece.width, 2)); break;
      case Token::Second: AppendNumber(out, when.second, std::min(piece.width, 2)); break;
      case Token::Marker: out += MarkerText(piece.text, when.hour >= 12); break;
    }
  }
  return out;
}

std::optional<CivilDateTime> ParseDateTextWithPicture(std::string_view text, std::string_view picture) {
  if (picture.empty()) return ParseDateText(text);
  const std::vector<Piece> pieces = Tokenize(picture);
  bool twelveHour = false;
  for (const Piece& piece : pieces) twelveHour |= piece.token == Token::Marker;
  CivilDateTime out;
  std::optional<bool> pm;
  Reader in{text};
  in.SkipBlanks();
  // One field of at most `most` digits into `field`.
  auto number = [&](int& field, int most) {
    int digits = 0;
    const auto value = in.Number(digits, most);
    if (value) field = *value;
    return value.has_value();
  };
  for (const Piece& piece : pieces) {
    switch (piece.token) {
      case Token::Literal:
        // At the end Peek() gives NUL, which a NUL in the picture must not match.
        for (const char c : piece.text) {
          if (std::isspace(static_cast<unsigned char>(c))) {
            in.SkipBlanks();
          } else if (!in.Done() && std::tolower(static_cast<unsigned char>(in.Peek())) == std::tolower(static_cast<unsigned char>(c))) {
            ++in.at;
          } else {
            return std::nullopt;
          }
        }
        break;
      case Token::Day:
        if (piece.width <= 2 ? !number(out.day, 2) : NameIndex(in.Word(), kDayNames) < 0) return std::nullopt;
        break;
      case Token::Month:
        if (piece.width <= 2) {
          if (!number(out.month, 2)) return std::nullopt;
        } else {
          const int index = NameIndex(in.Word(), kMonthNames);
          if (index < 0) return std::nullopt;
          out.month = index + 1;
        }
        break;
      case Token::Year: {
        const int digits = piece.width <= 2 ? 2 : 4;
        const std::size_t before = in.at;
        if (!number(out.year, digits) || in.at - before != static_cast<std::size_t>(digits)) return std::nullopt;
        out.year = ExpandYear(out.year, digits);
        break;
      }
      case Token::Hour:
        if (!number(out.hour, 2)) return std::nullopt;
        break;
      case Token::Minute:
        if (!number(out.minute, 2)) return std::nullopt;
        break;
      case Token::Second:
        if (!number(out.second, 2)) return std::nullopt;
        break;
      case Token::Marker: {
        const std::string_view word = in.Word();
        if (SameLetters(word, "PM") || SameLetters(word, "P")) {
          pm = true;
        } else if (SameLetters(word, "AM") || SameLetters(word, "A")) {
          pm = false;
        } else {
          return std::nullopt;
        }
        break;
      }
    }
  }
  in.SkipBlanks();
  if (!in.Done()) return std::nullopt;
  if (twelveHour) {
    if (!pm || out.hour < 1 || out.hour > 12) return std::nullopt;
    out.hour = *pm ? out.hour % 12 + 12 : out.hour % 12;
  }
  if (!ValidDate(out.year, out.month, out.day) || out.hour > 23 || out.minute > 59 || out.second > 59) return std::nullopt;
  return out;
}

std::optional<CivilDateTime> ParseWithServerSetting(std::string_view text) {
  const ProcessSettings& settings = CurrentProcessSettings();
  if (!settings.useCustomDateFormat || settings.dateAndTimeFormat.empty()) return ParseDateText(text);
  if (auto exact = ParseDateTextWithPicture(text, settings.dateAndTimeFormat)) return exact;
  // Text in another form (written before the format changed, or by the client): day and month
  // still in the order the format has them.
  DateOrder order = DateOrder::kMonthFirst;
  for (const Piece& piece : Tokenize(settings.dateAndTimeFormat)) {
    if (piece.token == Token::Day && piece.width <= 2) order = DateOrder::kDayFirst;
    if ((piece.token == Token::Day && piece.width <= 2) || piece.token == Token::Month) break;
  }
  return ParseDateText(text, order);
}

std::string GeneralDateText(const CivilDateTime& when) {
  std::string out;
  out.reserve(19);
  AppendNumber(out, when.month, 2);
  out += '/';
  AppendNumber(out, when.day, 2);
  out += '/';
  AppendNumber(out, when.year, 4);
  out += ' ';
  AppendNumber(out, when.hour, 2);
  out += ':';
  AppendNumber(out, when.minute, 2);
  out += ':';
  AppendNumber(out, when.second, 2);
  return out;
}

std::string FormatWithServerSetting(const CivilDateTime& when) {
  const ProcessSettings& settings = CurrentProcessSettings();
  if (settings.useCustomDateFormat && !settings.dateAndTimeFormat.empty()) {
    return FormatDateText(when, settings.dateAndTimeFormat);
  }
  return GeneralDateText(when);
}

std::int64_t SecondsBetween(const CivilDateTime& from, const CivilDateTime& to) {
  return CivilSeconds(to) - CivilSeconds(from);
}

namespace {

CivilDateTime LocalCivilTimeOf(std::time_t t) {
  std::tm tm{};
  ::localtime_r(&t, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

}  // namespace

CivilDateTime LocalCivilTime(std::chrono::system_clock::time_point when) {
  return LocalCivilTimeOf(std::chrono::system_clock::to_time_t(when));
}

CivilDateTime LocalNow() { return LocalCivilTime(WallClockNow()); }

CivilDateTime UtcToLocal(const CivilDateTime& utc) {
  // Through time_t: the system clock counts nanoseconds, which end in 2262, and a date from a
  // server may lie beyond.
  return LocalCivilTimeOf(static_cast<std::time_t>(CivilSeconds(utc)));
}

}  // namespace vz::dictation
