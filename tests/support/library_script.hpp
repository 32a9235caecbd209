#pragma once
// How a scripted outside library answers and what it records, shared by the
// native tests' scripted binding and the Windows stand-in DLLs.
//
// A call is recorded as one line: the operation's ordinal (or its name when
// bound by name), then each argument as received, tab-separated: a text as
// its bytes, a long in decimal, an output buffer as "o<bytes>" when its
// listed bytes arrived zero (else "o<bytes>!"), a data buffer as
// "d<bytes>:" and the hex of its bytes up to the last non-zero one.
//
// An answer is one line "<ordinal or name>\t<result>\t<output 1>\t...".
// An output value is written with its terminating zero, at most the
// buffer's listed size before the zero (a value of the listed size fills the
// buffer and puts its zero just past it, as a library whose field is too
// wide would); "hex:" before a value gives its bytes in hex.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "web/control/outside_library.hpp"

namespace kavorin::test {

inline std::string OperationKey(const control::LibraryOperation& operation) {
  return operation.byName() ? std::string(operation.name) : std::to_string(operation.ordinal);
}

inline std::vector<std::string> SplitTabs(std::string_view line) {
  std::vector<std::string> fields;
  for (;;) {
    const std::size_t tab = line.find('\t');
    fields.emplace_back(line.substr(0, tab));
    if (tab == std::string_view::npos) return fields;
    line.remove_prefix(tab + 1);
  }
}

inline std::string HexOf(std::string_view bytes) {
  std::string out;
  char digits[3];
  for (const char c : bytes) {
    std::snprintf(digits, sizeof digits, "%02x", static_cast<unsigned char>(c));
    out += digits;
  }
  return out;
}

inline std::string FromHex(std::string_view hex) {
  std::string out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(static_cast<char>(std::strtol(std::string(hex.substr(i, 2)).c_str(), nullptr, 16)));
  }
  return out;
}

inline std::string LoggedArgument(const control::CallArg& arg) {
  using control::ArgKind;
  std::string logged;
  switch (arg.kind) {
    case ArgKind::Text: logged = arg.text != nullptr ? arg.text : "(null)"; break;
    case ArgKind::Long: logged = std::to_string(arg.number); break;
    case ArgKind::Output:
      logged.push_back('o');
      logged += std::to_string(arg.bytes);
      if (!std::all_of(arg.buffer, arg.buffer + arg.bytes, [](char c) { return c == '\0'; })) logged.push_back('!');
      break;
    case ArgKind::Data: {
      std::size_t used = arg.bytes;
      while (used > 0 && arg.buffer[used - 1] == '\0') --used;
      logged.push_back('d');
      logged += std::to_string(arg.bytes);
      logged.push_back(':');
      logged += HexOf(std::string_view(arg.buffer, used));
      break;
    }
  }
  return logged;
}

inline std::string LoggedCall(std::string_view key, std::span<const control::CallArg> args) {
  std::string line(key);
  for (const control::CallArg& arg : args) {
    line.push_back('\t');
    line += LoggedArgument(arg);
  }
  return line;
}

// Writes the answer's outputs into the call's output buffers and gives its
// result; an empty answer gives 0 and writes nothing.
inline int ApplyAnswer(const std::vector<std::string>& answer, std::span<const control::CallArg> args) {
  if (answer.size() < 2) return 0;
  std::size_t value = 2;
  for (const control::CallArg& arg : args) {
    if (arg.kind != control::ArgKind::Output || value >= answer.size()) continue;
    const std::string& field = answer[value++];
    std::string bytes = field.rfind("hex:", 0) == 0 ? FromHex(std::string_view(field).substr(4)) : field;
    if (bytes.size() > arg.bytes) bytes.resize(arg.bytes);
    std::memcpy(arg.buffer, bytes.data(), bytes.size());
    arg.buffer[bytes.size()] = '\0';
  }
  return std::atoi(answer[1].c_str());
}

// Answer lines by operation key, used in turn; the last one repeats.
class AnswerBook {
 public:
  void Add(std::string_view line) {
    std::vector<std::string> fields = SplitTabs(line);
    if (fields.size() >= 2) lines_[fields[0]].push_back(std::move(fields));
  }
  std::vector<std::string> Next(const std::string& key) {
    const std::size_t call = calls_[key]++;
    const auto found = lines_.find(key);
    if (found == lines_.end() || found->second.empty()) return {};
    return found->second[std::min(call, found->second.size() - 1)];
  }

 private:
  std::map<std::string, std::vector<std::vector<std::string>>> lines_;
  std::map<std::string, std::size_t> calls_;
};

// A scripted outside library for the native tests: records every call and
// answers from its book.
class ScriptedLibrary {
 public:
  void Answer(std::string_view line) { book_.Add(line); }
  const std::vector<std::string>& log() const { return log_; }
  void ClearLog() { log_.clear(); }

  control::LibraryCall Call() {
    return [this](const control::LibraryOperation& operation, std::span<const control::CallArg> args) {
      const std::string key = OperationKey(operation);
      log_.push_back(LoggedCall(key, args));
      return ApplyAnswer(book_.Next(key), args);
    };
  }

 private:
  AnswerBook book_;
  std::vector<std::string> log_;
};

}  // namespace kavorin::test
