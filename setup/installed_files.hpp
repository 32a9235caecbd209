#pragma once
// The installed set: every file setup puts into the installation folder,
// with how each one is registered, and the orders in which setup and
// Uninstall handle them. Files 4 to 8, 12 and 13 come from outside this
// system; the set only names them.
#include <array>
#include <span>
#include <string_view>

namespace kavorin::setup {

enum class Registration {
  kNone,
  kSelf,       // DllRegisterServer / DllUnregisterServer
  kServerExe,  // "/RegServer" / "/UnregServer", started hidden
};

struct InstalledFile {
  int number;
  std::string_view name;
  Registration registration;
  bool ours;  // built by this project (the rest are outside components)
};

inline constexpr std::array<InstalledFile, 13> kInstalledFiles{{
    {1, "KAVORIN.exe", Registration::kServerExe, true},
    {2, "KAVORIN_Ctl.dll", Registration::kNone, true},
    {3, "KAVORIN_Web.ocx", Registration::kSelf, true},
    {4, "KavSignPad.exe", Registration::kServerExe, false},
    {5, "zelkpay.dat", Registration::kNone, false},
    {6, "zelkpay43.dll", Registration::kNone, false},
    {7, "KavSignPad_Ctl.dll", Registration::kNone, false},
    {8, "KavSignPad_View.dll", Registration::kNone, false},
    {9, "ZelkPayWeb.ocx", Registration::kSelf, true},
    {10, "ZelkSignWeb.ocx", Registration::kSelf, true},
    {11, "Property.dll", Registration::kNone, true},
    {12, "SquozenUtil.dll", Registration::kNone, false},
    {13, "SquozenWeb.ocx", Registration::kSelf, false},
}};

// By number (1 to 13).
const InstalledFile& FileNumber(int number);

// setup deletes the old set in this order before copying.
inline constexpr std::array<int, 13> kSetupDeleteOrder{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
// The host and its library go first, the sign-pad program after the
// payment library.
inline constexpr std::array<int, 13> kCopyOrder{1, 2, 3, 5, 6, 4, 7, 8, 9, 10, 11, 12, 13};
// Uninstall leaves Property.dll in place.
inline constexpr std::array<int, 12> kUninstallDeleteOrder{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 13};

// Copied after the set, and only when the installation folder has none yet:
// a second installation keeps the settings of the first.
inline constexpr std::array<std::string_view, 3> kIniFiles{"KavSignPad.ini", "zelkpay.ini", "KAVORIN.ini"};
// Copied last, never deleted by itself.
inline constexpr std::string_view kUninstallProgram = "Uninstall.exe";

}  // namespace kavorin::setup
