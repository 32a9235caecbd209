#pragma once
// StatusCheck: the progress of the running exchange, or why it ended.
#include "host/link/cat_link.hpp"
#include "host/messages/cat_passage.hpp"

namespace kavorin {

// While the port is open: the link state 1..9, or 100 before anything
// recognisable. Once closed:
inline constexpr int kStatusSuccess = 0;
inline constexpr int kStatusNoResponse = -1;
inline constexpr int kStatusNothingStarted = -2;
inline constexpr int kStatusNoAck = -3;
inline constexpr int kStatusResponseTimeout = -4;
inline constexpr int kStatusDle = -5;
inline constexpr int kStatusGarbage = -6;
inline constexpr int kStatusNak = -7;
inline constexpr int kStatusOtherEnd = -100;
inline constexpr int kStatusFailureCode = -1000;
inline constexpr int kStatusUnknown = 100;

// After an exchange ended on EOT with a response, hands the response to the
// passage (so the getters read it) and checks its response code.
// `statusLevel` lets the texts of states 1, 3 and 4 be reported once per
// exchange; the starter of an exchange sets it to 1.
int StatusCheck(const CatLink& link, CatPassage& passage, int& statusLevel);

}  // namespace kavorin
