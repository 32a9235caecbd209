#pragma once
// Builders shared by the imaging tests, fuzz seed makers and benchmarks:
// bitmap files, encrypted signature texts, scratch folders.
#include <array>
#include <unistd.h>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "client/imaging/crypto/des.hpp"
#include "common/hex.hpp"

namespace kavorin::imaging::testing {

using Bytes = std::vector<std::uint8_t>;

inline Bytes ToBytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

inline std::string ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFileBytes(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline void PutLe(Bytes& out, std::size_t at, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i) out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A bitmap file: headers, a grey palette of 2^bpp entries (or `colours`)
// for depths up to 8, then `pixels` as given (already padded/encoded).
inline Bytes MakeBitmapFile(std::int32_t width, std::int32_t height, int bits, std::uint32_t compression,
                            const Bytes& pixels, std::uint32_t colours = 0) {
  const std::uint32_t palette = bits <= 8 ? (colours != 0 ? colours : 1u << bits) : 0;
  const std::uint32_t offset = 54 + 4 * palette;
  Bytes file(offset, 0);
  file[0] = 'B';
  file[1] = 'M';
  PutLe(file, 2, offset + static_cast<std::uint32_t>(pixels.size()), 4);
  PutLe(file, 10, offset, 4);
  PutLe(file, 14, 40, 4);
  PutLe(file, 18, static_cast<std::uint32_t>(width), 4);
  PutLe(file, 22, static_cast<std::uint32_t>(height), 4);
  PutLe(file, 26, 1, 2);
  PutLe(file, 28, static_cast<std::uint32_t>(bits), 2);
  PutLe(file, 30, compression, 4);
  PutLe(file, 34, static_cast<std::uint32_t>(pixels.size()), 4);
  PutLe(file, 46, colours, 4);
  for (std::uint32_t i = 0; i < palette; ++i) {
    const auto grey = static_cast<std::uint8_t>(palette > 1 ? 255 * i / (palette - 1) : 0);
    file[54 + 4 * i] = file[55 + 4 * i] = file[56 + 4 * i] = grey;
  }
  file.insert(file.end(), pixels.begin(), pixels.end());
  return file;
}

// The escaping of the free-style path: a byte below 0x20 or '#' travels as
// '#' and the byte XOR 0x40.
inline Bytes Escape(const Bytes& raw) {
  Bytes out;
  for (const std::uint8_t byte : raw) {
    if (byte < 0x20 || byte == '#') {
      out.push_back('#');
      out.push_back(static_cast<std::uint8_t>(byte ^ 0x40));
    } else {
      out.push_back(byte);
    }
  }
  return out;
}

inline crypto::DesKey KeyOf(const Bytes& bytes) {
  crypto::DesKey key{};
  for (std::size_t i = 0; i < key.size(); ++i) key[i] = bytes.at(i);
  return key;
}

// Image key of the stroke encoding: card characters from the ninth-last to
// the second-last, decrypted under the master key "5451374B32503958".
inline crypto::DesKey NewTypeImageKey(std::string_view card) {
  Bytes master;
  ParseHexStrict("5451374B32503958", master);
  const std::string_view part = card.substr(card.size() - 9, 8);
  crypto::DesBlock block{};
  for (std::size_t i = 0; i < 8; ++i) block[i] = static_cast<std::uint8_t>(part[i]);
  crypto::DesBlock key{};
  crypto::DesDecryptBlock(KeyOf(master), block, key);
  return key;
}

// Image key of the page encoding: the hex text cat[4..7] + card[-9..] +
// seq[-3..], decrypted under the configured master key.
inline crypto::DesKey OldTypeImageKey(std::string_view cat, std::string_view card, std::string_view seq,
                                      std::string_view master) {
  const std::string text = std::string(cat.substr(4, 4)) + std::string(card.substr(card.size() - 9)) +
                           std::string(seq.substr(seq.size() - 3));
  Bytes block_bytes;
  ParseHexStrict(text, block_bytes);
  crypto::DesBlock key{};
  crypto::DesDecryptBlock(KeyOf(ToBytes(master)), KeyOf(block_bytes), key);
  return key;
}

// Plain image bytes (padded with zeros to whole blocks) to the hex text the
// terminal delivers.
inline std::string SignText(Bytes plain, const crypto::DesKey& key) {
  plain.resize((plain.size() + 7) / 8 * 8, 0);
  crypto::DesEcbEncrypt(key, plain, plain);
  return BytesToHexUpper(Escape(plain));
}

// A folder under the system's temp folder, removed with the object.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& name)
      : path_(std::filesystem::temp_directory_path() / ("kavorin-imaging-" + name + "-" + std::to_string(::getpid()))) {
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace kavorin::imaging::testing
