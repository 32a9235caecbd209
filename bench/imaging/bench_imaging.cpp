// Per-call cost of the two imaging exports' work: signature data to the
// bitmap file, and a bitmap file to terminal bytes. The aim is at most
// 50 us a call for each, on the data sizes the terminal and POS produce.
#include <benchmark/benchmark.h>

#include <time.h>

#include <chrono>
#include <filesystem>

#include "client/imaging/crypto/des.hpp"
#include "client/imaging/image_convert.hpp"
#include "client/imaging/image_upload.hpp"
#include "client/imaging/sign_bitmap.hpp"
#include "common/daily_log.hpp"
#include "tests/client/imaging/imaging_test_support.hpp"

namespace kavorin::imaging {
namespace {

using testing::Bytes;

constexpr std::string_view kCat = "12345678";
constexpr std::string_view kCard = "9410123456789012";
constexpr std::string_view kSequence = "000123";
constexpr std::string_view kOldMaster = "Kv7rN2dQ";

// A signature of `strokes` pen-down strokes of 40 deltas each, wandering
// over the pad.
Bytes StrokeImage(int strokes) {
  Bytes data = {0x00, 0x10, 0x20};
  for (int s = 0; s < strokes; ++s) {
    data.push_back(static_cast<std::uint8_t>(0x80 | ((10 + 9 * s) & 0x7F)));
    data.push_back(static_cast<std::uint8_t>((8 + 5 * s) & 0x3F));
    data.push_back(40);
    for (int d = 0; d < 40; ++d) data.push_back(static_cast<std::uint8_t>(0x80 | ((d % 4) << 4) | 0x08 | (d % 3)));
  }
  return data;
}

// A page image with ink on every band: short literal runs and zero runs.
Bytes PageImage() {
  Bytes stage;
  for (int band = 0; band < 8; ++band) {
    for (int i = 0; i < 16; ++i) stage.insert(stage.end(), {0x18, 0x3C, 0x7E, 0x00, 5});
    stage.insert(stage.end(), {0x00, 0x00});
  }
  // 8 x 16 x (3 + 5) = 1024 bytes.
  Bytes data = {static_cast<std::uint8_t>((stage.size() / 1000) << 4 | (stage.size() / 100) % 10),
                static_cast<std::uint8_t>((stage.size() / 10) % 10 << 4 | stage.size() % 10)};
  for (std::size_t at = 0; at < stage.size(); at += 100) {
    const std::size_t count = std::min<std::size_t>(100, stage.size() - at);
    data.push_back(static_cast<std::uint8_t>(-static_cast<int>(count)));
    data.insert(data.end(), stage.begin() + static_cast<std::ptrdiff_t>(at),
                stage.begin() + static_cast<std::ptrdiff_t>(at + count));
  }
  return data;
}

void BM_SignStrokes(benchmark::State& state) {
  const std::string text = testing::SignText(StrokeImage(static_cast<int>(state.range(0))), testing::NewTypeImageKey(kCard));
  const SignBmpRequest request{"01", kCat, kCard, kSequence, text, "", ""};
  const SignLogSink quiet = [](const std::string&) {};
  SignBitmapFile bitmap;
  for (auto _ : state) {
    if (MakeSignBitmap(request, bitmap, quiet) != kSignBmpOk) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(bitmap);
  }
  state.counters["hex_digits"] = static_cast<double>(text.size());
}
BENCHMARK(BM_SignStrokes)->Arg(8)->Arg(75);

void BM_SignPages(benchmark::State& state) {
  const std::string text = testing::SignText(PageImage(), testing::OldTypeImageKey(kCat, kCard, kSequence, kOldMaster));
  const SignBmpRequest request{"00", kCat, kCard, kSequence, text, "", kOldMaster};
  const SignLogSink quiet = [](const std::string&) {};
  SignBitmapFile bitmap;
  for (auto _ : state) {
    if (MakeSignBitmap(request, bitmap, quiet) != kSignBmpOk) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(bitmap);
  }
  state.counters["hex_digits"] = static_cast<double>(text.size());
}
BENCHMARK(BM_SignPages);

// The largest page signature the export takes: 8192 hex digits. Its image
// makes the decoder work hardest (every stage byte a literal run of its own,
// the stage at its 1536-byte limit); trailing blocks fill the text up.
std::chrono::nanoseconds ThreadCpuTime() {
  timespec now{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

struct SignSample {
  std::string text;  // what the export is given
  Bytes cipher;      // the bytes it decrypts
};

SignSample LargestPage(const crypto::DesKey& key) {
  Bytes stage;
  for (int i = 0; i < 512; ++i) stage.insert(stage.end(), {static_cast<std::uint8_t>(1 + i % 255), 0x00, 0x01});
  Bytes plain = {0x15, 0x36};  // 1536, in BCD
  for (const std::uint8_t byte : stage) plain.insert(plain.end(), {0xFF, byte});
  plain.resize((plain.size() + 7) / 8 * 8, 0);
  SignSample best;
  for (;;) {
    Bytes cipher(plain.size());
    crypto::DesEcbEncrypt(key, plain, cipher);
    std::string text = BytesToHexUpper(testing::Escape(cipher));
    if (text.size() > 8192) return best;
    best = {std::move(text), std::move(cipher)};
    plain.resize(plain.size() + 8, 0);
  }
}

// Signature to bitmap against the DES decryption of the same bytes alone,
// both timed in every iteration on the thread's CPU clock (a busy machine's
// preemptions fall on neither): the counter sign_to_des is the ratio (the
// aim is at most 1.3).
void BM_LargestPageSignVersusDes(benchmark::State& state) {
  const crypto::DesKey key = testing::OldTypeImageKey(kCat, kCard, kSequence, kOldMaster);
  const SignSample sample = LargestPage(key);
  const std::string& text = sample.text;
  const Bytes& cipher = sample.cipher;
  const SignBmpRequest request{"00", kCat, kCard, kSequence, text, "", kOldMaster};
  const SignLogSink quiet = [](const std::string&) {};
  Bytes plain(cipher.size());
  SignBitmapFile bitmap;
  std::chrono::nanoseconds sign{}, des{};
  for (auto _ : state) {
    const auto start = ThreadCpuTime();
    if (MakeSignBitmap(request, bitmap, quiet) != kSignBmpOk) state.SkipWithError("decode failed");
    const auto signed_at = ThreadCpuTime();
    if (crypto::DesEcbDecrypt(key, cipher, plain) != crypto::kDesOk) state.SkipWithError("DES failed");
    des += ThreadCpuTime() - signed_at;
    sign += signed_at - start;
    benchmark::DoNotOptimize(bitmap);
    benchmark::DoNotOptimize(plain);
  }
  const double runs = static_cast<double>(state.iterations());
  state.counters["hex_digits"] = static_cast<double>(text.size());
  state.counters["des_bytes"] = static_cast<double>(cipher.size());
  state.counters["sign_us"] = std::chrono::duration<double, std::micro>(sign).count() / runs;
  state.counters["des_us"] = std::chrono::duration<double, std::micro>(des).count() / runs;
  state.counters["sign_to_des"] = static_cast<double>(sign.count()) / static_cast<double>(des.count());
}
BENCHMARK(BM_LargestPageSignVersusDes);

// The whole export: daily-log lines and the bitmap file included.
void BM_SignDataToBmpWithFiles(benchmark::State& state) {
  testing::ScratchFolder folder("bench-sign");
  SetDailyLogFolder(folder.path().string());
  const std::string text = testing::SignText(StrokeImage(8), testing::NewTypeImageKey(kCard));
  const std::string path = (folder.path() / "sign.bmp").string();
  const SignBmpRequest request{"01", kCat, kCard, kSequence, text, path, ""};
  for (auto _ : state) {
    if (SignDataToBmp(request) != kSignBmpOk) state.SkipWithError("export failed");
  }
  SetDailyLogFolder("");
}
BENCHMARK(BM_SignDataToBmpWithFiles);

Bytes LogoPixels() {
  Bytes pixels(16 * 64);
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(i * 37);
  return pixels;
}

void BM_BitmapToTerminal(benchmark::State& state) {
  const bool with_dump = state.range(0) != 0;
  const Bytes file = testing::MakeBitmapFile(128, 64, 1, 0, LogoPixels());
  ConvertedImage image;
  std::string dump;
  for (auto _ : state) {
    if (ConvertBitmap(file, image, with_dump ? &dump : nullptr) != ImageConvertError::kNone) {
      state.SkipWithError("conversion failed");
    }
    benchmark::DoNotOptimize(BuildImageUpload(image));
  }
}
BENCHMARK(BM_BitmapToTerminal)->ArgName("dump")->Arg(0)->Arg(1);

void BM_Rle8ToTerminal(benchmark::State& state) {
  Bytes rle;
  for (int row = 0; row < 32; ++row) {
    for (int run = 0; run < 16; ++run) rle.insert(rle.end(), {8, static_cast<std::uint8_t>(row + run)});
    rle.insert(rle.end(), {0, 0});
  }
  rle.insert(rle.end(), {0, 1});
  const Bytes file = testing::MakeBitmapFile(128, 32, 8, 1, rle);
  ConvertedImage image;
  std::string dump;
  for (auto _ : state) {
    if (ConvertBitmap(file, image, &dump) != ImageConvertError::kNone) state.SkipWithError("conversion failed");
    benchmark::DoNotOptimize(BuildImageUpload(image));
  }
}
BENCHMARK(BM_Rle8ToTerminal);

// The whole upload preparation: file read, conversion, dump file, packet.
void BM_PrepareImageUploadWithFiles(benchmark::State& state) {
  testing::ScratchFolder folder("bench-convert");
  const std::string path = (folder.path() / "logo.bmp").string();
  testing::WriteFileBytes(path, testing::MakeBitmapFile(128, 64, 1, 0, LogoPixels()));
  ImageConvertOptions options;
  options.dump_folder = folder.path().string();
  ImageUpload upload;
  for (auto _ : state) {
    if (PrepareImageUpload(path, upload, options) != kImageConvertOk) state.SkipWithError("conversion failed");
  }
}
BENCHMARK(BM_PrepareImageUploadWithFiles);

}  // namespace
}  // namespace kavorin::imaging

BENCHMARK_MAIN();
