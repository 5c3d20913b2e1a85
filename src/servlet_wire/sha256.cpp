#include "servlet_wire/sha256.hpp"

#include <openssl/evp.h>

#include <array>
#include <cstdio>
#include <stdexcept>

namespace vz::servlet_wire {

struct Sha256::Context {
  EVP_MD_CTX* md = nullptr;
};

Sha256::Sha256() : context_(std::make_unique<Context>()) {
  context_->md = EVP_MD_CTX_new();
  if (context_->md == nullptr || EVP_DigestInit_ex(context_->md, EVP_sha256(), nullptr) != 1) {
    EVP_MD_CTX_free(context_->md);
    throw std::runtime_error("SHA-256 is not available");
  }
}

Sha256::~Sha256() { EVP_MD_CTX_free(context_->md); }

void Sha256::Update(const void* data, std::size_t size) { EVP_DigestUpdate(context_->md, data, size); }

std::string Sha256::FinishHex() {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_DigestFinal_ex(context_->md, digest, &length);
  static const char kHex[] = "0123456789abcdef";
  std::string hex;
  for (unsigned int i = 0; i < length; ++i) {
    hex += kHex[digest[i] >> 4];
    hex += kHex[digest[i] & 15];
  }
  return hex;
}

std::string Sha256Hex(std::string_view bytes) {
  Sha256 digest;
  digest.Update(bytes.data(), bytes.size());
  return digest.FinishHex();
}

std::string Sha256HexOfFile(const std::filesystem::path& path) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!file) return "";
  Sha256 digest;
  std::array<char, 1 << 16> block;
  std::size_t got = 0;
  while ((got = std::fread(block.data(), 1, block.size(), file.get())) > 0) digest.Update(block.data(), got);
  if (std::ferror(file.get())) return "";
  return digest.FinishHex();
}

}  // namespace vz::servlet_wire
