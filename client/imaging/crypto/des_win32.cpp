// Single DES on Windows: CNG (bcrypt) where it offers DES, which every
// Windows since Vista does; otherwise the older CryptoAPI provider, which
// Wine offers where its CNG lacks DES, so the Windows build also runs there.
#include <windows.h>
#include <bcrypt.h>
#include <wincrypt.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <vector>

#include "client/imaging/crypto/des_backend.hpp"

namespace kavorin::crypto::backend {
namespace {

// Opened once and kept for the life of the process; both kinds of handle may
// be shared between threads. Keys are made per call.
BCRYPT_ALG_HANDLE cng_des = nullptr;
HCRYPTPROV capi_provider = 0;

std::string Failure(const char* call, unsigned long code, const char* kind) {
  char text[128];
  std::snprintf(text, sizeof text, "%s failed: %s 0x%08lX", call, kind, code);
  return text;
}

std::string LoadCng() {
  NTSTATUS status = BCryptOpenAlgorithmProvider(&cng_des, BCRYPT_DES_ALGORITHM, nullptr, 0);
  if (!BCRYPT_SUCCESS(status)) {
    cng_des = nullptr;
    return Failure("BCryptOpenAlgorithmProvider(DES)", static_cast<unsigned long>(status), "NTSTATUS");
  }
  status = BCryptSetProperty(cng_des, BCRYPT_CHAINING_MODE,
                             reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(BCRYPT_CHAIN_MODE_ECB)),
                             sizeof(BCRYPT_CHAIN_MODE_ECB), 0);
  if (!BCRYPT_SUCCESS(status)) {
    BCryptCloseAlgorithmProvider(cng_des, 0);
    cng_des = nullptr;
    return Failure("BCryptSetProperty(ECB)", static_cast<unsigned long>(status), "NTSTATUS");
  }
  return {};
}

std::string LoadCryptoApi() {
  if (!CryptAcquireContextA(&capi_provider, nullptr, MS_ENHANCED_PROV_A, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) {
    capi_provider = 0;
    return Failure("CryptAcquireContext(MS_ENHANCED_PROV)", GetLastError(), "error");
  }
  return {};
}

int CngEcb(bool encrypt, const DesKey& key, const std::uint8_t* in, std::uint8_t* out, ULONG size) {
  BCRYPT_KEY_HANDLE handle = nullptr;
  NTSTATUS status = BCryptGenerateSymmetricKey(cng_des, &handle, nullptr, 0, const_cast<PUCHAR>(key.data()),
                                               static_cast<ULONG>(key.size()), 0);
  if (!BCRYPT_SUCCESS(status)) {
    SetLastError(Failure("BCryptGenerateSymmetricKey", static_cast<unsigned long>(status), "NTSTATUS"));
    return kDesFailed;
  }
  ULONG written = 0;
  // No padding flag: padding is des.cpp's. CNG allows in == out.
  status = encrypt ? BCryptEncrypt(handle, const_cast<PUCHAR>(in), size, nullptr, nullptr, 0, out, size, &written, 0)
                   : BCryptDecrypt(handle, const_cast<PUCHAR>(in), size, nullptr, nullptr, 0, out, size, &written, 0);
  BCryptDestroyKey(handle);
  if (!BCRYPT_SUCCESS(status) || written != size) {
    SetLastError(Failure(encrypt ? "BCryptEncrypt" : "BCryptDecrypt", static_cast<unsigned long>(status), "NTSTATUS"));
    return kDesFailed;
  }
  return kDesOk;
}

int CryptoApiEcb(bool encrypt, const DesKey& key, const std::uint8_t* in, std::uint8_t* out, DWORD size) {
  struct {
    BLOBHEADER header;
    DWORD length;
    BYTE key[8];
  } blob{};
  blob.header.bType = PLAINTEXTKEYBLOB;
  blob.header.bVersion = CUR_BLOB_VERSION;
  blob.header.aiKeyAlg = CALG_DES;
  blob.length = static_cast<DWORD>(key.size());
  std::memcpy(blob.key, key.data(), key.size());
  HCRYPTKEY handle = 0;
  if (!CryptImportKey(capi_provider, reinterpret_cast<const BYTE*>(&blob), sizeof blob, 0, 0, &handle)) {
    SetLastError(Failure("CryptImportKey(DES)", GetLastError(), "error"));
    return kDesFailed;
  }
  DWORD mode = CRYPT_MODE_ECB;
  if (!CryptSetKeyParam(handle, KP_MODE, reinterpret_cast<const BYTE*>(&mode), 0)) {
    SetLastError(Failure("CryptSetKeyParam(ECB)", GetLastError(), "error"));
    CryptDestroyKey(handle);
    return kDesFailed;
  }
  if (out != in) std::memmove(out, in, size);
  // Final = FALSE: no padding is added or removed; padding is des.cpp's.
  DWORD length = size;
  const BOOL done = encrypt ? CryptEncrypt(handle, 0, FALSE, 0, out, &length, size)
                            : CryptDecrypt(handle, 0, FALSE, 0, out, &length);
  const DWORD error = GetLastError();
  CryptDestroyKey(handle);
  if (!done || length != size) {
    SetLastError(Failure(encrypt ? "CryptEncrypt" : "CryptDecrypt", error, "error"));
    return kDesFailed;
  }
  return kDesOk;
}

}  // namespace

DesStatus Load() {
  const std::string cng = LoadCng();
  if (cng.empty()) return {};
  const std::string capi = LoadCryptoApi();
  if (capi.empty()) return {};
  return {kDesUnavailable, "no DES on this system: " + cng + "; " + capi};
}

int Ecb(bool encrypt, const DesKey& key, const std::uint8_t* in, std::uint8_t* out, std::size_t length) {
  if (length > ULONG_MAX) {
    SetLastError("DES: input too long for one Windows crypto call");
    return kDesFailed;
  }
  const auto size = static_cast<ULONG>(length);
  return cng_des != nullptr ? CngEcb(encrypt, key, in, out, size) : CryptoApiEcb(encrypt, key, in, out, size);
}

}  // namespace kavorin::crypto::backend
