// The operations of KavSignPad_Ctl.dll that ZelkSignWeb binds, ordinals 1
// to 23. The small outputs of the pad, dongle and card-type operations (3,
// 8, 9, 12, 13, 20, 21) are lent 20 or 32 bytes: the library's fields are at
// most 19 (31) bytes with their zero.
#include "web/zelksign_web/kavsignpad_ctl.hpp"

namespace kavorin::web {
namespace {

using control::LibraryOperation;

// clang-format off
constexpr LibraryOperation kOperations[] = {
  {1, "SetDisplayOption", "l l l"},
  {2, "SignPADService", "t t t t t t t"},
  {3, "GetSignPADInfo", "o20 o20 o20 o20 o20"},
  // Sign file, sign data (bytes), its length as decimal text, hash.
  {4, "GetSignPADSignData", "o252 o2048 o10 o40"},
  {5, "PinPADService", "t t t t t"},
  {6, "GetPinPADData", "o252 o252"},
  {7, "DongleLogin", "t"},
  {8, "GetDongleLoginInfo", "o20 o20 o20 o20"},
  {9, "GetDongleErrorCode", "o20"},
  {10, "SetDongleMemberSet", "t t t t"},
  {11, "DongleCardInfo", "t t l t l t"},
  {12, "GetDongleCardInfo", "o20 o20 o20"},
  {13, "GetDongleCreditCardInfo", "o20 o20 o40"},
  {14, "GetDongleEtcCardCount", ""},
  {15, "SetTPKData", "t t"},
  {16, "GetDongleEtcCard", "l o40 o40"},
  {17, "SetKeyboardCommand", "l l t l t"},
  {18, "SetViewOption", "l"},
  {19, "GetExDevProductNum", "o32"},
  {20, "GetExDevHWVer", "o32"},
  {21, "GetExDevSWVer", "o32"},
  {22, "GetExDevSAMInfo", "o256"},
  {23, "GetExDeviceLogonInfo", ""},
};
// clang-format on

constexpr control::OutsideLibrary kLibrary{"KavSignPad_Ctl.dll", "KavSignPad", kOperations};

}  // namespace

const control::OutsideLibrary& KavSignPadCtl() { return kLibrary; }

}  // namespace kavorin::web
