// institution-sim: serves the servlets of one or more institutions over HTTP or HTTPS for tests,
// benchmarks and the demo (docs/servlet-protocol.md). Runs until SIGINT or SIGTERM.
#include <CLI/CLI.hpp>

#include <boost/asio/io_context.hpp>
#include <boost/asio/signal_set.hpp>

#include <cstdlib>
#include <fstream>
#include <iostream>

#include "simulator/simulator_server.hpp"

namespace {

using vz::simulator::InstitutionConfig;

// "name,directory,locationID,login,password"
bool ParseInstitution(const std::string& text, InstitutionConfig& config) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (true) {
    const auto comma = text.find(',', start);
    parts.push_back(text.substr(start, comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  if (parts.size() != 5) return false;
  config.name = parts[0];
  config.directory = parts[1];
  try {
    config.locationID = std::stoi(parts[2]);
  } catch (const std::exception&) {
    return false;
  }
  config.login = parts[3];
  config.password = parts[4];
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"institution-sim: plays institutions' servlets (work queue, audio, texts, uploads, login) with fault injection"};
  std::string address = "127.0.0.1";
  unsigned short port = 0;
  std::string dataFolder;
  std::string certificate;
  std::string privateKey;
  std::string writeCertificate;
  bool selfSigned = false;
  int dictations = 5;
  int seconds = 10;
  int sampleRate = 8000;
  std::vector<std::string> institutions;
  std::vector<std::string> faults;
  bool verbose = false;
  int latencyMs = 0;
  std::string bandwidth;
  app.add_option("--address", address, "address to listen on")->capture_default_str();
  app.add_option("-p,--port", port, "port to listen on (0: any free port, printed at start)")->capture_default_str();
  app.add_option("-d,--data", dataFolder, "data folder: each institution's queue/ (audio Local_<id>.pcm, texts), incoming/ and uploads/; "
                                          "a queue without audio is generated")->required();
  app.add_option("-n,--dictations", dictations, "dictations to generate per institution")->capture_default_str();
  app.add_option("--seconds", seconds, "seconds of audio per generated dictation")->capture_default_str();
  app.add_option("--sample-rate", sampleRate, "sample rate of generated audio")->capture_default_str();
  app.add_option("--institution", institutions,
                 "an institution as name,directory,locationID,login,password (repeatable; default: North Clinic,north,3,jdoe,secret)");
  app.add_option("--tls-cert", certificate, "serve HTTPS with this PEM certificate chain")->check(CLI::ExistingFile);
  app.add_option("--tls-key", privateKey, "the PEM private key of --tls-cert")->check(CLI::ExistingFile);
  app.add_flag("--tls-self-signed", selfSigned, "serve HTTPS with a certificate made at start (localhost, 127.0.0.1)");
  app.add_option("--write-certificate", writeCertificate, "write the served certificate to this file (a CA file for clients)");
  app.add_option("-f,--fault", faults,
                 "inject a fault: <call>:<fault>[:after=k][:times=n][:utterance=id][:message=text]; calls: ping info login workqueue download "
                 "text upload commit sourcecontrol lockedlist lists templatetime templatelist dictionaries headers "
                 "compressedlists contacts contactchanges patientsearch hl7search onlinesearch dictationsearch "
                 "templatefiles dictionaryfiles, and those of the dictation operations and QA (docs/servlet-protocol.md, section 7), "
                 "or all of them: all; faults: delay=<ms> (think time), drop, status=<code>, checksum, digest, credentials, "
                 "lose (done, then closed unanswered), "
                 "latency=<ms> (one more round trip), bandwidth=<rate> (the answer's own rate), cut=<bytes> (close the "
                 "connection after that many bytes of the body). Example: download:drop:after=2");
  app.add_option("--latency", latencyMs,
                 "round trip added to every turn of a connection: its set-up, each TLS handshake flight, each exchange")
      ->type_name("MS")
      ->check(CLI::Range(0, 60000))
      ->capture_default_str();
  app.add_option("--bandwidth", bandwidth,
                 "each institution's link, each way, shared by all connections to it, in bits per second: 100Mbit, 512kbit, 1Gbit")
      ->type_name("RATE");
  app.add_flag("-v,--verbose", verbose, "print one line per request (never passwords)");
  CLI11_PARSE(app, argc, argv);

  vz::simulator::SimulatorConfig config;
  config.dataFolder = dataFolder;
  config.network.latency = std::chrono::milliseconds(latencyMs);
  if (!bandwidth.empty()) {
    config.network.bytesPerSecond = vz::simulator::ParseRate(bandwidth);
    if (!config.network.bytesPerSecond) {
      std::cerr << "institution-sim: bad --bandwidth " << bandwidth << ": a rate reads like 100Mbit, 512kbit or 1Gbit\n";
      return 2;
    }
  }
  config.address = address;
  config.port = port;
  if (!institutions.empty()) config.institutions.clear();
  for (const std::string& text : institutions) {
    InstitutionConfig institution;
    if (!ParseInstitution(text, institution)) {
      std::cerr << "institution-sim: bad --institution " << text << "\n";
      return 2;
    }
    config.institutions.push_back(institution);
  }
  for (InstitutionConfig& institution : config.institutions) {
    institution.dictations = dictations;
    institution.secondsOfAudio = seconds;
    institution.sampleRate = sampleRate;
  }
  if (certificate.empty() != privateKey.empty()) {
    std::cerr << "institution-sim: --tls-cert and --tls-key go together\n";
    return 2;
  }
  try {
    if (!certificate.empty()) config.tls = vz::simulator::ReadTlsIdentity(certificate, privateKey);
    else if (selfSigned) config.tls = vz::simulator::MakeSelfSignedIdentity();
    if (!writeCertificate.empty() && config.tls) std::ofstream(writeCertificate) << config.tls->certificatePem;

    vz::simulator::InstitutionSimulator simulator(config);
    for (const std::string& text : faults) {
      const auto parsed = vz::simulator::ParseFault(text);
      if (!parsed.problem.empty()) {
        std::cerr << "institution-sim: bad --fault " << text << ": " << parsed.problem << "\n";
        return 2;
      }
      simulator.Faults().Set(parsed.callKind, parsed.fault);
    }
    if (verbose) simulator.GetServlets().SetLog([](const std::string& line) { std::cout << line << std::endl; });

    boost::asio::io_context context;
    simulator.Start(context);
    std::cout << "institution-sim listening on " << simulator.BaseURL() << "\n";
    std::cout << "  information servlet: " << simulator.InformationURL() << "\n";
    for (const InstitutionConfig& institution : config.institutions)
      std::cout << "  " << institution.name << ": " << simulator.ServletURL(institution.directory) << " (login " << institution.login << ")\n";
    std::cout << std::flush;
    boost::asio::signal_set signals(context, SIGINT, SIGTERM);
    signals.async_wait([&](const boost::system::error_code&, int) {
      simulator.Stop();
      context.stop();
    });
    context.run();
  } catch (const std::exception& failure) {
    std::cerr << "institution-sim: " << failure.what() << "\n";
    return 1;
  }
  return 0;
}
