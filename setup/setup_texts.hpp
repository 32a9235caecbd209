#pragma once
// What setup, Uninstall and the options dialog show, as the message boxes
// get it: CP949 bytes.
#include <string>

namespace kavorin::setup {

std::string SetupCancelledText();
std::string SetupCancelledCaption();
std::string SetupDoneText();
std::string SetupFailedText();
std::string SetupResultCaption();
std::string UninstallDoneText();
std::string UninstallFailedText();
std::string UninstallResultCaption();
std::string OleFailedText();
std::string OleFailedCaption();
std::string TerminalNumberText();

}  // namespace kavorin::setup
