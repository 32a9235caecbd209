#pragma once
// Text at the system's edges. Inside, every text is CP949 bytes: that is
// what the terminal, the log files and the C exports speak. Callers across a
// process boundary speak Unicode: UTF-16 over COM, UTF-8 over the Linux
// socket and on a Linux terminal.
//
// Characters that CP949 cannot hold become '?', and byte sequences that are
// not CP949 become U+FFFD, as the Windows conversions do; no conversion fails.
#include <string>
#include <string_view>

namespace kavorin {

// Platform conversions (iconv on Linux, code page 949 on Windows).
std::string Cp949FromUtf16(std::u16string_view text);
std::u16string Utf16FromCp949(std::string_view text);

// Portable conversions between the Unicode forms. Ill-formed input becomes
// U+FFFD.
std::u16string Utf16FromUtf8(std::string_view text);
std::string Utf8FromUtf16(std::u16string_view text);

inline std::string Cp949FromUtf8(std::string_view text) { return Cp949FromUtf16(Utf16FromUtf8(text)); }
inline std::string Utf8FromCp949(std::string_view text) { return Utf8FromUtf16(Utf16FromCp949(text)); }

}  // namespace kavorin
