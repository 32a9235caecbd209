#pragma once
// How an exchange stands, as the host reports it to its clients: the host
// answers with these names and the client's status display keys its texts
// on them.
namespace kavorin {

// While the port is open: the link state 1..9, or this before anything
// recognisable.
inline constexpr int kStatusUnknown = 100;

// Once the port has closed, how the exchange ended:
inline constexpr int kStatusSuccess = 0;
inline constexpr int kStatusNoResponse = -1;
inline constexpr int kStatusNothingStarted = -2;
inline constexpr int kStatusNoAck = -3;
inline constexpr int kStatusResponseTimeout = -4;
inline constexpr int kStatusDle = -5;
inline constexpr int kStatusGarbage = -6;
inline constexpr int kStatusNak = -7;
inline constexpr int kStatusOtherEnd = -100;
// The terminal answered with a refusing response code.
inline constexpr int kStatusFailureCode = -1000;

}  // namespace kavorin
