#include <windows.h>

#include <string>

#include "common/text_codec.hpp"

namespace kavorin {

// Code page 949 itself rather than the ANSI code page: the terminal, the log
// files and the C exports speak CP949 whatever the PC's locale is, and on a
// Korean system the two are the same. Unmappable characters become '?'.
constexpr UINT kCodePage = 949;

std::string Cp949FromUtf16(std::u16string_view text) {
  if (text.empty()) return {};
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int length = static_cast<int>(text.size());
  const int needed = WideCharToMultiByte(kCodePage, 0, wide, length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return {};
  std::string out(static_cast<std::size_t>(needed), '\0');
  WideCharToMultiByte(kCodePage, 0, wide, length, out.data(), needed, nullptr, nullptr);
  return out;
}

std::u16string Utf16FromCp949(std::string_view text) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int needed = MultiByteToWideChar(kCodePage, 0, text.data(), length, nullptr, 0);
  if (needed <= 0) return {};
  std::u16string out(static_cast<std::size_t>(needed), u'\0');
  MultiByteToWideChar(kCodePage, 0, text.data(), length, reinterpret_cast<wchar_t*>(out.data()), needed);
  return out;
}

}  // namespace kavorin
