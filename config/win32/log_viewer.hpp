#pragma once
// The LOMBRA PC log viewer: today's log file of the service, in a
// read-only view. The service writes one file a day into the folder "log"
// beside this library, named by the local date: log\20261207.log.
#include <windows.h>

#include <string>

namespace kavorin::property {

std::string TodayLogPath();
bool TodayLogExists();

// Runs the viewer modally over `owner`.
void ShowLogViewer(HWND owner);

}  // namespace kavorin::property
