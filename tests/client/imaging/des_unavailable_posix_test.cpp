// Runs with OpenSSL pointed at a module folder without providers, as on a
// machine where the "legacy" module was not installed.
#include <gtest/gtest.h>

#include <cstdlib>

#include "client/imaging/crypto/des.hpp"
#include "client/imaging/sign_bitmap.hpp"

namespace kavorin {
namespace {

TEST(DesUnavailable, SaysWhichProviderIsMissingAndSignDataFailsWithItsOwnCode) {
  ::setenv("OPENSSL_MODULES", "/nonexistent-kavorin-modules", 1);

  const crypto::DesStatus& status = crypto::DesAvailability();
  EXPECT_EQ(status.code, crypto::kDesUnavailable);
  EXPECT_NE(status.message.find("\"legacy\""), std::string::npos) << status.message;

  crypto::DesBlock out{};
  EXPECT_EQ(crypto::DesDecryptBlock({}, {}, out), crypto::kDesUnavailable);

  std::vector<std::string> lines;
  imaging::SignBitmapFile bitmap{};
  const imaging::SignBmpRequest request{"01", "", "9410123456789012", "", "0000000000000000", "", ""};
  EXPECT_EQ(imaging::MakeSignBitmap(request, bitmap, [&lines](const std::string& line) { lines.push_back(line); }),
            imaging::kSignBmpNoCipher);
  ASSERT_EQ(lines.size(), 4u);
  // "DES 사용 불가=[...]" with the backend's message.
  EXPECT_EQ(lines[3], "[KAVORIN_SignDataToBMP]DES \xbb\xe7\xbf\xeb\x20\xba\xd2\xb0\xa1=[" + status.message + "]");
}

}  // namespace
}  // namespace kavorin
