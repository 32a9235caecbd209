#pragma once
// The ZelkPayWeb control without its COM skin: a page's members forwarded
// to zelkpay43.dll, the base64 sign data, the download fields and the three
// results the control keeps (device-logon code and message, send-request
// result). The library holds the transaction itself.
#include <cstddef>
#include <span>
#include <string>

#include "web/control/control_identity.hpp"
#include "web/control/member_table.hpp"
#include "web/control/outside_library.hpp"

namespace kavorin::web {

// What the control keeps, in bytes with the terminating zero.
inline constexpr std::size_t kLogonCodeBytes = 64;
inline constexpr std::size_t kLogonMessageBytes = 128;
inline constexpr std::size_t kSendRequestBytes = 2048;
// The device-logon response code: the first bytes of the first output.
inline constexpr std::size_t kLogonCodeLength = 4;

class ZelkPayWeb final : public control::ControlObject {
 public:
  explicit ZelkPayWeb(control::LibraryCall library);

  // Calls operation `ordinal` with `inputs`; the library's result.
  int Forward(int ordinal, std::span<const std::string> inputs);
  // Calls operation `ordinal` with `inputs` and returns its output
  // `output`; with `emptyOnFailure` a non-zero result gives the empty text.
  std::string Read(int ordinal, std::span<const std::string> inputs, std::size_t output, bool emptyOnFailure);
  // The last input is base64 text, decoded into the operation's data buffer.
  int ForwardSignData(int ordinal, control::MemberArgs args);

  int SetCommonData(control::MemberArgs args);
  // Field 0: the response message (outputs 1 and 2 joined); fields 1 to 6:
  // outputs 3 to 8.
  std::string DownloadField(std::size_t field);
  int ExecuteExDevLogonService(control::MemberArgs args);
  int ExecuteSendRequest(control::MemberArgs args);

  const std::string& logonCode() const { return logonCode_; }
  const std::string& logonMessage() const { return logonMessage_; }
  const std::string& sendRequestResult() const { return sendRequest_; }

 private:
  control::LibraryCall library_;
  std::string logonCode_;
  std::string logonMessage_;
  std::string sendRequest_;
};

std::span<const control::Member> ZelkPayWebMembers();
const control::ControlIdentity& ZelkPayWebIdentity();

}  // namespace kavorin::web
