#include "simulator/tls_identity.hpp"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <stdexcept>

namespace vz::simulator {
namespace {

template <class T, void (*Free)(T*)>
struct Deleter {
  void operator()(T* pointer) const { Free(pointer); }
};
using Key = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY, EVP_PKEY_free>>;
using Certificate = std::unique_ptr<X509, Deleter<X509, X509_free>>;
using Memory = std::unique_ptr<BIO, Deleter<BIO, BIO_free_all>>;
using Extension = std::unique_ptr<X509_EXTENSION, Deleter<X509_EXTENSION, X509_EXTENSION_free>>;

void Check(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(std::string("cannot make the TLS identity: ") + what);
}

std::string ToPem(const std::function<int(BIO*)>& write) {
  Memory memory(BIO_new(BIO_s_mem()));
  Check(memory && write(memory.get()) == 1, "PEM writing failed");
  char* data = nullptr;
  const long length = BIO_get_mem_data(memory.get(), &data);
  return std::string(data, static_cast<std::size_t>(length));
}

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

}  // namespace

TlsIdentity MakeSelfSignedIdentity() {
  Key key(EVP_EC_gen("P-256"));
  Check(key != nullptr, "key generation failed");
  Certificate certificate(X509_new());
  Check(certificate != nullptr, "X509_new failed");
  X509_set_version(certificate.get(), 2);
  ASN1_INTEGER_set(X509_get_serialNumber(certificate.get()), 1);
  X509_gmtime_adj(X509_getm_notBefore(certificate.get()), -3600);
  X509_gmtime_adj(X509_getm_notAfter(certificate.get()), 60L * 60 * 24 * 365);
  X509_set_pubkey(certificate.get(), key.get());
  X509_NAME* name = X509_get_subject_name(certificate.get());
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("localhost"), -1, -1, 0);
  X509_set_issuer_name(certificate.get(), name);
  X509V3_CTX context;
  X509V3_set_ctx_nodb(&context);
  X509V3_set_ctx(&context, certificate.get(), certificate.get(), nullptr, nullptr, 0);
  for (const auto& [id, value] : {std::pair{NID_subject_alt_name, "DNS:localhost,IP:127.0.0.1"}, std::pair{NID_basic_constraints, "critical,CA:TRUE"}}) {
    Extension extension(X509V3_EXT_conf_nid(nullptr, &context, id, value));
    Check(extension && X509_add_ext(certificate.get(), extension.get(), -1) == 1, "extension failed");
  }
  Check(X509_sign(certificate.get(), key.get(), EVP_sha256()) > 0, "signing failed");
  return TlsIdentity{ToPem([&](BIO* out) { return PEM_write_bio_X509(out, certificate.get()); }),
                     ToPem([&](BIO* out) { return PEM_write_bio_PrivateKey(out, key.get(), nullptr, nullptr, 0, nullptr, nullptr); })};
}

TlsIdentity ReadTlsIdentity(const std::filesystem::path& certificate, const std::filesystem::path& privateKey) {
  return TlsIdentity{ReadAll(certificate), ReadAll(privateKey)};
}

}  // namespace vz::simulator
