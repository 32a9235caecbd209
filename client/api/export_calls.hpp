#pragma once
// The logic of the exports, one function a family, shared by the Linux and
// Windows libraries. Every host call runs the same frame: activate the
// host's service, make the call(s), convert the result, and on a failure
// show the export's own message and answer -10000.
#include <cstddef>
#include <initializer_list>
#include <string>

#include "client/api/link_status.hpp"

namespace kavorin {

// Results shared by the export families.
inline constexpr int kExportOk = 0;
inline constexpr int kHostRefused = -2;
inline constexpr int kHostFailure = -10000;
// A null pointer where the export must write its answer: nothing is called
// and nothing written. Null input texts count as empty texts.
inline constexpr int kNullBuffer = -20;
// The host's answer is longer than the caller's buffer may be (the sizes
// below): nothing is written.
inline constexpr int kAnswerTooLong = -4;
// The host's runtime folder, or the process that answered there, is not the
// caller's own (Linux): nothing was sent, and the reason is on stderr.
inline constexpr int kHostUntrusted = -10001;
// KAVORIN_SetRegCOMPort: the name was not stored.
inline constexpr int kPortNotStored = -1;

// The buffer sizes the getters' callers provide, terminating NUL included
// where one is written; no getter writes more.
inline constexpr std::size_t kTextAnswerBytes = 8192;
inline constexpr std::size_t kSignDataBytes = 4096;      // decoded bytes and a zero
inline constexpr std::size_t kSignDataHexBytes = 4000;   // decoded bytes before hex: 8000 characters, no NUL

// Request exports: 0 the host accepted, -2 it answered anything else,
// -10000 after the message on a host failure; 0 without an interface.
int RequestExport(int ordinal, std::initializer_list<const char*> args);
// StatusCheck and ServiceTerminate: the host's value as it is.
int PassThroughExport(int ordinal);
// Getters: the host's result code; the value as CP949 text with its NUL.
int TextGetterExport(int ordinal, char* buffer);
int SignDataBytesExport(char* buffer);
int SignDataHexExport(char* buffer);
int FreeStyleResultMessageExport(char* buffer);
// The two-call free-style sequence: CashApprovalPrint("EXFREE", mode), then
// FreeStylePrint(data). Here a missing interface is a failure too.
int FreeStylePrintExport(int ordinal, const std::string& mode, const std::string& data);
int TextFreeStylePrintExport(const char* data);
int ExFreeStylePrintExport(const char* data);
int FreeStyleTranExport(const char* commType, const char* userData);

// The image exports.
int SignDataToBmpExport(const char* index, const char* catId, const char* cardNum, const char* seqNum,
                        const char* signData, const char* filePath);
int GetBitMapDataExport(const char* path, char* buffer);
int UploadImageExport(const char* path);

int ComCreateExport();
int ComStatusExport();
// StatusCheck, GetDisplayData and InitCAT of the host, for a status display.
LinkStatusHost MakeLinkStatusHost();
int GetRegComPortExport(char* port);
int SetRegComPortExport(const char* port);

}  // namespace kavorin
