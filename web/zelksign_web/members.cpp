// The members of ZelkSignWeb, by DISPID, with the KavSignPad_Ctl ordinal
// each reaches (kavsignpad_ctl.cpp lists the operations with their
// arguments). Members sharing an operation each call it afresh.
#include <array>

#include "web/zelksign_web/zelksign_web.hpp"

namespace kavorin::web {
namespace {

using control::Member;
using control::MemberArgs;
using control::MemberResult;
using control::ResultKind;

ZelkSignWeb& Self(control::ControlObject& control) { return static_cast<ZelkSignWeb&>(control); }

template <int Ordinal>
MemberResult Forward(control::ControlObject& control, MemberArgs args) {
  return MemberResult::Long(Self(control).Forward(Ordinal, args));
}

template <int Ordinal, std::size_t Output = 0>
MemberResult Read(control::ControlObject& control, MemberArgs args) {
  return MemberResult::Text(Self(control).Read(Ordinal, args, Output));
}

MemberResult SignPadService(control::ControlObject& control, MemberArgs args) {
  return MemberResult::Long(Self(control).SignPadService(args));
}

MemberResult SignData(control::ControlObject& control, MemberArgs) {
  return MemberResult::Text(Self(control).SignDataBase64());
}

constexpr auto kLong = ResultKind::Long;
constexpr auto kText = ResultKind::Text;

// clang-format off
constexpr Member kMembers[] = {
  {1, "SetDisplayOption", "", "option:long x_pos:long y_pos:long", kLong, &Forward<1>},
  {2, "SetViewOption", "", "view_option:long", kLong, &Forward<18>},
  {3, "SignPADService", "", "terminal_number card_number sequence_number msg1 msg2 msg3 msg4", kLong, &SignPadService},
  {4, "GetSignPADLcdType", "", "", kText, &Read<3, 0>},
  {5, "GetSignPADDefFunction", "", "", kText, &Read<3, 1>},
  {6, "GetSignPADModelNo", "", "", kText, &Read<3, 2>},
  {7, "GetSignPADSWVersion", "", "", kText, &Read<3, 3>},
  {8, "GetSignPADCompressMethod", "", "", kText, &Read<3, 4>},
  {9, "GetSignPADSignFile", "", "", kText, &Read<4, 0>},
  {10, "GetSignPADSignData", "", "", kText, &SignData},
  {11, "GetSignPADHashData", "", "", kText, &Read<4, 3>},
  {12, "PinPADService", "", "pin_kind enc_option card_num msg1 msg2", kLong, &Forward<5>},
  {13, "GetPinPADPinData", "", "", kText, &Read<6, 0>},
  {14, "GetPinPADEncIndex", "", "", kText, &Read<6, 1>},
  {15, "SetTPKData", "", "key_index tpk_data", kLong, &Forward<15>},
  {16, "DongleLogin", "", "cat_id", kLong, &Forward<7>},
  {17, "GetDongleLoginSerialNo", "", "", kText, &Read<8, 0>},
  {18, "GetDongleLoginSWVersion", "", "", kText, &Read<8, 1>},
  {19, "GetDongleLoginSAMCSN", "", "", kText, &Read<8, 2>},
  {20, "GetDongleLoginMemberVersion", "", "", kText, &Read<8, 3>},
  {21, "GetDongleErrorCode", "", "", kText, &Read<9>},
  {22, "SetDongleMemberSet", "", "cat_id member_version member_list divide_str", kLong, &Forward<10>},
  {23, "DongleCardInfo", "", "seq_number cat_id credit_card_id:long credit_member_code etc_card_id:long etc_member_code", kLong, &Forward<11>},
  {24, "GetDongleCardTranType", "", "", kText, &Read<12, 0>},
  {25, "GetDongleCardTelecomType", "", "", kText, &Read<12, 1>},
  {26, "GetDongleCardPaymentMethod", "", "", kText, &Read<12, 2>},
  {27, "GetDongleCreditCardType", "", "", kText, &Read<13, 0>},
  {28, "GetDongleCreditCVMInfo", "", "", kText, &Read<13, 1>},
  {29, "GetDongleCreditCardInfo", "", "", kText, &Read<13, 2>},
  {30, "GetDongleEtcCardCount", "", "", kLong, &Forward<14>},
  {31, "GetDongleEtcCardName", "", "index:long", kText, &Read<16, 0>},
  {32, "GetDongleEtcCardInfo", "", "index:long", kText, &Read<16, 1>},
  {33, "SetKeyboardCommand", "", "ui_type:long ok_key:long ok_string cancel_key:long cancel_string", kLong, &Forward<17>},
  {34, "GetExDeviceLogonInfo", "", "", kLong, &Forward<23>},
  {35, "GetExDevProductNum", "", "", kText, &Read<19>},
  {36, "GetExDevHWVer", "", "", kText, &Read<20>},
  {37, "GetExDevSWVer", "", "", kText, &Read<21>},
  {38, "GetExDevSAMInfo", "", "", kText, &Read<22>},
};
// clang-format on

static_assert(std::size(kMembers) == 38 && control::DispidsRunFromOne(kMembers), "one row a DISPID, 1 to 38 in order");

constexpr control::ControlIdentity kIdentity = {
    .moduleName = "ZelkSignWeb.ocx",
    .typeLibraryName = "ZELKSIGNWEBLib",
    .libid = "{04F2EB0E-6571-40E8-9051-EC11EC77FCEE}",
    .versionMajor = 1,
    .versionMinor = 0,
    .typeLibraryHelp = "ZelkSignWeb ActiveX Control module",
    .dispatchName = "_DZelkSignWeb",
    .dispatchIid = "{E3395692-E26A-4130-AE40-82256E1A08A2}",
    .eventsName = "_DZelkSignWebEvents",
    .eventsIid = "{903C9B42-E6CD-4358-AACC-EB94301ECD51}",
    .coclassName = "ZelkSignWeb",
    .clsid = "{944F7A21-064D-4336-A883-A526B1DC1557}",
    .progId = "ZELKSIGNWEB.ZelkSignWebCtrl.1",
    .typeName = "ZelkSignWeb Control",
    .miscStatus = control::kScriptableControlMiscStatus,
    .toolboxBitmap = 1,
    .pageClsid = "{14864C23-40E0-49B7-88BD-4455274C798C}",
    .pageProgId = "ZELKSIGNWEB.ZelkSignWebPropPage.1",
    .pageTypeName = "ZelkSignWeb Property Page",
    .pageCaption = "General",
    .aboutCaption = "About ZelkSignWeb Control",
    .aboutText = "ZelkSignWeb Control, Version 1.0",
    .persistedVersion = 0x00010000,
};

}  // namespace

std::span<const control::Member> ZelkSignWebMembers() { return kMembers; }
const control::ControlIdentity& ZelkSignWebIdentity() { return kIdentity; }

}  // namespace kavorin::web
