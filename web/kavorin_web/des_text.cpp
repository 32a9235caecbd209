#include "web/kavorin_web/des_text.hpp"

#include <algorithm>
#include <vector>

#include "client/imaging/crypto/des.hpp"
#include "common/base64.hpp"

namespace kavorin::web {
namespace {

constexpr crypto::DesKey kTextKey = {'Q', 'M', 'V', 'T', 'a', 'l', 'i', 'n'};

}  // namespace

std::string DesEncryptBase64(std::string_view plain) {
  if (plain.size() > kMostPlainBytes) return {};
  std::vector<std::uint8_t> cipher;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(plain.data());
  if (crypto::DesEcbPkcs5Encrypt(kTextKey, std::span(bytes, plain.size()), cipher) != crypto::kDesOk) return {};
  return Base64Encode(cipher);
}

std::string DesDecryptBase64(std::string_view cipher) {
  if (cipher.size() > kMostCipherChars) return {};
  const std::vector<std::uint8_t> bytes = Base64Decode(cipher);
  std::vector<std::uint8_t> plain;
  const int result = crypto::DesEcbPkcs5Decrypt(kTextKey, bytes, plain);
  if (result != crypto::kDesOk && result != crypto::kDesBadLength && result != crypto::kDesBadPadding) return {};
  const auto end = std::find(plain.begin(), plain.end(), std::uint8_t{0});
  return std::string(plain.begin(), end);
}

}  // namespace kavorin::web
