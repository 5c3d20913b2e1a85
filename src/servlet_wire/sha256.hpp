#pragma once
// SHA-256 digests (OpenSSL EVP) in lower-case hex: files travel with one in X-Content-SHA256.
#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace vz::servlet_wire {

// Incremental digest, for bodies that arrive or leave in pieces.
class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;
  void Update(const void* data, std::size_t size);
  std::string FinishHex();

 private:
  struct Context;
  std::unique_ptr<Context> context_;
};

std::string Sha256Hex(std::string_view bytes);
// The digest of a file, read in blocks; empty when the file cannot be read.
std::string Sha256HexOfFile(const std::filesystem::path& path);

}  // namespace vz::servlet_wire
