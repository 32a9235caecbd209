// The image exports of the DLL: signature data to the same bitmap file
// bytes as the Linux build writes, the page-signature key from the
// registry, and the image converter's message boxes.
//
// The files in data/ were written by the Linux build's command line from
// the same input, e.g.
//   kavorin sign-data-to-bmp --index 01 --cat-id 12345678 --card-num 9410123456789012
//           --seq-num 000123 --sign-data 89AD27F9C15723508C --file-path sign_stroke_line.bmp
// (the page-encoded one with the key Kv7rN2dQ in its configuration).
#include <gtest/gtest.h>

#include "tests/win32/ctl_test_support.hpp"

namespace kavorin::ctl_test {
namespace {

constexpr char kKeyPath[] = "SOFTWARE\\HALVERON\\KAVORIN";
constexpr char kKeyValue[] = "OldTypeMasterKey";

using SignDataToBmp = int(WINAPI*)(const char*, const char*, const char*, const char*, const char*, const char*);

void StoreOldTypeKey(const std::optional<std::string>& key) {
  HKEY handle = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr),
            ERROR_SUCCESS);
  if (key) {
    RegSetValueExA(handle, kKeyValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(key->c_str()),
                   static_cast<DWORD>(key->size() + 1));
  } else {
    RegDeleteValueA(handle, kKeyValue);
  }
  RegCloseKey(handle);
}

class ImagingTest : public ::testing::Test {
 protected:
  ImagingTest() : install_(::testing::UnitTest::GetInstance()->current_test_info()->name()) {}
  void TearDown() override { StoreOldTypeKey(std::nullopt); }

  int SignToBmp(const char* index, const char* signData, const fs::path& file) {
    return install_.Bind<SignDataToBmp>(58)(index, "12345678", "9410123456789012", "000123", signData,
                                            file.string().c_str());
  }

  ComApartment apartment_;
  Installation install_;
  FakeHost host_;
  MessageBoxDismisser boxes_;
};

TEST_F(ImagingTest, SignatureBitmapsHaveTheLinuxBuildsBytes) {
  StoreOldTypeKey("Kv7rN2dQ");
  struct Vector {
    const char* index;
    const char* signData;
    const char* file;
  };
  const Vector vectors[] = {
      {"01", "89AD27F9C15723508C", "sign_stroke_line.bmp"},
      {"01", "7123459AC523413C909CB7235083235A294D782363", "sign_stroke_deltas.bmp"},
      {"00", "F1FADF782351EF2350235A267EF6DA6B2538AE6969AE235E447F5891", "sign_page.bmp"},
  };
  for (const Vector& v : vectors) {
    SCOPED_TRACE(v.file);
    const fs::path written = install_.folder() / v.file;
    EXPECT_EQ(SignToBmp(v.index, v.signData, written), 0);
    const std::string expected = ReadFileBytes(fs::path(KAVORIN_TEST_DATA) / v.file);
    ASSERT_EQ(expected.size(), 1086u);
    EXPECT_EQ(ReadFileBytes(written), expected);
  }
  // The log goes beside the library.
  EXPECT_NE(install_.DailyLog().find("[KAVORIN_SignDataToBMP]" + Cp949("전자 서명") + " OLD TYPE|\r\r\n"),
            std::string::npos);
  EXPECT_TRUE(boxes_.Shown().empty());
}

TEST_F(ImagingTest, APageSignatureNeedsAnEightCharacterKey) {
  const char* page = "F1FADF782351EF2350235A267EF6DA6B2538AE6969AE235E447F5891";
  const fs::path file = install_.folder() / "page.bmp";
  for (const std::optional<std::string>& key : {std::optional<std::string>(), std::optional<std::string>("short"),
                                                std::optional<std::string>("Kv7rN2dQx")}) {
    SCOPED_TRACE(key.value_or("(none)"));
    StoreOldTypeKey(key);
    EXPECT_EQ(SignToBmp("00", page, file), -3);
    EXPECT_FALSE(fs::exists(file));
  }
  // A wrong key decrypts to noise the page decoder refuses.
  StoreOldTypeKey("Kv7rN2dR");
  EXPECT_EQ(SignToBmp("00", page, file), -2);
  EXPECT_FALSE(fs::exists(file));
}

TEST_F(ImagingTest, TheConverterShowsWhyItFailed) {
  const std::string missing = (install_.folder() / "missing.bmp").string();
  // 256 x 129 at 1 bit: rows of 32 bytes, 4128 bytes in all.
  std::string big(62, '\0');
  const auto put = [&](std::size_t at, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) big[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
  };
  big[0] = 'B';
  big[1] = 'M';
  put(10, 62, 4);
  put(14, 40, 4);
  put(18, 256, 4);
  put(22, 129, 4);
  put(26, 1, 2);
  put(28, 1, 2);
  big += std::string(4128, '\0');
  const fs::path big_path = install_.folder() / "big.bmp";
  std::ofstream(big_path, std::ios::binary) << big;

  struct Case {
    std::function<int()> call;
    const char* text;
  };
  char buffer[4096];
  const Case cases[] = {
      {[&] { return install_.Bind<int(WINAPI*)(const char*, char*)>(56)(missing.c_str(), buffer); },
       "이미지 Convert 중 에러가 발생하였습니다. 원인:이미지를 찾을 수 없습니다."},
      {[&] { return install_.Bind<OneText>(55)(missing.c_str()); },
       "이미지 Convert 중 에러가 발생하였습니다. 원인:이미지를 찾을 수 없습니다."},
      {[&] { return install_.Bind<int(WINAPI*)(const char*, char*)>(56)(big_path.string().c_str(), buffer); },
       "이미지 Convert 중 에러가 발생하였습니다. 원인: 이미지 사이즈가 4K 이상입니다."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    boxes_.Clear();
    EXPECT_EQ(c.call(), -1);
    const auto shown = boxes_.Shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, "KAVORIN_Ctl");
    EXPECT_EQ(shown[0].text, Cp949(c.text));
  }
  EXPECT_TRUE(host_.Calls().empty());
}

}  // namespace
}  // namespace kavorin::ctl_test
