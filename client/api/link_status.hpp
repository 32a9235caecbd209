#pragma once
// The link-status display behind KAVORIN_COMStatus: it polls the host's
// StatusCheck every 500 ms, shows each state's lines and decides when the
// exchange is over. OnStatusTick is the whole decision, shared by the
// Windows dialog and the headless display of Linux.
#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace kavorin {

inline constexpr std::chrono::milliseconds kStatusPollPeriod{500};

// What KAVORIN_COMStatus returns.
inline constexpr int kLinkStatusSuccess = 0;
inline constexpr int kLinkStatusFailed = -1;
inline constexpr int kLinkStatusHostFailure = -2;  // the host could not be asked
// The operator (or, headless, the time limit) cancelled before the exchange
// had a final status; three DLE bytes have been sent to the terminal.
inline constexpr int kLinkStatusCancelled = -3;
inline constexpr int kLinkStatusNoDialog = -1000;

enum class SecondLine { kKeep, kHide, kShow };
enum class AfterTick { kKeepPolling, kEnd, kWaitForOk };

struct StatusTick {
  std::optional<std::string> mainLine;  // UTF-8; nothing: unchanged
  SecondLine second = SecondLine::kKeep;
  std::optional<std::string> secondText;  // set with kShow, and for -1000 (visibility kept)
  std::optional<int> status;              // nothing: unchanged
  AfterTick next = AfterTick::kKeepPolling;
};

// The effect of one StatusCheck value. `displayData` is asked only for the
// host's failure answer (-1000).
StatusTick OnStatusTick(int statusCheck, const std::function<std::string()>& displayData);

// Lines shown when the display appears.
inline constexpr char kStatusFirstLine[] = "단말기로의 서비스 요청 중.....";

// A display for the lines (UTF-8).
class LinkStatusView {
 public:
  virtual ~LinkStatusView() = default;
  virtual void ShowMain(const std::string& line) = 0;
  virtual void ShowSecond(const std::string& line, bool visible) = 0;
};

struct LinkStatusHost {
  // StatusCheck; nothing when the host cannot be asked.
  std::function<std::optional<int>()> statusCheck;
  std::function<std::string()> displayData;
  std::function<void()> initCat;
};

// The headless display: polls until the status is final, then returns the
// status the dialog would leave (nobody can press "확인" here). A cancel
// request or `limit` without a final status sends InitCAT and gives
// kLinkStatusCancelled.
int RunLinkStatus(LinkStatusHost& host, LinkStatusView& view, const std::atomic<bool>* cancel,
                  std::chrono::milliseconds limit);

}  // namespace kavorin
