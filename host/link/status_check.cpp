#include "host/link/status_check.hpp"

#include <string_view>

namespace kavorin {
namespace {

int StatusWhileOpen(int state, int& statusLevel) {
  switch (state) {
    case kStateEnqSent:
    case kStateRequestSent:
    case kStateResponseReceived:
      if (statusLevel < state) statusLevel = state;
      return state;
    case kStateAckReceived:
    case kStateResponseAnswered:
    case kStateEotReceived:
    case kStateDleReceived:
    case kStateGarbage:
    case kStateNakReceived:
      return state;
    default:
      return kStatusUnknown;
  }
}

int StatusAfterEot(const CatLink& link, CatPassage& passage) {
  if (!ExpectsResponse(passage.messageKind())) return kStatusSuccess;
  if (link.responseLength() <= 0) return kStatusNoResponse;
  const auto response = link.response();
  passage.StoreResponse({reinterpret_cast<const char*>(response.data()), response.size()});
  return passage.CheckResponseCode() == kResponseAccepted ? kStatusSuccess : kStatusFailureCode;
}

}  // namespace

int StatusCheck(const CatLink& link, CatPassage& passage, int& statusLevel) {
  if (link.portOpen() == 1) return StatusWhileOpen(link.state(), statusLevel);
  switch (link.state()) {
    case kStateEotReceived:
      return StatusAfterEot(link, passage);
    case kStateInitial:
      return kStatusNothingStarted;
    case kStateEnqSent:
      return kStatusNoAck;
    case kStateRequestSent:
      return kStatusResponseTimeout;
    case kStateDleReceived:
      return kStatusDle;
    case kStateGarbage:
      return kStatusGarbage;
    case kStateNakReceived:
      return kStatusNak;
    default:
      return kStatusOtherEnd;
  }
}

}  // namespace kavorin
