// Single DES over OpenSSL libcrypto's EVP interface.
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/opensslv.h>
#if OPENSSL_VERSION_MAJOR >= 3
#include <openssl/provider.h>
#endif

#include <algorithm>
#include <climits>
#include <memory>

#include "client/imaging/crypto/des_backend.hpp"

namespace kavorin::crypto::backend {
namespace {

// Fetched once and kept for the life of the process; EVP_CIPHER objects are
// safe to share between threads.
const EVP_CIPHER* des_ecb = nullptr;

std::string OpenSslFailure(const std::string& call) {
  const unsigned long code = ERR_get_error();
  ERR_clear_error();
  if (code == 0) return call + " failed";
  char text[256];
  ERR_error_string_n(code, text, sizeof text);
  return call + " failed: " + text;
}

struct ContextFree {
  void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};

}  // namespace

DesStatus Load() {
#if OPENSSL_VERSION_MAJOR >= 3
  // OpenSSL 3 moved single DES to the "legacy" provider. Loading a provider
  // by hand stops the "default" one from loading by itself, so both are
  // loaded. Neither is ever unloaded: other code in the process (the web
  // control) uses the same library context.
  if (OSSL_PROVIDER_load(nullptr, "legacy") == nullptr) {
    return {kDesUnavailable,
            OpenSslFailure("OSSL_PROVIDER_load(\"legacy\")") +
                "; single DES needs the OpenSSL \"legacy\" provider (ossl-modules/legacy.so, or OPENSSL_MODULES)"};
  }
  if (OSSL_PROVIDER_load(nullptr, "default") == nullptr) {
    return {kDesUnavailable, OpenSslFailure("OSSL_PROVIDER_load(\"default\")") +
                                 "; the OpenSSL \"default\" provider is missing"};
  }
  des_ecb = EVP_CIPHER_fetch(nullptr, "DES-ECB", nullptr);
  if (des_ecb == nullptr) return {kDesUnavailable, OpenSslFailure("EVP_CIPHER_fetch(\"DES-ECB\")")};
#else
  des_ecb = EVP_des_ecb();
  if (des_ecb == nullptr) return {kDesUnavailable, OpenSslFailure("EVP_des_ecb")};
#endif
  return {};
}

int Ecb(bool encrypt, const DesKey& key, const std::uint8_t* in, std::uint8_t* out, std::size_t length) {
  const std::unique_ptr<EVP_CIPHER_CTX, ContextFree> context(EVP_CIPHER_CTX_new());
  if (!context) {
    SetLastError(OpenSslFailure("EVP_CIPHER_CTX_new"));
    return kDesFailed;
  }
  if (EVP_CipherInit_ex(context.get(), des_ecb, nullptr, key.data(), nullptr, encrypt ? 1 : 0) != 1) {
    SetLastError(OpenSslFailure("EVP_CipherInit_ex"));
    return kDesFailed;
  }
  // Padding is ours (des.cpp), so that every backend pads alike.
  EVP_CIPHER_CTX_set_padding(context.get(), 0);
  constexpr std::size_t kChunk = std::size_t{1} << 20;  // EVP lengths are int
  while (length > 0) {
    const std::size_t part = std::min(length, kChunk);
    int written = 0;
    if (EVP_CipherUpdate(context.get(), out, &written, in, static_cast<int>(part)) != 1 ||
        static_cast<std::size_t>(written) != part) {
      SetLastError(OpenSslFailure("EVP_CipherUpdate"));
      return kDesFailed;
    }
    in += part;
    out += part;
    length -= part;
  }
  return kDesOk;
}

}  // namespace kavorin::crypto::backend
