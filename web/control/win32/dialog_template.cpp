#include "web/control/win32/dialog_template.hpp"

namespace kavorin::control {
namespace {

void Append(std::vector<WORD>& words, const std::wstring& text) {
  for (const wchar_t c : text) words.push_back(static_cast<WORD>(c));
  words.push_back(0);
}

void AppendDword(std::vector<WORD>& words, DWORD value) {
  words.push_back(LOWORD(value));
  words.push_back(HIWORD(value));
}

void AlignToDword(std::vector<WORD>& words) {
  if (words.size() % 2 != 0) words.push_back(0);
}

}  // namespace

std::vector<WORD> DialogTemplate(DWORD style, const std::wstring& caption, short cx, short cy,
                                 const std::vector<DialogItem>& items) {
  std::vector<WORD> words;
  AppendDword(words, style | DS_SETFONT);
  AppendDword(words, 0);  // extended style
  words.push_back(static_cast<WORD>(items.size()));
  words.push_back(0);  // x
  words.push_back(0);  // y
  words.push_back(static_cast<WORD>(cx));
  words.push_back(static_cast<WORD>(cy));
  words.push_back(0);  // no menu
  words.push_back(0);  // the standard dialog class
  Append(words, caption);
  words.push_back(8);
  Append(words, L"MS Shell Dlg");
  for (const DialogItem& item : items) {
    AlignToDword(words);
    AppendDword(words, item.style | WS_CHILD | WS_VISIBLE);
    AppendDword(words, 0);
    words.push_back(static_cast<WORD>(item.x));
    words.push_back(static_cast<WORD>(item.y));
    words.push_back(static_cast<WORD>(item.cx));
    words.push_back(static_cast<WORD>(item.cy));
    words.push_back(item.id);
    words.push_back(0xFFFF);
    words.push_back(item.classAtom);
    Append(words, item.text);
    words.push_back(0);  // no creation data
  }
  return words;
}

}  // namespace kavorin::control
