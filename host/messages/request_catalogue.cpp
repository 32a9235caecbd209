// The text request catalogue: for every message code the fields in order and
// the service texts that fill them, then the rules that pick between sibling
// codes. The tables are the reference; the code below them only walks them.
#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "host/link/frame.hpp"
#include "host/messages/cat_passage.hpp"

namespace kavorin {
namespace {

using Arg = std::int8_t;  // position of a text in the service's parameter list
constexpr Arg kNone = -1;

// One field: up to three texts sent back to back (the terminal splits a
// composite field by position), or none for a field that is always empty.
struct Field {
  std::array<Arg, 3> args{kNone, kNone, kNone};
};
constexpr Field F(Arg a, Arg b = kNone, Arg c = kNone) { return Field{{a, b, c}}; }
constexpr Field kEmpty{};

// Parameter positions, one list per service signature, in interface order.
namespace credit_auth { enum : Arg { Wcc, Track, Quota, Amount, PrtOpt, UserData }; }
namespace credit_cancel { enum : Arg { Wcc, Track, Quota, TranAmount, TranNumber, TranDate, PrtOpt, UserData }; }
namespace receipt_auth { enum : Arg { Wcc, Track, TranType, Amount, PrtOpt, UserData }; }
namespace receipt_cancel { enum : Arg { Wcc, Track, TranType, TranAmount, TranNumber, TranDate, PrtOpt, UserData }; }
namespace sign_read { enum : Arg { CatID, SeqNumber, AmountOrCardNum, Inst }; }
namespace free_tran { enum : Arg { CommType, UserData }; }
namespace cash_auth { enum : Arg { Amount, PrtOpt }; }
namespace cash_cancel { enum : Arg { TranAmount, TranDate, PrtOpt }; }
namespace result_auth {  // CreditAuthResultPrint
enum : Arg { ResCode, Card, Quota, AuthTime, AuthAmount, ServiceAmount, TaxAmount, AuthNum, IssueName, MemberNum,
             Notice, Purchase, Broad, CashAuthNum, CashBroad };
}
namespace result_cancel {  // CreditCancelResultPrint
enum : Arg { ResCode, Card, Quota, AuthTime, AuthDate, AuthAmount, ServiceAmount, TaxAmount, AuthNum, IssueName,
             MemberNum, Notice, Purchase, Broad, CashAuthNum, CashBroad };
}
namespace sign_auth {  // CreditAuthAndSignPrint
enum : Arg { ResCode, CatID, SeqNumber, Card, Quota, AuthTime, AuthAmount, ServiceAmount, TaxAmount, AuthNum,
             IssueName, MemberNum, Notice, Purchase, Broad, CashAuthNum, CashBroad };
}
namespace sign_cancel {  // CreditCancelAndSignPrint
enum : Arg { ResCode, CatID, SeqNumber, Card, Quota, AuthTime, AuthDate, AuthAmount, ServiceAmount, TaxAmount,
             AuthNum, IssueName, MemberNum, Notice, Purchase, Broad, CashAuthNum, CashBroad };
}
namespace sign_auth_full {  // CreditAuthAndSignPrintFull
enum : Arg { ResCode, CatID, SeqNumber, Card, Quota, AuthTime, AuthAmount, ServiceAmount, TaxAmount, AuthNum,
             IssueName, MemberNum, BusinessNum, RepName, RetailName, RetailAddr, RetailPhone, Notice, Purchase,
             Broad, CashAuthNum, CashBroad };
}
namespace sign_cancel_full {  // CreditCancelAndSignPrintFull
enum : Arg { ResCode, CatID, SeqNumber, Card, Quota, AuthTime, AuthDate, AuthAmount, ServiceAmount, TaxAmount,
             AuthNum, IssueName, MemberNum, BusinessNum, RepName, RetailName, RetailAddr, RetailPhone, Notice,
             Purchase, Broad, CashAuthNum, CashBroad };
}
namespace receipt_print_auth {  // CashReceiptAuthPrint
enum : Arg { ResCode, Card, Quota, AuthTime, AuthAmount, ServiceAmount, TaxAmount, AuthNumber, IssuerName,
             MemberNumber, BizNumber, BossName, BizName, BizAddr, BizTel, Notice, AcquirerName, Broad, CashNumber,
             CashBroad };
}
namespace receipt_print_cancel {  // CashReceiptCancelPrint
enum : Arg { ResCode, Card, Quota, AuthTime, BeforeAuthDate, AuthAmount, ServiceAmount, TaxAmount, AuthNumber,
             IssuerName, MemberNumber, BizNumber, BossName, BizName, BizAddr, BizTel, Notice, AcquirerName, Broad,
             CashNumber, CashBroad };
}
namespace receipt_full_auth {  // CashReceiptAuthPrintFull
enum : Arg { ResCode, CatID, Card, Quota, AuthTime, AuthAmount, ServiceAmount, TaxAmount, AuthNumber, IssuerName,
             MemberNumber, BizNumber, BossName, BizName, BizAddr, BizTel, Notice, AcquirerName, Broad, CashNumber,
             CashBroad };
}
namespace receipt_full_cancel {  // CashReceiptCancelPrintFull
enum : Arg { ResCode, CatID, Card, Quota, AuthTime, BeforeAuthDate, AuthAmount, ServiceAmount, TaxAmount,
             AuthNumber, IssuerName, MemberNumber, BizNumber, BossName, BizName, BizAddr, BizTel, Notice,
             AcquirerName, Broad, CashNumber, CashBroad };
}

// ---- Field lists by code -------------------------------------------------

namespace ca = credit_auth;
constexpr Field kD1[] = {F(ca::Wcc, ca::Track), F(ca::Quota), F(ca::Amount), F(ca::PrtOpt)};
constexpr Field kD3[] = {F(ca::Wcc, ca::Track), F(ca::Quota), F(ca::Amount), F(ca::PrtOpt), F(ca::UserData), kEmpty};

namespace cc = credit_cancel;
constexpr Field kD2[] = {F(cc::Wcc, cc::Track), F(cc::Quota),    F(cc::TranAmount),
                         F(cc::TranNumber),      F(cc::TranDate), F(cc::PrtOpt)};
constexpr Field kD4[] = {F(cc::Wcc, cc::Track), F(cc::Quota),    F(cc::TranAmount), F(cc::TranNumber),
                         F(cc::TranDate),        F(cc::PrtOpt),   F(cc::UserData),   kEmpty};

namespace ra = receipt_auth;
constexpr Field kK1[] = {F(ra::Wcc, ra::Track), F(ra::TranType), F(ra::Amount), F(ra::PrtOpt)};
constexpr Field kK3[] = {F(ra::Wcc, ra::Track), F(ra::TranType), F(ra::Amount), F(ra::PrtOpt), F(ra::UserData), kEmpty};

namespace rc = receipt_cancel;
constexpr Field kK2[] = {F(rc::Wcc, rc::Track), F(rc::TranType), F(rc::TranAmount),
                         F(rc::TranNumber),      F(rc::TranDate), F(rc::PrtOpt)};
constexpr Field kK4[] = {F(rc::Wcc, rc::Track), F(rc::TranType), F(rc::TranAmount), F(rc::TranNumber),
                         F(rc::TranDate),        F(rc::PrtOpt),   F(rc::UserData),   kEmpty};

namespace sr = sign_read;
constexpr Field kRS[] = {F(sr::CatID, sr::SeqNumber)};
constexpr Field kRA[] = {F(sr::CatID, sr::SeqNumber, sr::AmountOrCardNum), F(sr::Inst)};
constexpr Field kRE[] = {F(sr::CatID, sr::SeqNumber, sr::AmountOrCardNum)};
constexpr Field kFT[] = {F(free_tran::CommType, free_tran::UserData)};

// Cash prints keep the D1/D2 positions, without card and quota.
constexpr Field kC1[] = {kEmpty, kEmpty, F(cash_auth::Amount), F(cash_auth::PrtOpt)};
constexpr Field kC2[] = {kEmpty, kEmpty, F(cash_cancel::TranAmount), kEmpty, F(cash_cancel::TranDate),
                         F(cash_cancel::PrtOpt)};

// Credit prints: the approval variants leave the date field of the
// cancellation empty; the cash-receipt number and notice are never sent.
namespace pa = result_auth;
constexpr Field kP3[] = {F(pa::ResCode),   F(pa::Card),      F(pa::Quota),   F(pa::AuthTime),
                         kEmpty,           F(pa::AuthAmount), F(pa::ServiceAmount), F(pa::TaxAmount),
                         F(pa::AuthNum),   F(pa::IssueName), F(pa::MemberNum), F(pa::Notice),
                         F(pa::Purchase),  F(pa::Broad),     kEmpty,          kEmpty};
constexpr Field kP1[] = {F(pa::ResCode),  F(pa::Card),      F(pa::Quota),     F(pa::AuthTime), kEmpty,
                         F(pa::AuthAmount), F(pa::AuthNum), F(pa::IssueName), F(pa::MemberNum), F(pa::Notice),
                         F(pa::Purchase), F(pa::Broad),     kEmpty,           kEmpty};

namespace pc = result_cancel;
constexpr Field kP4[] = {F(pc::ResCode),   F(pc::Card),       F(pc::Quota),         F(pc::AuthTime),
                         F(pc::AuthDate),  F(pc::AuthAmount), F(pc::ServiceAmount), F(pc::TaxAmount),
                         F(pc::AuthNum),   F(pc::IssueName),  F(pc::MemberNum),     F(pc::Notice),
                         F(pc::Purchase),  F(pc::Broad),      kEmpty,               kEmpty};
constexpr Field kP2[] = {F(pc::ResCode),    F(pc::Card),    F(pc::Quota),     F(pc::AuthTime),  F(pc::AuthDate),
                         F(pc::AuthAmount), F(pc::AuthNum), F(pc::IssueName), F(pc::MemberNum), F(pc::Notice),
                         F(pc::Purchase),   F(pc::Broad),   kEmpty,           kEmpty};

namespace sa = sign_auth;
constexpr Field kP5[] = {F(sa::ResCode),   F(sa::CatID),      F(sa::SeqNumber),     F(sa::Card),
                         F(sa::Quota),     F(sa::AuthTime),   kEmpty,               F(sa::AuthAmount),
                         F(sa::ServiceAmount), F(sa::TaxAmount), F(sa::AuthNum),    F(sa::IssueName),
                         F(sa::MemberNum), F(sa::Notice),     F(sa::Purchase),      F(sa::Broad),
                         kEmpty,           kEmpty};

namespace sc = sign_cancel;
constexpr Field kP6[] = {F(sc::ResCode),   F(sc::CatID),      F(sc::SeqNumber),     F(sc::Card),
                         F(sc::Quota),     F(sc::AuthTime),   F(sc::AuthDate),      F(sc::AuthAmount),
                         F(sc::ServiceAmount), F(sc::TaxAmount), F(sc::AuthNum),    F(sc::IssueName),
                         F(sc::MemberNum), F(sc::Notice),     F(sc::Purchase),      F(sc::Broad),
                         kEmpty,           kEmpty};

namespace sf = sign_auth_full;
constexpr Field kP7[] = {F(sf::ResCode),     F(sf::CatID),       F(sf::SeqNumber),   F(sf::Card),
                         F(sf::Quota),       F(sf::AuthTime),    kEmpty,             F(sf::AuthAmount),
                         F(sf::ServiceAmount), F(sf::TaxAmount), F(sf::AuthNum),     F(sf::IssueName),
                         F(sf::MemberNum),   F(sf::BusinessNum), F(sf::RepName),     F(sf::RetailName),
                         F(sf::RetailAddr),  F(sf::RetailPhone), F(sf::Notice),      F(sf::Purchase),
                         F(sf::Broad),       kEmpty,             kEmpty};

namespace sg = sign_cancel_full;
constexpr Field kP8[] = {F(sg::ResCode),     F(sg::CatID),       F(sg::SeqNumber),   F(sg::Card),
                         F(sg::Quota),       F(sg::AuthTime),    F(sg::AuthDate),    F(sg::AuthAmount),
                         F(sg::ServiceAmount), F(sg::TaxAmount), F(sg::AuthNum),     F(sg::IssueName),
                         F(sg::MemberNum),   F(sg::BusinessNum), F(sg::RepName),     F(sg::RetailName),
                         F(sg::RetailAddr),  F(sg::RetailPhone), F(sg::Notice),      F(sg::Purchase),
                         F(sg::Broad),       kEmpty,             kEmpty};

// Cash-receipt prints. The result prints reuse these lists: their texts are
// first widened to this parameter list with five empty business texts.
namespace na = receipt_print_auth;
constexpr Field kN5[] = {F(na::ResCode),      F(na::Card),       F(na::Quota),        F(na::AuthTime),
                         kEmpty,              F(na::AuthAmount), F(na::ServiceAmount), F(na::TaxAmount),
                         F(na::AuthNumber),   F(na::IssuerName), F(na::MemberNumber), F(na::BizNumber),
                         F(na::BossName),     F(na::BizName),    F(na::BizAddr),      F(na::BizTel),
                         F(na::Notice),       F(na::AcquirerName), F(na::Broad),      F(na::CashNumber),
                         F(na::CashBroad)};
constexpr Field kN3[] = {F(na::ResCode),    F(na::Card),         F(na::Quota),         F(na::AuthTime),
                         kEmpty,            F(na::AuthAmount),   F(na::ServiceAmount), F(na::TaxAmount),
                         F(na::AuthNumber), F(na::IssuerName),   F(na::MemberNumber),  F(na::Notice),
                         F(na::AcquirerName), F(na::Broad),      F(na::CashNumber),    F(na::CashBroad)};
constexpr Field kN1[] = {F(na::ResCode),      F(na::Card),       F(na::Quota),        F(na::AuthTime),
                         kEmpty,              F(na::AuthAmount), F(na::AuthNumber),   F(na::IssuerName),
                         F(na::MemberNumber), F(na::Notice),     F(na::AcquirerName), F(na::Broad),
                         F(na::CashNumber),   F(na::CashBroad)};

namespace nc = receipt_print_cancel;
constexpr Field kN6[] = {F(nc::ResCode),      F(nc::Card),       F(nc::Quota),        F(nc::AuthTime),
                         F(nc::BeforeAuthDate), F(nc::AuthAmount), F(nc::ServiceAmount), F(nc::TaxAmount),
                         F(nc::AuthNumber),   F(nc::IssuerName), F(nc::MemberNumber), F(nc::BizNumber),
                         F(nc::BossName),     F(nc::BizName),    F(nc::BizAddr),      F(nc::BizTel),
                         F(nc::Notice),       F(nc::AcquirerName), F(nc::Broad),      F(nc::CashNumber),
                         F(nc::CashBroad)};
constexpr Field kN4[] = {F(nc::ResCode),      F(nc::Card),         F(nc::Quota),         F(nc::AuthTime),
                         F(nc::BeforeAuthDate), F(nc::AuthAmount), F(nc::ServiceAmount), F(nc::TaxAmount),
                         F(nc::AuthNumber),   F(nc::IssuerName),   F(nc::MemberNumber),  F(nc::Notice),
                         F(nc::AcquirerName), F(nc::Broad),        F(nc::CashNumber),    F(nc::CashBroad)};
constexpr Field kN2[] = {F(nc::ResCode),      F(nc::Card),       F(nc::Quota),        F(nc::AuthTime),
                         F(nc::BeforeAuthDate), F(nc::AuthAmount), F(nc::AuthNumber), F(nc::IssuerName),
                         F(nc::MemberNumber), F(nc::Notice),     F(nc::AcquirerName), F(nc::Broad),
                         F(nc::CashNumber),   F(nc::CashBroad)};

// The full variants put the terminal id after the quota.
namespace nf = receipt_full_auth;
constexpr Field kN7[] = {F(nf::ResCode),      F(nf::Card),         F(nf::Quota),         F(nf::CatID),
                         F(nf::AuthTime),     kEmpty,              F(nf::AuthAmount),    F(nf::ServiceAmount),
                         F(nf::TaxAmount),    F(nf::AuthNumber),   F(nf::IssuerName),    F(nf::MemberNumber),
                         F(nf::BizNumber),    F(nf::BossName),     F(nf::BizName),       F(nf::BizAddr),
                         F(nf::BizTel),       F(nf::Notice),       F(nf::AcquirerName),  F(nf::Broad),
                         F(nf::CashNumber),   F(nf::CashBroad)};

namespace ng = receipt_full_cancel;
constexpr Field kN8[] = {F(ng::ResCode),      F(ng::Card),         F(ng::Quota),         F(ng::CatID),
                         F(ng::AuthTime),     F(ng::BeforeAuthDate), F(ng::AuthAmount),  F(ng::ServiceAmount),
                         F(ng::TaxAmount),    F(ng::AuthNumber),   F(ng::IssuerName),    F(ng::MemberNumber),
                         F(ng::BizNumber),    F(ng::BossName),     F(ng::BizName),       F(ng::BizAddr),
                         F(ng::BizTel),       F(ng::Notice),       F(ng::AcquirerName),  F(ng::Broad),
                         F(ng::CashNumber),   F(ng::CashBroad)};

struct Layout {
  std::string_view code;
  std::span<const Field> fields;
};

// ---- Requests ------------------------------------------------------------

// How a request picks its code among the siblings in `layouts`.
enum class Choice {
  Fixed,      // layouts[0]
  ByAmounts,  // [0] when a service or tax amount is given, else [1]
  ByBusiness  // [0] when business texts are given, else [1] with amounts, else [2]
};

struct Request {
  TextRequest request;
  Choice choice;
  std::array<Layout, 3> layouts;
  Arg serviceAmount = kNone;  // for ByAmounts and ByBusiness
  Arg taxAmount = kNone;
  Arg bizNumber = kNone;  // first of the five business texts, for ByBusiness
  Arg emptyBusinessAt = kNone;  // result prints: where five empty business texts go in
};

constexpr std::array<Layout, 3> One(std::string_view code, std::span<const Field> fields) {
  return {Layout{code, fields}, Layout{}, Layout{}};
}
constexpr std::array<Layout, 3> kReceiptAuthCodes{Layout{"N5", kN5}, Layout{"N3", kN3}, Layout{"N1", kN1}};
constexpr std::array<Layout, 3> kReceiptCancelCodes{Layout{"N6", kN6}, Layout{"N4", kN4}, Layout{"N2", kN2}};

// One row a TextRequest, in the enum's order.
constexpr Request kRequests[] = {
    {TextRequest::CreditAuth, Choice::Fixed, One("D1", kD1)},
    {TextRequest::CreditCancel, Choice::Fixed, One("D2", kD2)},
    {TextRequest::CashReceiptAuth, Choice::Fixed, One("K1", kK1)},
    {TextRequest::CashReceiptCancel, Choice::Fixed, One("K2", kK2)},
    {TextRequest::CreditAuth2, Choice::Fixed, One("D3", kD3)},
    {TextRequest::CashReceiptAuth2, Choice::Fixed, One("K3", kK3)},
    {TextRequest::CreditCancel2, Choice::Fixed, One("D4", kD4)},
    {TextRequest::CashReceiptCancel2, Choice::Fixed, One("K4", kK4)},
    {TextRequest::Track2Read, Choice::Fixed, One("RC", {})},
    {TextRequest::Track2AndIDRead, Choice::Fixed, One("RF", {})},
    {TextRequest::Track3Read, Choice::Fixed, One("RD", {})},
    {TextRequest::Track2AndSign, Choice::Fixed, One("RS", kRS)},
    {TextRequest::Track2AndSignWAmountInfo, Choice::Fixed, One("RA", kRA)},
    {TextRequest::SignRead, Choice::Fixed, One("RE", kRE)},
    {TextRequest::FreeStyleTran, Choice::Fixed, One("FT", kFT)},
    {TextRequest::CashApprovalPrint, Choice::Fixed, One("C1", kC1)},
    {TextRequest::CashCancelPrint, Choice::Fixed, One("C2", kC2)},
    {TextRequest::CreditAuthResultPrint, Choice::ByAmounts, {Layout{"P3", kP3}, Layout{"P1", kP1}},
     pa::ServiceAmount, pa::TaxAmount},
    {TextRequest::CreditCancelResultPrint, Choice::ByAmounts, {Layout{"P4", kP4}, Layout{"P2", kP2}},
     pc::ServiceAmount, pc::TaxAmount},
    {TextRequest::CashReceiptAuthResultPrint, Choice::ByBusiness, kReceiptAuthCodes, na::ServiceAmount,
     na::TaxAmount, na::BizNumber, pa::Notice},
    {TextRequest::CashReceiptCancelResultPrint, Choice::ByBusiness, kReceiptCancelCodes, nc::ServiceAmount,
     nc::TaxAmount, nc::BizNumber, pc::Notice},
    {TextRequest::CashReceiptAuthPrint, Choice::ByBusiness, kReceiptAuthCodes, na::ServiceAmount, na::TaxAmount,
     na::BizNumber},
    {TextRequest::CashReceiptCancelPrint, Choice::ByBusiness, kReceiptCancelCodes, nc::ServiceAmount,
     nc::TaxAmount, nc::BizNumber},
    {TextRequest::CreditAuthAndSignPrint, Choice::Fixed, One("P5", kP5)},
    {TextRequest::CreditCancelAndSignPrint, Choice::Fixed, One("P6", kP6)},
    {TextRequest::CreditAuthAndSignPrintFull, Choice::Fixed, One("P7", kP7)},
    {TextRequest::CreditCancelAndSignPrintFull, Choice::Fixed, One("P8", kP8)},
    {TextRequest::CashReceiptAuthPrintFull, Choice::Fixed, One("N7", kN7)},
    {TextRequest::CashReceiptCancelPrintFull, Choice::Fixed, One("N8", kN8)},
};

constexpr bool RowsFollowTheEnum() {
  for (std::size_t i = 0; i < std::size(kRequests); ++i) {
    if (static_cast<std::size_t>(kRequests[i].request) != i) return false;
  }
  return true;
}
static_assert(RowsFollowTheEnum(), "kRequests must list every TextRequest in the enum's order");

constexpr std::size_t kBusinessTexts = 5;  // number, boss, name, address, phone

const Layout& ChooseLayout(const Request& row, const std::vector<std::string_view>& text) {
  const auto given = [&](Arg arg) { return !text[static_cast<std::size_t>(arg)].empty(); };
  const bool amounts = row.choice != Choice::Fixed && (given(row.serviceAmount) || given(row.taxAmount));
  switch (row.choice) {
    case Choice::Fixed:
      return row.layouts[0];
    case Choice::ByAmounts:
      return row.layouts[amounts ? 0 : 1];
    case Choice::ByBusiness: {
      // A business number counts only at its full ten digits; the other
      // business texts count as soon as they are given.
      bool business = text[static_cast<std::size_t>(row.bizNumber)].size() == 10;
      for (std::size_t i = 1; i < kBusinessTexts; ++i) business = business || given(static_cast<Arg>(row.bizNumber + i));
      return row.layouts[business ? 0 : amounts ? 1 : 2];
    }
  }
  return row.layouts[0];
}

// The texts by parameter position, cut at their first NUL; a missing text is
// empty. The result prints get their five empty business texts here.
std::vector<std::string_view> ArgumentTexts(const Request& row, std::span<const std::string> texts) {
  std::vector<std::string_view> args;
  args.reserve(texts.size() + kBusinessTexts);
  for (const std::string& text : texts) args.push_back(std::string_view(text).substr(0, text.find('\0')));
  if (row.emptyBusinessAt != kNone) {
    const auto at = static_cast<std::size_t>(row.emptyBusinessAt);
    if (args.size() < at) args.resize(at);
    args.insert(args.begin() + static_cast<std::ptrdiff_t>(at), kBusinessTexts, std::string_view{});
  }
  return args;
}

}  // namespace

std::optional<std::string> CatPassage::BuildText(TextRequest request, std::span<const std::string> texts) {
  const auto index = static_cast<std::size_t>(request);
  if (index >= std::size(kRequests)) return std::nullopt;
  const Request& row = kRequests[index];

  std::vector<std::string_view> args = ArgumentTexts(row, texts);
  // Every position any layout may read: missing texts count as empty.
  std::size_t needed = 0;
  for (const Layout& layout : row.layouts) {
    for (const Field& field : layout.fields) {
      for (const Arg arg : field.args) {
        if (arg != kNone) needed = std::max(needed, static_cast<std::size_t>(arg) + 1);
      }
    }
  }
  if (args.size() < needed) args.resize(needed);

  const Layout& layout = ChooseLayout(row, args);
  std::string frame;
  BeginFrame(frame);
  frame += layout.code;
  for (const Field& field : layout.fields) {
    frame += static_cast<char>(FS);
    for (const Arg arg : field.args) {
      if (arg != kNone) frame += args[static_cast<std::size_t>(arg)];
    }
    // Stop early: a caller's oversized text must not make us build megabytes.
    if (frame.size() + 2 > kMaxTextFrameBytes) return std::nullopt;
  }
  EndFrame(frame);
  if (frame.size() > kMaxTextFrameBytes) return std::nullopt;

  message_kind_ = MessageKindOf(layout.code);
  request_text_ = frame;
  return frame;
}

bool KeepsPreviousResponse(TextRequest request) {
  return request == TextRequest::Track2AndSign || request == TextRequest::Track2AndSignWAmountInfo ||
         request == TextRequest::FreeStyleTran;
}

}  // namespace kavorin
