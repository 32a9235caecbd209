// Single DES over Windows CNG (bcrypt), present since Windows Vista.
#include <windows.h>
#include <bcrypt.h>

#include <climits>
#include <cstdio>

#include "client/imaging/crypto/des_backend.hpp"

namespace kavorin::crypto::backend {
namespace {

// Opened once and kept for the life of the process; CNG algorithm handles
// may be shared between threads.
BCRYPT_ALG_HANDLE des_algorithm = nullptr;

std::string CngFailure(const char* call, NTSTATUS status) {
  char text[96];
  std::snprintf(text, sizeof text, "%s failed: NTSTATUS 0x%08lX", call, static_cast<unsigned long>(status));
  return text;
}

}  // namespace

DesStatus Load() {
  NTSTATUS status = BCryptOpenAlgorithmProvider(&des_algorithm, BCRYPT_DES_ALGORITHM, nullptr, 0);
  if (!BCRYPT_SUCCESS(status)) {
    des_algorithm = nullptr;
    return {kDesUnavailable, CngFailure("BCryptOpenAlgorithmProvider(DES)", status)};
  }
  status = BCryptSetProperty(des_algorithm, BCRYPT_CHAINING_MODE,
                             reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(BCRYPT_CHAIN_MODE_ECB)),
                             sizeof(BCRYPT_CHAIN_MODE_ECB), 0);
  if (!BCRYPT_SUCCESS(status)) {
    BCryptCloseAlgorithmProvider(des_algorithm, 0);
    des_algorithm = nullptr;
    return {kDesUnavailable, CngFailure("BCryptSetProperty(ECB)", status)};
  }
  return {};
}

int Ecb(bool encrypt, const DesKey& key, const std::uint8_t* in, std::uint8_t* out, std::size_t length) {
  if (length > ULONG_MAX) {
    SetLastError("DES: input too long for CNG");
    return kDesFailed;
  }
  BCRYPT_KEY_HANDLE handle = nullptr;
  NTSTATUS status = BCryptGenerateSymmetricKey(des_algorithm, &handle, nullptr, 0,
                                               const_cast<PUCHAR>(key.data()), static_cast<ULONG>(key.size()), 0);
  if (!BCRYPT_SUCCESS(status)) {
    SetLastError(CngFailure("BCryptGenerateSymmetricKey", status));
    return kDesFailed;
  }
  ULONG written = 0;
  const auto size = static_cast<ULONG>(length);
  // No padding flag: padding is ours (des.cpp). CNG allows in == out.
  status = encrypt ? BCryptEncrypt(handle, const_cast<PUCHAR>(in), size, nullptr, nullptr, 0, out, size, &written, 0)
                   : BCryptDecrypt(handle, const_cast<PUCHAR>(in), size, nullptr, nullptr, 0, out, size, &written, 0);
  BCryptDestroyKey(handle);
  if (!BCRYPT_SUCCESS(status) || written != size) {
    SetLastError(CngFailure(encrypt ? "BCryptEncrypt" : "BCryptDecrypt", status));
    return kDesFailed;
  }
  return kDesOk;
}

}  // namespace kavorin::crypto::backend
