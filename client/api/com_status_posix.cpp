// KAVORIN_COMStatus on Linux: the status display headless, its lines on
// stderr.
#include <cstdio>

#include "client/api/export_calls.hpp"
#include "client/api/link_status.hpp"

namespace kavorin {
namespace {

// The headless display: each line once, as it changes, on stderr.
class StderrStatusView : public LinkStatusView {
 public:
  void ShowMain(const std::string& line) override { Print(line, main_); }
  void ShowSecond(const std::string& line, bool visible) override {
    if (visible) Print("  " + line, second_);
  }

 private:
  static void Print(const std::string& line, std::string& last) {
    if (line == last) return;
    last = line;
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
  }
  std::string main_, second_;
};

}  // namespace

// Nobody can press a button on the headless display, so its wait is
// bounded: past the response wait of the link with room to spare.
inline constexpr std::chrono::seconds kHeadlessStatusLimit{90};

int ComStatusExport() {
  LinkStatusHost host = MakeLinkStatusHost();
  StderrStatusView view;
  return RunLinkStatus(host, view, nullptr, kHeadlessStatusLimit);
}

}  // namespace kavorin
