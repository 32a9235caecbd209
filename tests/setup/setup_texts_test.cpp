#include "setup/setup_texts.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <span>

#include "common/hex.hpp"

namespace kavorin::setup {
namespace {

std::string Hex(const std::string& text) {
  return BytesToHexUpper(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}
std::string Upper(std::string hex) {
  for (char& c : hex) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return hex;
}

// Every text the user sees, as CP949 bytes.
TEST(SetupTexts, AreTheirCp949Bytes) {
  const std::string failedTail =
      "bbe7bfebc1dfc0ce20c0a520baeab6f3bfecc0fa20b6c7b4c220c7c1b7ceb1d7b7a5c0bb20b8f0b5ce20c1beb7e1c7cfbdc5c8c420b4d9bd"
      "c320bcb3c4a1c7cfbfa920c1d6bdc3b1e220b9d9b6f8b4cfb4d92e";
  const std::string removeTail =
      "bbe7bfebc1dfc0ce20c0a520baeab6f3bfecc0fa20b6c7b4c220c7c1b7ceb1d7b7a5c0bb20b8f0b5ce20c1beb7e120c7cfbdc520c8c420b4"
      "d9bdc320c1a6b0c520c7cfbfa920c1d6bdc3b1e220b9d9b6f8b4cfb4d92e";
  const struct {
    std::string (*text)();
    std::string hex;
  } rows[] = {
      {SetupCancelledText,
       "5a454c4b3457656220c7c1b7ceb1d7b7a520bcb3c4a1b8a620c1dfc1f620c7cfbfb4bdc0b4cfb4d92e"},
      {SetupCancelledCaption, "5a454c4b3457656220bcb3c4a1"},
      {SetupDoneText,
       "5a454c4b3457656220c7c1b7ceb1d7b7a5c0c720bcb3c4a1b0a120bfcfb7e120b5c7befabdc0b4cfb4d92e"},
      {SetupFailedText,
       "5a454c4b3457656220c7c1b7ceb1d7b7a5c0bb20bcb3c4a120c7d220bcf620bef8bdc0b4cfb4d92e0d0a0d0a" + failedTail},
      {SetupResultCaption, "5a454c4b3457656220c7c1b7ceb1d7b7a520bcb3c4a1"},
      {UninstallDoneText,
       "5a454c4b3457656220c7c1b7ceb1d7b7a520c1a6b0c5b0a120bfcfb7e120b5c7befabdc0b4cfb4d92e"},
      {UninstallFailedText,
       "5a454c4b3457656220c7c1b7ceb1d7b7a520c1a6b0c520c7d220bcf620bef8bdc0b4cfb4d92e0d0a0d0a" + removeTail},
      {UninstallResultCaption, "5a454c4b3457656220c7c1b7ceb1d7b7a520c1a6b0c5"},
      {TerminalNumberText,
       "b4dcb8bbb1e2b9f8c8a3b0a120bcb3c1a4b5c7c1f620becabed2b0c5b3aa20c0dfb8f8c0d4b7c220b5c7befabdc0b4cfb4d92e20bcb3c4"
       "a120c8c420696e6920c6c4c0cfbfa120bcf6b1e2c0d4b7c220c7d8c1d6bcbcbfe42e"},
  };
  for (const auto& row : rows) EXPECT_EQ(Hex(row.text()), Upper(row.hex));
  EXPECT_EQ(OleFailedText(), "DLLRegister OleInitialize failed.");
  EXPECT_EQ(OleFailedCaption(), "Error");
}

}  // namespace
}  // namespace kavorin::setup
