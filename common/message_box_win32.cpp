#include <windows.h>

#include "common/message_box.hpp"

namespace kavorin {

void ShowPlatformMessageBox(const std::string& caption, const std::string& text) {
  MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK);
}

}  // namespace kavorin
