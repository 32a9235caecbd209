#include "client/imaging/crypto/des.hpp"

#include <algorithm>
#include <mutex>

#include "client/imaging/crypto/des_backend.hpp"

namespace kavorin::crypto {
namespace {

// Process-wide, not per thread: the library this lives in is unloaded by
// POS programs, and thread storage of an unloaded library dangles.
std::mutex last_error_mutex;
std::string last_error;

void SetLastErrorText(std::string message) {
  std::lock_guard<std::mutex> lock(last_error_mutex);
  last_error = std::move(message);
}

int RunEcb(bool encrypt, const DesKey& key, std::span<const std::uint8_t> in, std::span<std::uint8_t> out) {
  if (in.size() % kDesBlockSize != 0 || out.size() != in.size()) {
    SetLastErrorText("DES: input of " + std::to_string(in.size()) +
                     " bytes is not whole blocks or does not fit the output");
    return kDesBadLength;
  }
  const DesStatus& status = DesAvailability();
  if (status.code != kDesOk) {
    SetLastErrorText(status.message);
    return status.code;
  }
  if (in.empty()) return kDesOk;
  return backend::Ecb(encrypt, key, in.data(), out.data(), in.size());
}

}  // namespace

namespace backend {
void SetLastError(std::string message) { SetLastErrorText(std::move(message)); }
}  // namespace backend

const DesStatus& DesAvailability() {
  static const DesStatus status = backend::Load();
  return status;
}

std::string DesLastErrorMessage() {
  std::lock_guard<std::mutex> lock(last_error_mutex);
  return last_error;
}

int DesEcbEncrypt(const DesKey& key, std::span<const std::uint8_t> in, std::span<std::uint8_t> out) {
  return RunEcb(true, key, in, out);
}

int DesEcbDecrypt(const DesKey& key, std::span<const std::uint8_t> in, std::span<std::uint8_t> out) {
  return RunEcb(false, key, in, out);
}

int DesEcbPkcs5Encrypt(const DesKey& key, std::span<const std::uint8_t> plain, std::vector<std::uint8_t>& cipher) {
  const std::size_t pad = kDesBlockSize - plain.size() % kDesBlockSize;
  cipher.assign(plain.begin(), plain.end());
  cipher.insert(cipher.end(), pad, static_cast<std::uint8_t>(pad));
  const int result = RunEcb(true, key, cipher, cipher);
  if (result != kDesOk) cipher.clear();
  return result;
}

int DesEcbPkcs5Decrypt(const DesKey& key, std::span<const std::uint8_t> cipher, std::vector<std::uint8_t>& plain) {
  const std::size_t whole = cipher.size() - cipher.size() % kDesBlockSize;
  plain.assign(cipher.begin(), cipher.begin() + static_cast<std::ptrdiff_t>(whole));
  const int result = RunEcb(false, key, plain, plain);
  if (result != kDesOk) {
    plain.clear();
    return result;
  }
  if (whole != cipher.size() || whole == 0) {
    SetLastErrorText("DES: cipher text of " + std::to_string(cipher.size()) + " bytes is not whole blocks");
    return kDesBadLength;
  }
  const std::uint8_t pad = plain.back();
  const bool padding_ok = pad >= 1 && pad <= kDesBlockSize &&
                          std::all_of(plain.end() - pad, plain.end(), [pad](std::uint8_t b) { return b == pad; });
  if (!padding_ok) {
    plain.resize(whole - kDesBlockSize);
    SetLastErrorText("DES: the last block carries no valid PKCS#5 padding");
    return kDesBadPadding;
  }
  plain.resize(whole - pad);
  return kDesOk;
}

}  // namespace kavorin::crypto
