#include <errno.h>
#include <iconv.h>

#include <algorithm>
#include <string>

#include "common/text_codec.hpp"

namespace kavorin {
namespace {

// One iconv descriptor per direction and thread: opening one costs far more
// than a conversion, and a descriptor must not be shared between threads.
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

std::size_t Utf8SequenceLength(unsigned char lead) {
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

}  // namespace

std::string Cp949FromUtf16(std::u16string_view text) {
  // The portable UTF-8 encoder has already replaced ill-formed UTF-16, so
  // iconv sees only characters CP949 holds or does not hold.
  const std::string utf8 = Utf8FromUtf16(text);
  thread_local Converter to_cp949("CP949", "UTF-8");
  return to_cp949.Run(utf8, [](std::string& out, const char* src, std::size_t) {
    out.push_back('?');
    return Utf8SequenceLength(static_cast<unsigned char>(*src));
  });
}

std::u16string Utf16FromCp949(std::string_view text) {
  thread_local Converter from_cp949("UTF-8", "CP949");
  const std::string utf8 = from_cp949.Run(text, [](std::string& out, const char*, std::size_t) {
    out.append("\xEF\xBF\xBD");
    return std::size_t{1};
  });
  return Utf16FromUtf8(utf8);
}

}  // namespace kavorin
