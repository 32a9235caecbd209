// Arbitrary page input into the KAVORIN_Web members: any member, any
// argument texts, any text the library's getters hand back; and any text
// into the DES decryption. Results stay within the members' limits.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/message_box.hpp"
#include "tests/web/scripted_library.hpp"
#include "web/kavorin_web/des_text.hpp"
#include "web/kavorin_web/kavorin_web.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kavorin;
  static const bool quiet = [] {
    SetMessageBoxHandler([](const std::string&, const std::string&) {});
    return true;
  }();
  (void)quiet;
  const std::string input(reinterpret_cast<const char*>(data), size);

  const std::string plain = web::DesDecryptBase64(input);
  if (plain.size() > input.size() || plain.find('\0') != std::string::npos) __builtin_trap();
  const std::string cipher = web::DesEncryptBase64(input);
  if (input.size() <= web::kMostPlainBytes &&
      web::DesDecryptBase64(cipher) != input.substr(0, input.find('\0'))) {
    __builtin_trap();
  }

  if (size == 0) return 0;
  web::KavorinWeb control(web::test::ScriptedBinding());
  // The first byte picks the member; the rest, split at 0x1F, are its
  // arguments and, last, what every getter of the library writes.
  const auto members = web::KavorinWebMembers();
  const control::Member& member = members[data[0] % members.size()];
  std::vector<std::string> parts;
  std::string rest = input.substr(1);
  for (std::size_t at; (at = rest.find('\x1F')) != std::string::npos; rest.erase(0, at + 1)) {
    parts.push_back(rest.substr(0, at));
  }
  const std::string written = rest.substr(0, std::min(rest.find('\0'), web::kLibraryTextBytes - 1));
  for (const auto& entry : ExportTable()) {
    if (web::test::IsGetter(entry.ordinal)) web::test::TheScript().texts[entry.ordinal] = written;
  }
  parts.resize(control::ParamCount(member));
  const control::InvokeOutcome outcome = control::Invoke(members, control, member.dispid, parts);
  if (outcome.error != control::InvokeError::None) __builtin_trap();
  // Every text a page gets back fits the control's 4096-byte text buffers.
  if (outcome.result.text.size() >= web::kTextGetterBytes) __builtin_trap();
  return 0;
}
