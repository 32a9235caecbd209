#pragma once
// A library outside the system that a control forwards to, as data: its
// file, and one row an operation with the ordinal the control binds and the
// arguments the control passes. Calls go through a LibraryCall: on Windows
// the control's import table (generated from these rows, so the ordinals
// and argument lists live here only), in tests a scripted function.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kavorin::control {

// Text: a CP949 text in (char*). Long: a 32-bit integer in. Output: a
// zero-filled buffer the library writes a NUL-terminated text (or bytes)
// into. Data: a zero-filled buffer of bytes in.
enum class ArgKind { Text, Long, Output, Data };

struct ArgSpec {
  ArgKind kind;
  std::size_t bytes;  // Output and Data: the buffer's size
  bool operator==(const ArgSpec&) const = default;
};

struct LibraryOperation {
  // The export ordinal; 0 for an operation bound by its export name.
  int ordinal;
  // Our name for the operation; the export name when bound by name.
  std::string_view name;
  // The arguments in order, separated by spaces: "t" text, "l" long,
  // "o<bytes>" output buffer, "d<bytes>" data buffer ("t t o100").
  std::string_view args;

  bool byName() const { return ordinal == 0; }
};

struct OutsideLibrary {
  std::string_view file;           // "zelkpay43.dll"
  // Stem of the link-time symbols made for the library: <stem>Ordinal<N>
  // and <stem>_<name> for the imports, <stem>Call for the call function.
  std::string_view symbolStem;
  std::span<const LibraryOperation> operations;
};

std::vector<ArgSpec> ArgSpecs(const LibraryOperation& operation);
const LibraryOperation* FindOperation(const OutsideLibrary& library, int ordinal);
const LibraryOperation* FindOperation(const OutsideLibrary& library, std::string_view name);
// The operation with `ordinal`, or one that an OperationCall never runs.
const LibraryOperation& OperationAt(const OutsideLibrary& library, int ordinal);

// One argument as the library receives it.
struct CallArg {
  ArgKind kind;
  const char* text = nullptr;   // Text
  std::int32_t number = 0;      // Long
  char* buffer = nullptr;       // Output, Data
  std::size_t bytes = 0;        // Output, Data: the buffer's size as listed
};

// Runs one operation with its arguments; the result is the library's int.
using LibraryCall = std::function<int(const LibraryOperation& operation, std::span<const CallArg> args)>;

// A call to an operation the binding does not have: the code a library
// gives when it cannot be reached.
inline constexpr int kOperationMissing = -10000;
// An argument that does not fit the buffer the control passes it in: the
// control refuses the call with this code and the library is not called.
inline constexpr int kArgumentTooLong = -10;

// Every output buffer is lent this many zero bytes longer than listed: a
// library that fills a buffer to its last byte writes its terminating zero
// into the guard, not past the control's memory. What the control reads
// back is cut to the listed size less one.
inline constexpr std::size_t kOutputGuardBytes = 4096;

// One call of an operation: inputs in, outputs lent zero-filled, outputs
// read back bounded.
class OperationCall {
 public:
  explicit OperationCall(const LibraryOperation& operation);

  // `inputs` fill the Text, Long and Data arguments in order (a Long as its
  // decimal text, Data as raw bytes). kArgumentTooLong when a Data input
  // exceeds its buffer, kOperationMissing when the inputs do not match the
  // operation; else the library's result.
  int Run(const LibraryCall& library, std::span<const std::string> inputs);

  // Output `index` (counting outputs only) as text: up to its first zero,
  // at most the listed size less one, never ending inside a CP949
  // character.
  std::string Text(std::size_t index) const;
  // Output `index` as raw bytes, exactly its listed size.
  std::string_view Bytes(std::size_t index) const;

 private:
  const LibraryOperation& operation_;
  std::vector<ArgSpec> specs_;
  std::vector<std::string> buffers_;  // one per Output or Data argument
  std::vector<std::size_t> outputs_;  // indexes into buffers_ of the outputs
};

// Cuts CP949 text to at most `bytes` bytes without splitting a character.
std::string CutCp949(std::string text, std::size_t bytes);

}  // namespace kavorin::control
