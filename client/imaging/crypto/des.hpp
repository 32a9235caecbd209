#pragma once
// Single DES (FIPS 46-3), the one cipher the client library and the web
// control speak: one-block decryption for signature keys and images, and
// ECB with PKCS#5 padding for the control's text encryption.
//
// The key is 8 bytes; the low bit of each byte (parity) is ignored, as the
// standard prescribes, so keys that differ only in parity are the same key.
// The cipher itself comes from a platform backend (OpenSSL libcrypto on
// Linux, Windows CNG on Windows); everything above the raw block operation,
// padding included, lives here so that both builds behave byte for byte alike.
//
// No function throws. Results are the codes below.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kavorin::crypto {

inline constexpr std::size_t kDesBlockSize = 8;
using DesKey = std::array<std::uint8_t, 8>;
using DesBlock = std::array<std::uint8_t, 8>;

enum DesResult : int {
  kDesOk = 0,
  // The platform offers no single DES (on Linux: OpenSSL's "legacy" provider
  // cannot be loaded). DesAvailability() says why.
  kDesUnavailable = -1,
  // Input that is not a whole number of blocks where whole blocks are needed,
  // or an output span of the wrong size.
  kDesBadLength = -2,
  // The last block of a PKCS#5 cipher text carries no valid padding.
  kDesBadPadding = -3,
  // The backend refused an operation after it had loaded;
  // DesLastErrorMessage() names the call.
  kDesFailed = -4,
};

struct DesStatus {
  int code = kDesOk;
  std::string message;  // empty when code is kDesOk
};

// Loads the backend on first use (thread-safe, once per process) and reports
// whether DES can be used here, and if not, which component is missing.
const DesStatus& DesAvailability();

// The message of the last failure in this process (the library keeps no
// per-thread storage): which platform call failed and the platform's own
// error text.
std::string DesLastErrorMessage();

// Raw ECB over whole blocks: `in` and `out` have the same size, a multiple of
// 8 (zero is allowed); they may be the same memory.
int DesEcbEncrypt(const DesKey& key, std::span<const std::uint8_t> in, std::span<std::uint8_t> out);
int DesEcbDecrypt(const DesKey& key, std::span<const std::uint8_t> in, std::span<std::uint8_t> out);

inline int DesDecryptBlock(const DesKey& key, const DesBlock& in, DesBlock& out) {
  return DesEcbDecrypt(key, in, out);
}
inline int DesEncryptBlock(const DesKey& key, const DesBlock& in, DesBlock& out) {
  return DesEcbEncrypt(key, in, out);
}

// ECB with PKCS#5 padding: 1 to 8 pad bytes, each holding the pad length, so
// a plain text of whole blocks gains one full block of 0x08.
int DesEcbPkcs5Encrypt(const DesKey& key, std::span<const std::uint8_t> plain, std::vector<std::uint8_t>& cipher);

// Decrypts and removes the padding. On kDesBadLength or kDesBadPadding,
// `plain` still holds what decrypted cleanly before the last block (all whole
// blocks of a text of the wrong length; all but the last block of a text with
// bad padding), which is what callers that do not report the failure show.
int DesEcbPkcs5Decrypt(const DesKey& key, std::span<const std::uint8_t> cipher, std::vector<std::uint8_t>& plain);

}  // namespace kavorin::crypto
