#include <errno.h>
#include <iconv.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "common/text_codec.hpp"

namespace kavorin {
namespace {

// An iconv descriptor: opening one costs far more than a conversion, and a
// descriptor must not be used by two threads at once.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(::iconv_open(to, from)) {}
  ~Converter() {
    if (valid()) ::iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts `in`; on an input the target cannot take, `on_bad` appends the
  // stand-in and says how many input bytes to skip.
  template <class OnBad>
  std::string Run(std::string_view in, OnBad on_bad) {
    std::string out;
    if (!valid()) return out;
    ::iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* src = const_cast<char*>(in.data());
    std::size_t src_left = in.size();
    char buffer[1024];
    while (src_left > 0) {
      char* dst = buffer;
      std::size_t dst_left = sizeof buffer;
      const std::size_t rc = ::iconv(cd_, &src, &src_left, &dst, &dst_left);
      out.append(buffer, static_cast<std::size_t>(dst - buffer));
      if (rc != static_cast<std::size_t>(-1)) continue;
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL: an input the target cannot take, or a cut sequence.
      const std::size_t skip = std::min(on_bad(out, src, src_left), src_left);
      src += skip;
      src_left -= skip;
      ::iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }
    char* dst = buffer;
    std::size_t dst_left = sizeof buffer;
    ::iconv(cd_, nullptr, nullptr, &dst, &dst_left);
    out.append(buffer, static_cast<std::size_t>(dst - buffer));
    return out;
  }

 private:
  iconv_t cd_;
};

// One descriptor per direction for the process; a thread that finds it busy
// opens one of its own for that call rather than wait. No thread_local: the
// client library is loaded and unloaded by POS programs, and thread storage
// in an unloaded library leaves every thread that used it a dangling block.
class SharedConverter {
 public:
  SharedConverter(const char* to, const char* from) : to_(to), from_(from), shared_(to, from) {}

  template <class OnBad>
  std::string Run(std::string_view in, OnBad on_bad) {
    std::unique_lock<std::mutex> lock(mutex_, std::try_to_lock);
    if (lock) return shared_.Run(in, on_bad);
    Converter own(to_, from_);
    return own.Run(in, on_bad);
  }

 private:
  const char* const to_;
  const char* const from_;
  std::mutex mutex_;
  Converter shared_;
};

// What CP949 makes of each BMP character, learnt from iconv one character at
// a time and kept for the process: 0 not asked yet, kUnmappable, a byte
// (below 0x100) or a lead and trail byte (lead << 8 | trail; leads are 0x81
// and up). iconv itself is no good for a whole text that holds characters
// CP949 lacks: after each one it starts again and rescans what it had
// buffered, which makes the cost grow with the square of the text, seconds
// for a few hundred kilobytes. A table look-up a character keeps it linear.
constexpr std::uint16_t kUnknown = 0;
constexpr std::uint16_t kUnmappable = 0xFFFF;
std::atomic<std::uint16_t> g_cp949_of[0x10000];

std::uint16_t AskIconv(char16_t character) {
  static SharedConverter to_cp949("CP949", "UTF-8");
  const std::string utf8 = Utf8FromUtf16(std::u16string_view(&character, 1));
  bool mappable = true;
  const std::string bytes = to_cp949.Run(utf8, [&](std::string&, const char*, std::size_t left) {
    mappable = false;
    return left;
  });
  if (!mappable || bytes.empty() || bytes.size() > 2) return kUnmappable;
  if (bytes.size() == 1) return static_cast<unsigned char>(bytes[0]);
  return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[0]) << 8 | static_cast<unsigned char>(bytes[1]));
}

std::uint16_t Cp949Of(char16_t character) {
  std::atomic<std::uint16_t>& known = g_cp949_of[character];
  std::uint16_t code = known.load(std::memory_order_relaxed);
  if (code == kUnknown) {
    code = AskIconv(character);
    known.store(code, std::memory_order_relaxed);
  }
  return code;
}

}  // namespace

std::string Cp949FromUtf16(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (unit < 0x80) {
      out.push_back(static_cast<char>(unit));
      continue;
    }
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      out.push_back('?');  // beyond the BMP: nothing CP949 holds
      ++i;
      continue;
    }
    // A lone surrogate is ill-formed: U+FFFD, which CP949 lacks.
    const std::uint16_t code = Cp949Of(unit >= 0xD800 && unit <= 0xDFFF ? char16_t{0xFFFD} : unit);
    if (code == kUnmappable) {
      out.push_back('?');
    } else if (code < 0x100) {
      out.push_back(static_cast<char>(code));
    } else {
      out.push_back(static_cast<char>(code >> 8));
      out.push_back(static_cast<char>(code & 0xFF));
    }
  }
  return out;
}

std::u16string Utf16FromCp949(std::string_view text) {
  static SharedConverter from_cp949("UTF-8", "CP949");
  const std::string utf8 = from_cp949.Run(text, [](std::string& out, const char*, std::size_t) {
    out.append("\xEF\xBF\xBD");
    return std::size_t{1};
  });
  return Utf16FromUtf8(utf8);
}

}  // namespace kavorin
