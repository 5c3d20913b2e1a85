// vze: a small command-line client of vzed, to drive any object by hand.
//
//   vze get clsZERUredoz TraceLevel
//   vze set clsZERUredoz LogFilePath /tmp/server.log
//   vze call clsZERUredoz Fire_LoginStatus "Hello"
//   vze get clsZERUredoz DatabaseRequests.Count
//   vze watch --acknowledge
#include <sys/ioctl.h>
#include <unistd.h>

#include <csignal>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "progress_display.hpp"
#include "rpc_client.hpp"
#include "transport/unix_listener.hpp"

namespace {

using vze::Json;

constexpr const char* kPathHelp =
    "CLASS is a creatable class (the server object clsZERUredoz is one per process, so its state "
    "lasts between calls). PATH is a member name, or properties to walk first joined by dots "
    "(DatabaseRequests.Count). Arguments and values are JSON (1, true, \"text\", [1,2]); anything "
    "that is not JSON is taken as a string.";

Json ParseValue(const std::string& text) {
  Json value = Json::parse(text, nullptr, false);
  return value.is_discarded() ? Json(text) : value;
}

Json ParseValues(const std::vector<std::string>& texts) {
  Json values = Json::array();
  for (const auto& text : texts) values.push_back(ParseValue(text));
  return values;
}

std::vector<std::string> SplitPath(const std::string& path) {
  std::vector<std::string> parts;
  std::stringstream in(path);
  for (std::string part; std::getline(in, part, '.');) parts.push_back(part);
  if (parts.empty()) parts.emplace_back();
  return parts;
}

// Creates CLASS and reads the properties named by `parts` in turn; returns the last object's handle.
Json Walk(vze::RpcClient& client, const std::string& className, const std::vector<std::string>& parts) {
  Json object = client.Call("create", {{"class", className}});
  for (const std::string& part : parts) {
    object = client.Call("get", {{"handle", object.at("$handle")}, {"name", part}});
    if (!object.is_object() || !object.contains("$handle")) throw std::runtime_error(part + " is not an object");
  }
  return object.at("$handle");
}

// The handle of the object PATH's last member belongs to, and that member's name.
std::pair<Json, std::string> Resolve(vze::RpcClient& client, const std::string& className, const std::string& path) {
  std::vector<std::string> parts = SplitPath(path);
  const std::string member = parts.back();
  parts.pop_back();
  return {Walk(client, className, parts), member};
}

// Prints events and message boxes as they come, answering them as told, and shows the requests'
// progress.
struct Watcher {
  bool acknowledge = false;
  bool prompts = false;
  bool noProgress = false;
  int answer = 1;
  long count = 0;
  long seen = 0;
  vze::ProgressDisplay* progress = nullptr;

  std::optional<Json> Handle(const Json& message) {
    const std::string method = message.value("method", std::string());
    if (method == "progress") {
      if (progress != nullptr) progress->Show(message.value("params", Json::object()));
      return std::nullopt;
    }
    if (progress != nullptr) progress->PrintLine(message.dump());
    else std::cout << message.dump() << std::endl;
    ++seen;
    if (method == "messageBox") return Json{{"answer", answer}};
    if (method == "event" && message.contains("id")) {
      Json args = message["params"].value("args", Json::array());
      if (acknowledge && message["params"].value("name", std::string()) == "DatabaseRequestComplete" && args.size() > 1) {
        args[1] = true;
      }
      return Json{{"args", args}};
    }
    return std::nullopt;
  }
};

volatile std::sig_atomic_t interrupted = 0;

}  // namespace

int main(int argc, char** argv) {
  CLI::App app("vze - drive the objects of a running vzed by hand.\n" + std::string(kPathHelp), "vze");
  app.require_subcommand(1);
  std::string socket = vz::transport::DefaultSocketPath();
  app.add_option("--socket", socket, "vzed's socket")->default_str(socket);
  double timeoutSeconds = 30;
  app.add_option("--timeout", timeoutSeconds, "Seconds to wait for an answer")->default_val(30);

  std::string className, path;
  std::vector<std::string> args;
  std::string value;

  auto* get = app.add_subcommand("get", "Read a property (or the value of an operation)");
  get->add_option("CLASS", className, "Class to create")->required();
  get->add_option("PATH", path, "Member, after properties to walk")->required();
  get->add_option("ARGS", args, "Arguments of a property that takes some (Item)");
  get->footer(kPathHelp);

  auto* set = app.add_subcommand("set", "Write a property");
  set->add_option("CLASS", className, "Class to create")->required();
  set->add_option("PATH", path, "Property, after properties to walk")->required();
  set->add_option("VALUE", value, "The new value")->required();
  set->add_option("ARGS", args, "Arguments of a property that takes some");
  set->footer(kPathHelp);

  auto* call = app.add_subcommand("call", "Call an operation; prints its value and the final arguments");
  call->add_option("CLASS", className, "Class to create")->required();
  call->add_option("PATH", path, "Operation, after properties to walk")->required();
  call->add_option("ARGS", args, "Arguments");
  call->footer(kPathHelp);

  auto* enumerate = app.add_subcommand("enumerate", "List the items of a collection");
  enumerate->add_option("CLASS", className, "Class to create")->required();
  enumerate->add_option("PATH", path, "Collection property, or empty for the object itself")->default_val("");
  enumerate->footer(kPathHelp);

  auto* describe = app.add_subcommand("describe", "List the members of a class");
  describe->add_option("CLASS", className, "Class")->required();

  Watcher watcher;
  auto* watch = app.add_subcommand(
      "watch", "Print the server object's events (and message boxes) as they come; without --acknowledge and --prompts "
               "only listening, so that vzed never waits for it");
  watch->add_flag("--acknowledge", watcher.acknowledge,
                  "Answer DatabaseRequestComplete with bReceived = true (vzed then waits for this watcher's answers)");
  watch->add_flag("--prompts", watcher.prompts, "Also receive message boxes");
  watch->add_option("--answer", watcher.answer, "Answer to every message box (1 OK ... 7 No)")->default_val(1)->check(CLI::Range(1, 7));
  watch->add_option("--count", watcher.count, "End after this many events and message boxes (0: until interrupted)")->default_val(0);
  watch->add_flag("--no-progress", watcher.noProgress,
                  "Do not show the requests' progress (shown by default: a line redrawn in place on a terminal, "
                  "one line per action, dictation and request end otherwise)");

  std::string reason = "owner";
  auto* close = app.add_subcommand("close", "Ask vzed to close");
  close->add_option("REASON", reason, "systemShutdown, taskManager, owner, controlMenu or other")->default_val("owner");

  CLI11_PARSE(app, argc, argv);

  try {
    vze::RpcClient client(socket, std::chrono::milliseconds(static_cast<long>(timeoutSeconds * 1000)));
    if (*get) {
      const auto [handle, member] = Resolve(client, className, path);
      std::cout << client.Call("get", {{"handle", handle}, {"name", member}, {"args", ParseValues(args)}}).dump() << "\n";
    } else if (*set) {
      const auto [handle, member] = Resolve(client, className, path);
      client.Call("set", {{"handle", handle}, {"name", member}, {"value", ParseValue(value)}, {"args", ParseValues(args)}});
    } else if (*call) {
      const auto [handle, member] = Resolve(client, className, path);
      std::cout << client.Call("call", {{"handle", handle}, {"name", member}, {"args", ParseValues(args)}}).dump() << "\n";
    } else if (*enumerate) {
      const Json handle = Walk(client, className, path.empty() ? std::vector<std::string>{} : SplitPath(path));
      std::cout << client.Call("enumerate", {{"handle", handle}}).dump() << "\n";
    } else if (*describe) {
      std::cout << client.Call("describe", {{"class", className}}).dump(2) << "\n";
    } else if (*close) {
      std::cout << client.Call("closeRequest", {{"reason", reason}}).dump() << "\n";
    } else if (*watch) {
      std::signal(SIGINT, [](int) { interrupted = 1; });
      const bool terminal = ::isatty(STDOUT_FILENO) == 1;
      winsize size{};
      const std::size_t width = terminal && ::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
      vze::ProgressDisplay display(std::cout, terminal, width);
      if (!watcher.noProgress) watcher.progress = &display;
      client.OnServerMessage([&](const Json& message) { return watcher.Handle(message); });
      const Json server = client.Call("create", {{"class", "clsZERUredoz"}});
      // Only a watcher that answers listens synchronously: a plain one, stopped or slow, must not
      // hold up the requests of the editor.
      const bool listen = !watcher.acknowledge && !watcher.prompts;
      client.Call("advise", {{"handle", server.at("$handle")}, {"prompts", watcher.prompts}, {"listen", listen}});
      if (!watcher.noProgress) client.Call("watchProgress", {{"enabled", true}});
      while (interrupted == 0 && (watcher.count == 0 || watcher.seen < watcher.count)) {
        if (!client.ServeOne(std::chrono::milliseconds(200)) && client.Lines().Closed()) break;
      }
    }
  } catch (const vze::RpcError& error) {
    std::cerr << "vze: error " << error.Code() << ": " << error.what();
    if (error.Data().is_object() && error.Data().contains("source")) std::cerr << " (" << error.Data()["source"].get<std::string>() << ")";
    std::cerr << "\n";
    return 1;
  } catch (const std::exception& error) {
    std::cerr << "vze: " << error.what() << "\n";
    return 3;
  }
  return 0;
}
