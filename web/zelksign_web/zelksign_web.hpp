#pragma once
// The ZelkSignWeb control without its COM skin: a page's members forwarded
// to KavSignPad_Ctl.dll, the sequence number re-formatted for the pad and
// the captured signature handed back as base64. It keeps no state.
#include <cstddef>
#include <span>
#include <string>

#include "web/control/control_identity.hpp"
#include "web/control/member_table.hpp"
#include "web/control/outside_library.hpp"

namespace kavorin::web {

// The longest sequence number SignPADService takes (its buffer holds 9
// characters and the zero); a longer one is refused with
// control::kArgumentTooLong.
inline constexpr std::size_t kMostSequenceNumberBytes = 9;
// The sign data buffer: a length beyond it gives the empty text.
inline constexpr std::size_t kSignPadDataBytes = 2048;

class ZelkSignWeb final : public control::ControlObject {
 public:
  explicit ZelkSignWeb(control::LibraryCall library);

  int Forward(int ordinal, control::MemberArgs args);
  // Calls the operation afresh with all its outputs; output `output` as text.
  std::string Read(int ordinal, control::MemberArgs inputs, std::size_t output);
  int SignPadService(control::MemberArgs args);
  std::string SignDataBase64();

 private:
  control::LibraryCall library_;
};

// The sequence number as the pad takes it: the leading decimal digits (0
// when there are none) as at least three digits ("7" -> "007").
std::string PadSequenceNumber(std::string_view text);

std::span<const control::Member> ZelkSignWebMembers();
const control::ControlIdentity& ZelkSignWebIdentity();

}  // namespace kavorin::web
