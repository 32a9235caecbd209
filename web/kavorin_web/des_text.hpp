#pragma once
// Text encryption for pages: single DES, ECB, PKCS#5 padding, under the
// control's fixed key, the cipher text carried as base64.
#include <cstddef>
#include <string>
#include <string_view>

namespace kavorin::web {

// The longest plain text whose base64 cipher text still fits the 4096-byte
// text a page gets back (with its terminating zero), and the longest base64
// text taken for decryption. Longer input is refused: the result is empty.
inline constexpr std::size_t kMostPlainBytes = 3063;
inline constexpr std::size_t kMostCipherChars = 4095;

// Encrypts the CP949 bytes of `plain`; the base64 cipher text. Empty when
// the text is too long or DES is not available here.
std::string DesEncryptBase64(std::string_view plain);

// Decodes `cipher` (stopping at the first character outside the base64
// alphabet), decrypts and unpads it; the plain bytes up to the first zero
// byte. A cipher text of the wrong length or with bad padding gives what
// decrypted before its last block; nothing is reported.
std::string DesDecryptBase64(std::string_view cipher);

}  // namespace kavorin::web
