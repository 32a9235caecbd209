#include "client/api/link_status.hpp"

#include <thread>

#include "contract/status_codes.hpp"

namespace kavorin {
namespace {

struct Row {
  int code;
  const char* mainLine;
};

// clang-format off
constexpr Row kProgress[] = {
  {1, "단말기로 ENQ를 송신..."},
  {2, "단말기로부터 ACK를 수신..."},
  {3, "단말기를 확인하여 주시기 바랍니다..."},
  {4, "단말기로부터 응답전문을 수신..."},
  {5, "단말기로 응답전문 검사결과를 송신..."},
  {6, "단말기로부터 통신종료요청을 수신..."},
  {7, "단말기로부터 사용자취소를 수신..."},
  {8, "단말기로부터 알 수 없는 데이터를 수신..."},
  {9, "단말기로부터 NAK를 수신..."},
  {kStatusUnknown, "알 수 없는 상황임."},
};

constexpr const char* kCheckConnection = "단말기와의 연결을 확인하여 주시기 바랍니다.";
constexpr const char* kTryAgain = "다시 시도하여 주시기 바랍니다.";

struct FailureRow {
  int code;
  const char* mainLine;
  const char* secondLine;
};

constexpr FailureRow kFailures[] = {
  {kStatusNoResponse, "단말기와의 통신이 비정상적으로 종료 되었습니다.", kCheckConnection},
  {kStatusNothingStarted, "단말기와의 통신이 초기화 상태입니다.", kCheckConnection},
  {kStatusNoAck, "단말기와의 통신중 ACK 타임아웃이 발생하였습니다.", kCheckConnection},
  {kStatusResponseTimeout, "단말기와의 통신중 응답전문 타임아웃이 발생하였습니다.", kCheckConnection},
  {kStatusDle, "단말기에서 사용자 취소가 발생하였습니다.", kTryAgain},
  {kStatusGarbage, "단말기와의 통신중 알 수 없는 데이터가 수신되었습니다.", kTryAgain},
  {kStatusNak, "송신데이터 불량으로 장애가 발생하였습니다.", kTryAgain},
  {kStatusOtherEnd, "단말기와의 통신중 알 수 없는 장애가 발생하였습니다.", kTryAgain},
};
// clang-format on

}  // namespace

StatusTick OnStatusTick(int statusCheck, const std::function<std::string()>& displayData) {
  StatusTick tick;
  if (statusCheck == kStatusSuccess) {
    tick.mainLine = "단말기와의 통신이 정상 완료 되었습니다.";
    tick.second = SecondLine::kHide;
    tick.status = kLinkStatusSuccess;
    tick.next = AfterTick::kEnd;
    return tick;
  }
  if (statusCheck > 0) {
    for (const auto& row : kProgress) {
      if (row.code == statusCheck) {
        tick.mainLine = row.mainLine;
        tick.second = SecondLine::kHide;
      }
    }
    return tick;  // any other positive value changes nothing
  }
  tick.next = AfterTick::kWaitForOk;
  for (const auto& row : kFailures) {
    if (row.code == statusCheck) {
      tick.mainLine = row.mainLine;
      tick.second = SecondLine::kShow;
      tick.secondText = row.secondLine;
      tick.status = kLinkStatusFailed;
    }
  }
  if (statusCheck == kStatusFailureCode) {
    tick.mainLine = "호스트에서 정상처리를 하지 못하였습니다.";
    tick.secondText = displayData ? displayData() : std::string();
    tick.status = kLinkStatusFailed;
  }
  return tick;
}

int RunLinkStatus(LinkStatusHost& host, LinkStatusView& view, const std::atomic<bool>* cancel,
                  std::chrono::milliseconds limit) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + limit;
  int status = kLinkStatusFailed;
  view.ShowMain(kStatusFirstLine);
  for (;;) {
    // Sleep in short steps so that a cancel is seen at once.
    const auto tick_at = Clock::now() + kStatusPollPeriod;
    while (Clock::now() < tick_at) {
      if (cancel != nullptr && cancel->load()) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if ((cancel != nullptr && cancel->load()) || Clock::now() >= deadline) {
      if (host.initCat) host.initCat();
      return kLinkStatusCancelled;
    }
    const std::optional<int> check = host.statusCheck();
    if (!check) return kLinkStatusHostFailure;
    const StatusTick tick = OnStatusTick(*check, host.displayData);
    if (tick.mainLine) view.ShowMain(*tick.mainLine);
    if (tick.second == SecondLine::kShow) view.ShowSecond(tick.secondText.value_or(""), true);
    if (tick.second == SecondLine::kKeep && tick.secondText) view.ShowSecond(*tick.secondText, true);
    if (tick.status) status = *tick.status;
    if (tick.next != AfterTick::kKeepPolling) return status;
  }
}

}  // namespace kavorin
