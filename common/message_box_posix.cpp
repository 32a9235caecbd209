#include <cstdio>

#include "common/message_box.hpp"
#include "common/text_codec.hpp"

namespace kavorin {

// No one can press a button here; the message goes to stderr, where the
// operator or the calling program's log sees it.
void ShowPlatformMessageBox(const std::string& caption, const std::string& text) {
  const std::string line = "[" + Utf8FromCp949(caption) + "] " + Utf8FromCp949(text) + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

}  // namespace kavorin
