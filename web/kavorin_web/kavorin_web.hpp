#pragma once
// The KAVORIN_Web control without its COM skin: the members a page calls,
// the stored voucher values and the call sequence around the client
// library. The Windows control and the Linux web bridge both run it; each
// gives it a binding of the library's exports.
#include <cstddef>
#include <functional>
#include <span>
#include <string>

#include "web/control/control_identity.hpp"
#include "web/control/member_table.hpp"
#include "web/control/outside_library.hpp"
#include "web/kavorin_web/library_binding.hpp"
#include "web/kavorin_web/voucher.hpp"

namespace kavorin::web {

// A voucher-print member: the check it runs, and the export and value list
// it takes without and with business values.
struct VoucherPrint {
  VoucherCheck check;
  int plainOrdinal;
  ListRule plainList;
  int businessOrdinal;
  ListRule businessList;
};

// Buffer sizes the members give the library's getters. The library itself
// may write up to kLibraryTextBytes into any of them, so that is what the
// control lends it; a result is then cut to the member's own size.
inline constexpr std::size_t kTextGetterBytes = 4096;
inline constexpr std::size_t kCompressMethodBytes = 12;
inline constexpr std::size_t kHashBytes = 40;
inline constexpr std::size_t kSignDataBytes = 2048;
inline constexpr std::size_t kLibraryTextBytes = 8192;
// The card-number part SignDataToBMP passes: at most this many bytes; a
// longer one is refused with kSignCardTooLong, the library is not called.
inline constexpr std::size_t kMostSignCardBytes = 127;
inline constexpr int kSignCardTooLong = -2;

class KavorinWeb final : public control::ControlObject {
 public:
  explicit KavorinWeb(LibraryBinding binding);

  // The status step of every transaction and print: KAVORIN_COMStatus
  // unless replaced (a program without a dialog polls KAVORIN_StatusCheck
  // itself and reports progress its own way). Its result is the step's.
  void SetStatusStep(std::function<int()> step);

  const VoucherValues& values() const { return values_; }
  const LibraryBinding& binding() const { return binding_; }

  // The members' behaviour; the member table's handlers call these.
  int RunTransaction(int ordinal, control::MemberArgs args);
  int RunPrint(const VoucherPrint& print, control::MemberArgs args);
  std::string Get(int ordinal, std::size_t bufferBytes);
  std::string GetSignDataAscii();
  void Store(Value value, std::string text);
  void ClearValues();
  void ServiceExit();
  int SignDataToBmp(control::MemberArgs args);

 private:
  int Call(int ordinal, std::span<const std::string> texts);
  int CallStatus();
  // The library's getter into a lent buffer; the bytes up to the first zero.
  int ReadInto(int ordinal, std::string& bytes);
  // Connection, check (for prints), request, status: each failure shows its
  // message and ends the sequence with its code.
  int RunSequence(const VoucherCheck* check, const std::function<int()>& request);

  LibraryBinding binding_;
  std::function<int()> statusStep_;
  VoucherValues values_;
};

std::span<const control::Member> KavorinWebMembers();
std::span<const VoucherPrint> KavorinWebPrints();
const control::ControlIdentity& KavorinWebIdentity();

using control::CutCp949;

}  // namespace kavorin::web
