#include "simulator/faults.hpp"

#include <algorithm>
#include <charconv>

#include "simulator/network_link.hpp"

namespace vz::simulator {
namespace {

std::optional<int> Number(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<std::uint64_t> ByteCount(std::string_view text) {
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> pieces;
  while (true) {
    const auto end = text.find(separator);
    pieces.push_back(text.substr(0, end));
    if (end == std::string_view::npos) return pieces;
    text.remove_prefix(end + 1);
  }
}

}  // namespace

void FaultPlan::Set(std::string_view callKind, Fault fault) {
  std::lock_guard lock(mutex_);
  armed_.insert_or_assign(std::string(callKind), Armed{std::move(fault)});
}

void FaultPlan::Clear(std::string_view callKind) {
  std::lock_guard lock(mutex_);
  if (const auto found = armed_.find(callKind); found != armed_.end()) armed_.erase(found);
}

void FaultPlan::ClearAll() {
  std::lock_guard lock(mutex_);
  armed_.clear();
}

std::optional<Fault> FaultPlan::Next(std::string_view callKind, std::string_view utteranceID) {
  std::lock_guard lock(mutex_);
  auto own = Count(callKind, utteranceID);
  auto every = Count(kEveryCallKind, utteranceID);
  return own ? own : every;
}

std::optional<Fault> FaultPlan::Count(std::string_view callKind, std::string_view utteranceID) {
  const auto found = armed_.find(callKind);
  if (found == armed_.end()) return std::nullopt;
  Armed& armed = found->second;
  if (!armed.fault.utteranceID.empty() && armed.fault.utteranceID != utteranceID) return std::nullopt;
  if (armed.seen++ < armed.fault.after) return std::nullopt;
  if (armed.fault.times >= 0 && armed.fired >= armed.fault.times) return std::nullopt;
  ++armed.fired;
  return armed.fault;
}

ParsedFault ParseFault(std::string_view text) {
  ParsedFault parsed;
  // The message runs to the end of the text and may hold colons.
  if (const auto message = text.find(":message="); message != std::string_view::npos) {
    parsed.fault.message = std::string(text.substr(message + 9));
    text = text.substr(0, message);
  }
  const auto pieces = Split(text, ':');
  if (pieces.size() < 2) {
    parsed.problem = "a fault reads <call kind>:<fault>[:key=value...]";
    return parsed;
  }
  parsed.callKind = std::string(pieces[0]);
  if (!IsCallKind(pieces[0]) && pieces[0] != kEveryCallKind) {
    parsed.problem = "unknown call kind " + parsed.callKind;
    return parsed;
  }
  for (std::size_t i = 1; i < pieces.size(); ++i) {
    const auto equals = pieces[i].find('=');
    const std::string_view key = pieces[i].substr(0, equals);
    const std::string_view value = equals == std::string_view::npos ? std::string_view() : pieces[i].substr(equals + 1);
    const auto number = Number(value);
    if (i == 1) {
      if (key == "delay" && number) {
        parsed.fault.kind = FaultKind::kDelay;
        parsed.fault.delay = std::chrono::milliseconds(*number);
      } else if (key == "drop") {
        parsed.fault.kind = FaultKind::kDrop;
      } else if (key == "status" && number) {
        parsed.fault.kind = FaultKind::kStatus;
        parsed.fault.status = *number;
      }
      else if (key == "checksum") parsed.fault.kind = FaultKind::kCorruptChecksum;
      else if (key == "digest") parsed.fault.kind = FaultKind::kCorruptDigest;
      else if (key == "credentials") parsed.fault.kind = FaultKind::kRejectCredentials;
      else if (key == "lose") parsed.fault.kind = FaultKind::kLoseAnswer;
      else if (key == "latency" && number && *number >= 0) {
        parsed.fault.kind = FaultKind::kLatency;
        parsed.fault.delay = std::chrono::milliseconds(*number);
      } else if (const auto rate = ParseRate(value); key == "bandwidth" && rate) {
        parsed.fault.kind = FaultKind::kBandwidth;
        parsed.fault.bytesPerSecond = *rate;
      } else if (const auto bytes = ByteCount(value); key == "cut" && bytes) {
        parsed.fault.kind = FaultKind::kCut;
        parsed.fault.bytes = *bytes;
      }
      else parsed.problem = "unknown fault " + std::string(pieces[i]);
    } else if (key == "after" && number) {
      parsed.fault.after = *number;
    } else if (key == "times" && number) {
      parsed.fault.times = *number;
    } else if (key == "utterance" && !value.empty()) {
      parsed.fault.utteranceID = std::string(value);
    } else {
      parsed.problem = "unknown fault setting " + std::string(pieces[i]);
    }
    if (!parsed.problem.empty()) return parsed;
  }
  return parsed;
}

}  // namespace vz::simulator
