#pragma once
// What the servlet families share: the call being served, the replies of the protocol, and the
// table that names each family's request numbers and their fault-injection call kinds.
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "servlet_wire/error_document.hpp"
#include "simulator/faults.hpp"
#include "simulator/institution.hpp"
#include "simulator/http_exchange.hpp"

namespace vz::simulator {

// One call being served: its request number, the user, its parameters (form body, or query for
// file uploads) and the fault that applies to it.
struct ServletCall {
  std::string number;
  std::string login;
  std::map<std::string, std::string> parameters;
  const HttpExchange& exchange;
  std::optional<Fault> fault;

  std::string Parameter(const std::string& name) const {
    const auto found = parameters.find(name);
    return found == parameters.end() ? std::string() : found->second;
  }
  bool HasFault(FaultKind kind) const { return fault && fault->kind == kind; }
};

// What a family may use of the simulator around it, under the servlets' lock.
struct ServletContext {
  const std::vector<std::unique_ptr<Institution>>& institutions;
  const std::filesystem::path& dataFolder;  // scratch files go to dataFolder / ".bodies"
  const std::string& baseURL;               // "http://127.0.0.1:port"
};

struct RequestKind {
  std::string_view number;  // "0100"
  std::string_view kind;    // its call kind for fault injection: "workqueue"
};

struct ServletFamily {
  std::span<const RequestKind> requests;
  // The reply to a call of one of the family's numbers. `institution` is null only for the
  // institution-information servlet.
  HttpReply (*serve)(ServletContext& context, Institution* institution, ServletCall& call);
};

// The families, one file each in this folder.
const ServletFamily& LoginAndInstitutionServlets();
const ServletFamily& MainLoopServlets();
const ServletFamily& ReferenceDataServlets();
const ServletFamily& DictationOperationsServlets();
const ServletFamily& SourceControlServlets();

// Replies of the protocol.
using servlet_wire::kXmlDeclaration;
HttpReply Xml(std::string body);
std::string Element(std::string_view name, std::string_view value);
// A work-queue row of the dictation (docs/servlet-protocol.md, 5.1).
std::string Row(const Institution& institution, const Dictation& dictation);
// The rows a user sees, as a work-queue answer.
HttpReply WorkQueueAnswer(const Institution& institution, const ServletCall& call, bool lockedOnly);
// The dictation the call's "utteranceID" names; null with `error` set when there is none.
Dictation* CalledDictation(Institution& institution, const ServletCall& call, HttpReply& error);
// "a,b,,c" into its non-empty names.
std::vector<std::string> SplitList(std::string_view text);

}  // namespace vz::simulator
