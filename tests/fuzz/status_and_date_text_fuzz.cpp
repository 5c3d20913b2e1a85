// Status texts and date texts, both read back from dictation records that a server or an earlier
// version wrote. The first byte chooses the reader; the rest is the text.
//
// Status texts: a change applied twice gives what it gave once; each change leaves the state it
// names (marked for upload, downloaded, checked out, back to ready) and keeps the others as the
// texts say; every change of one text agrees on the job kind; the predicates are the plain
// case-insensitive searches.
// Date texts: a date read is a real date and time; written in the general form it reads back the
// same; read with a picture it is valid too, and writing it with that picture stays bounded.
#include <algorithm>
#include <cstdint>
#include <string>

#include "dictation/date_text.hpp"
#include "fuzz_support.hpp"
#include "model/status_string.hpp"

namespace {

using vz::clsStatusString;
using vz::dictation::CivilDateTime;

bool NaiveContains(std::string_view text, std::string_view phrase) {
  return vz::fuzz::Lower(text).find(vz::fuzz::Lower(phrase)) != std::string::npos;
}

void CheckStatus(std::string_view text) {
  const clsStatusString status;
  VZ_REQUIRE(status.Downloaded(text) == NaiveContains(text, "Downloaded"), std::string(text));
  VZ_REQUIRE(status.CheckedOut(text) == NaiveContains(text, "Checked out"), std::string(text));
  VZ_REQUIRE(status.MarkedForUpload(text) == NaiveContains(text, "Ready to Upload"), std::string(text));
  const int type = status.TypeFromStatus(text);
  VZ_REQUIRE(type >= 1 && type <= 3, std::string(text));

  const std::string upload = status.NewStatus(vz::kMarkForUpload, text);
  const std::string download = status.NewStatus(vz::kRecordDownload, text);
  const std::string checkOut = status.NewStatus(vz::kRecordCheckOut, text);
  const std::string ready = status.NewStatus(vz::kReturnToReady, text);
  VZ_REQUIRE(status.NewStatus(1, text) == text, std::string(text));

  VZ_REQUIRE(status.MarkedForUpload(upload) && !status.Downloaded(upload) && !status.CheckedOut(upload), upload);
  VZ_REQUIRE(status.Downloaded(download) && status.CheckedOut(download) == status.CheckedOut(text), download);
  VZ_REQUIRE(status.CheckedOut(checkOut) && status.Downloaded(checkOut) == status.Downloaded(text), checkOut);
  VZ_REQUIRE(!status.CheckedOut(ready) && !status.MarkedForUpload(ready) && status.Downloaded(ready) == status.Downloaded(text),
             ready);

  const std::pair<int, const std::string*> changed[] = {
      {vz::kMarkForUpload, &upload}, {vz::kRecordDownload, &download}, {vz::kRecordCheckOut, &checkOut}, {vz::kReturnToReady, &ready}};
  for (const auto& [change, result] : changed) {
    VZ_REQUIRE(status.NewStatus(change, *result) == *result, "change " + std::to_string(change) + " of \"" + std::string(text) +
                                                                  "\" gave \"" + *result + "\", then \"" +
                                                                  status.NewStatus(change, *result) + "\"");
    VZ_REQUIRE(status.TypeFromStatus(*result) == status.TypeFromStatus(upload),
               "\"" + *result + "\" and \"" + upload + "\" from \"" + std::string(text) + "\" disagree on the job kind");
    VZ_REQUIRE(result->size() <= 64, *result);
  }
}

bool ValidCivil(const CivilDateTime& t) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (t.year < 100 || t.year > 9999 || t.month < 1 || t.month > 12 || t.day < 1) return false;
  const bool leap = (t.year % 4 == 0 && t.year % 100 != 0) || t.year % 400 == 0;
  const int days = t.month == 2 && leap ? 29 : kDays[t.month - 1];
  return t.day <= days && t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59 && t.second >= 0 && t.second <= 59;
}

std::string Shown(const CivilDateTime& t) {
  return vz::dictation::FormatDateText(t, "yyyy-mm-dd hh:nn:ss");
}

void CheckDate(std::string_view text, bool dayFirst) {
  using namespace vz::dictation;
  const auto order = dayFirst ? DateOrder::kDayFirst : DateOrder::kMonthFirst;
  const auto parsed = ParseDateText(text, order);
  if (!parsed) return;
  VZ_REQUIRE(ValidCivil(*parsed), std::string(text));
  const std::string general = GeneralDateText(*parsed);
  const auto again = ParseDateText(general, DateOrder::kMonthFirst);
  VZ_REQUIRE(again && *again == *parsed, std::string(text) + " -> " + general);
  VZ_REQUIRE(SecondsBetween(*parsed, *parsed) == 0, general);
  const CivilDateTime epoch{};
  VZ_REQUIRE(SecondsBetween(epoch, *parsed) == -SecondsBetween(*parsed, epoch), general);
  VZ_REQUIRE(ValidCivil(UtcToLocal(*parsed)) || parsed->year >= 9999 || parsed->year <= 100, Shown(UtcToLocal(*parsed)));
}

void CheckPicture(std::string_view input) {
  using namespace vz::dictation;
  const auto parts = vz::fuzz::SplitInput(input, "\n", 2);
  const std::string_view picture = parts[0];
  const std::string_view text = parts.size() > 1 ? parts[1] : std::string_view();
  const std::string written = FormatDateText(CivilDateTime{2026, 12, 3, 22, 15, 9}, picture);
  VZ_REQUIRE(written.size() <= 16 * picture.size() + 32, std::string(picture));
  const auto parsed = ParseDateTextWithPicture(text, picture);
  if (!parsed) return;
  VZ_REQUIRE(ValidCivil(*parsed), std::string(picture) + " | " + std::string(text));
  const std::string again = FormatDateText(*parsed, picture);
  VZ_REQUIRE(again.size() <= 16 * picture.size() + 32, std::string(picture));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  switch (data[0] % 4) {
    case 0: CheckStatus(text); break;
    case 1: CheckDate(text, false); break;
    case 2: CheckDate(text, true); break;
    default: CheckPicture(text); break;
  }
  return 0;
}
