#include "simulator/servlets/dictation_operations_qa_servlets.hpp"

#include <pugixml.hpp>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>

#include "servlet_wire/dictation_file_names.hpp"
#include "servlet_wire/form_codec.hpp"
#include "servlet_wire/sha256.hpp"
#include "servlet_wire/xml_text.hpp"
#include "simulator/servlets/dictation_changes.hpp"

namespace vz::simulator {
namespace {

// The data-model namespace QA grading documents carry.
constexpr const char* kBillingGroupNamespace = "http://www.quorvane.com/datamodel/billinggroup";
constexpr std::uintmax_t kMaxGradingBytes = 1u << 20;

std::string Attribute(std::string_view name, std::string_view value) { return " " + std::string(name) + "=\"" + servlet_wire::EscapeXml(value) + "\""; }

std::string VersionAsked(const Dictation& dictation, const ServletCall& call) {
  const std::string asked = call.Parameter("documentVersion");
  return asked.empty() ? dictation.documentVersion : asked;
}

// 0400: a reviewer's score for a transcriptionist's work on a dictation.
HttpReply Score(Institution& institution, const ServletCall& call) {
  HttpReply error;
  Dictation* dictation = CalledDictation(institution, call, error);
  if (dictation == nullptr) return error;
  const std::string id = std::to_string(dictation->utteranceID);
  if (call.Parameter("transcriptionistLogin").empty()) return Error(400, "Missing parameter transcriptionistLogin");
  const auto score = WholeNumber(call.Parameter("reviewScore"));
  if (!score || *score < 0 || *score > 100) return Error(400, "Bad reviewScore " + call.Parameter("reviewScore"));
  if (IsRestricted(institution, *dictation)) return Error(403, "You may not grade dictation: " + id);
  auto& reviews = institution.Operations().reviews;
  if (reviews.size() >= DictationOperationsState::kMaxReviews) return Error(500, "No more reviews can be kept");
  reviews.push_back({dictation->utteranceID, dictation->documentVersion, call.Parameter("transcriptionistLogin"), call.login,
                     static_cast<int>(*score), call.Parameter("reviewNote")});
  return Xml("<InfoResponse><QAScore" + Attribute("utteranceID", id) + Attribute("reviewScore", std::to_string(*score)) +
             "/></InfoResponse>\n");
}

// 0401: the dictation leaves the review queue: its reviews are dropped.
HttpReply RemoveReview(Institution& institution, const ServletCall& call) {
  HttpReply error;
  Dictation* dictation = CalledDictation(institution, call, error);
  if (dictation == nullptr) return error;
  if (!WholeNumber(call.Parameter("reviewStatusID"))) return Error(400, "Bad reviewStatusID " + call.Parameter("reviewStatusID"));
  auto& reviews = institution.Operations().reviews;
  const auto before = reviews.size();
  std::erase_if(reviews, [dictation](const QAReview& review) { return review.utteranceID == dictation->utteranceID; });
  return Xml("<InfoResponse><RemovedQAReview" + Attribute("utteranceID", std::to_string(dictation->utteranceID)) +
             Attribute("removed", std::to_string(before - reviews.size())) + "/></InfoResponse>\n");
}

// 0402: the reviews the user has given.
HttpReply NumReviews(const Institution& institution, const ServletCall& call) {
  const auto& reviews = institution.Operations().reviews;
  const auto count = std::count_if(reviews.begin(), reviews.end(), [&call](const QAReview& review) { return review.reviewer == call.login; });
  return Xml("<InfoResponse>" + Element("NumReviews", std::to_string(count)) + "</InfoResponse>\n");
}

// 0404: the average score of the reviews the query string selects ("transcriptionistLogin",
// "reviewerLogin", "utteranceID"; none: all).
HttpReply AverageGrade(const Institution& institution, const ServletCall& call) {
  auto filter = servlet_wire::ParseForm(call.Parameter("parmString"));
  long count = 0;
  long sum = 0;
  for (const QAReview& review : institution.Operations().reviews) {
    if (!filter["transcriptionistLogin"].empty() && review.transcriptionist != filter["transcriptionistLogin"]) continue;
    if (!filter["reviewerLogin"].empty() && review.reviewer != filter["reviewerLogin"]) continue;
    if (!filter["utteranceID"].empty() && std::to_string(review.utteranceID) != filter["utteranceID"]) continue;
    ++count;
    sum += review.score;
  }
  char average[32] = "";
  if (count > 0) std::snprintf(average, sizeof average, "%.2f", static_cast<double>(sum) / static_cast<double>(count));
  return Xml("<InfoResponse><AverageGrade" + Attribute("reviews", std::to_string(count)) + ">" + average + "</AverageGrade></InfoResponse>\n");
}

// 0405 and 0406: who has been reviewed, who has reviewed.
HttpReply People(const Institution& institution, bool transcriptionists) {
  std::set<std::string> logins;
  for (const QAReview& review : institution.Operations().reviews) logins.insert(transcriptionists ? review.transcriptionist : review.reviewer);
  std::string people;
  for (const std::string& login : logins) people += "<" + std::string(transcriptionists ? "Transcriptionist" : "Reviewer") + Attribute("login", login) + "/>";
  return Xml("<InfoResponse>" + people + "</InfoResponse>\n");
}

HttpReply Criteria(bool grading) {
  static constexpr const char* kGrading[][2] = {{"1", "Accuracy"}, {"2", "Formatting"}, {"3", "Medical terminology"}, {"4", "Punctuation"}};
  static constexpr const char* kPending[][2] = {{"1", "Unclear audio"}, {"2", "Missing patient information"}, {"3", "Wrong work type"}};
  std::string items;
  const auto add = [&items, grading](const char* const(&criterion)[2]) {
    items += "<" + std::string(grading ? "GradeCriterion" : "PendingCriterion") + Attribute("id", criterion[0]) + Attribute("name", criterion[1]) + "/>";
  };
  if (grading) {
    for (const auto& criterion : kGrading) add(criterion);
  } else {
    for (const auto& criterion : kPending) add(criterion);
  }
  return Xml("<InfoResponse>" + items + "</InfoResponse>\n");
}

// 0408: the dictation's grading document, as the editor filled it in. Later downloads answer it.
HttpReply UploadGrading(Institution& institution, const ServletCall& call) {
  HttpReply error;
  Dictation* dictation = CalledDictation(institution, call, error);
  if (dictation == nullptr) return error;
  const std::string id = std::to_string(dictation->utteranceID);
  const std::string name = servlet_wire::DictationFileName(id, ".QAG");
  const std::filesystem::path& body = call.exchange.bodyFile;
  if (body.empty()) return Error(400, "No file in the request");
  if (call.exchange.contentDigest.empty() || servlet_wire::Sha256HexOfFile(body) != call.exchange.contentDigest) return Error(422, "CHECKSUM mismatch for " + name);
  std::error_code sizeError;
  const auto bytes = std::filesystem::file_size(body, sizeError);
  if (sizeError || bytes > kMaxGradingBytes) return Error(413, "QA grading file too large: " + name);
  if (IsRestricted(institution, *dictation)) return Error(403, "You may not grade dictation: " + id);
  std::ifstream in(body, std::ios::binary);
  std::string document((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  pugi::xml_document parsed;
  if (!parsed.load_buffer(document.data(), document.size()) || std::string_view(parsed.document_element().name()) != "InfoResponse")
    return Error(400, "Malformed QA grading document " + name);
  dictation->qaGrading = std::move(document);
  return Xml("<InfoResponse><Received" + Attribute("fileName", name) + Attribute("bytes", std::to_string(bytes)) + "/></InfoResponse>\n");
}

// 0409: the grading last uploaded, or one made from the dictation's reviews. A dictation the user
// may not review answers the error the engine turns into an empty grading file.
HttpReply DownloadGrading(Institution& institution, const ServletCall& call) {
  HttpReply error;
  Dictation* dictation = CalledDictation(institution, call, error);
  if (dictation == nullptr) return error;
  const std::string id = std::to_string(dictation->utteranceID);
  const std::string version = VersionAsked(*dictation, call);
  if (IsRestricted(institution, *dictation))
    return Error(403, "You may not view the errors for dictation version " + version + " of dictation: " + id);
  if (!dictation->qaGrading.empty()) {
    HttpReply stored;
    stored.body = dictation->qaGrading;
    return stored;
  }
  std::string reviews;
  for (const QAReview& review : institution.Operations().reviews) {
    if (review.utteranceID != dictation->utteranceID) continue;
    reviews += "<Review" + Attribute("reviewer", review.reviewer) + Attribute("transcriptionist", review.transcriptionist) +
               Attribute("score", std::to_string(review.score)) + ">" + Element("Note", review.note) + "</Review>";
  }
  return Xml("<InfoResponse" + Attribute("xmlns", kBillingGroupNamespace) + "><QAGrading" + Attribute("utteranceID", id) +
             Attribute("documentVersion", version) + ">" + reviews + "</QAGrading></InfoResponse>\n");
}

// 0410: why the dictation is pending, as its pending note says.
HttpReply PendingReasons(Institution& institution, const ServletCall& call) {
  HttpReply error;
  Dictation* dictation = CalledDictation(institution, call, error);
  if (dictation == nullptr) return error;
  const std::string note = PendingNote(*dictation);
  return Xml("<InfoResponse><PendingReasons" + Attribute("utteranceID", std::to_string(dictation->utteranceID)) +
             Attribute("documentVersion", VersionAsked(*dictation, call)) + ">" +
             (note.empty() ? std::string() : "<PendingReason" + Attribute("id", "0") + ">" + servlet_wire::EscapeXml(note) + "</PendingReason>") +
             "</PendingReasons></InfoResponse>\n");
}

}  // namespace

HttpReply ServeQA(ServletContext&, Institution& institution, ServletCall& call) {
  const std::string& number = call.number;
  if (number == "0400") return Score(institution, call);
  if (number == "0401") return RemoveReview(institution, call);
  if (number == "0402") return NumReviews(institution, call);
  if (number == "0403") return Criteria(true);
  if (number == "0404") return AverageGrade(institution, call);
  if (number == "0405") return People(institution, true);
  if (number == "0406") return People(institution, false);
  if (number == "0407") return Criteria(false);
  if (number == "0408") return UploadGrading(institution, call);
  if (number == "0409") return DownloadGrading(institution, call);
  return PendingReasons(institution, call);
}

}  // namespace vz::simulator
