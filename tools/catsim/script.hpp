#pragma once
// Faults the simulated terminal commits in one exchange. Exchanges count
// from 1 (each ENQ from the host starts one), so a test can make exchange 1
// fail and exchange 2 succeed.
//
// Text form (the CLI's --fault, also handy in tests): items separated by
// commas, e.g. "bad-lrc,split=300" or "noise-before-ack=00,silence".
//   silence | nak | dle | eot            answer ENQ with nothing / that byte
//   noise-before-ack=HEX                 bytes sent just before the ACK
//   request-silence | request-nak | request-dle | request-eot
//                                        answer a good request that way
//   noise-before-response=HEX            bytes sent just before the response
//   noise-inside=HEX[@OFFSET]            bytes put into the response (default
//                                        offset 3, right after the code)
//   split[=MS][@OFFSET]                  response in two writes, MS apart
//                                        (default 200 ms, at the middle)
//   bad-lrc[=N]                          the first N responses (default 1)
//                                        carry a wrong LRC
//   slow=MS                              MS more between bytes
//   hang-up                              close the line halfway through the
//                                        response
//   no-eot                               no EOT after the host's ACK
//   response-code=TEXT                   field 1 of this exchange's response
#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace catsim {

enum class Reply { Normal, Silence, Nak, Dle, Eot };

struct ExchangeScript {
  Reply enqReply = Reply::Normal;
  std::string noiseBeforeAck;
  Reply requestReply = Reply::Normal;
  std::string noiseBeforeResponse;
  std::string noiseInside;
  std::size_t noiseInsideAt = 3;
  bool split = false;
  std::optional<std::size_t> splitAt;  // default: the middle
  std::chrono::milliseconds splitPause{200};
  int badLrc = 0;
  std::chrono::milliseconds slowByte{0};
  bool hangUp = false;
  bool eot = true;
  std::optional<std::string> responseCode;
};

// Parses the text form; on failure returns nothing and says why in `error`.
std::optional<ExchangeScript> ParseScript(std::string_view text, std::string& error);

}  // namespace catsim
