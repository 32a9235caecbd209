#include "web/control/outside_library.hpp"

#include <algorithm>
#include <charconv>

#include "web/control/member_table.hpp"

namespace kavorin::control {

std::vector<ArgSpec> ArgSpecs(const LibraryOperation& operation) {
  std::vector<ArgSpec> specs;
  std::string_view rest = operation.args;
  while (!rest.empty()) {
    const std::size_t space = rest.find(' ');
    const std::string_view word = rest.substr(0, space);
    rest = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
    if (word.empty()) continue;
    std::size_t bytes = 0;
    std::from_chars(word.data() + 1, word.data() + word.size(), bytes);
    switch (word.front()) {
      case 'l': specs.push_back({ArgKind::Long, 0}); break;
      case 'o': specs.push_back({ArgKind::Output, bytes}); break;
      case 'd': specs.push_back({ArgKind::Data, bytes}); break;
      default: specs.push_back({ArgKind::Text, 0}); break;
    }
  }
  return specs;
}

const LibraryOperation* FindOperation(const OutsideLibrary& library, int ordinal) {
  for (const LibraryOperation& operation : library.operations) {
    if (operation.ordinal == ordinal) return &operation;
  }
  return nullptr;
}

const LibraryOperation* FindOperation(const OutsideLibrary& library, std::string_view name) {
  for (const LibraryOperation& operation : library.operations) {
    if (operation.name == name) return &operation;
  }
  return nullptr;
}

namespace {
constexpr LibraryOperation kNoOperation{-1, "", ""};
}  // namespace

const LibraryOperation& OperationAt(const OutsideLibrary& library, int ordinal) {
  const LibraryOperation* operation = FindOperation(library, ordinal);
  return operation != nullptr ? *operation : kNoOperation;
}

OperationCall::OperationCall(const LibraryOperation& operation) : operation_(operation), specs_(ArgSpecs(operation)) {
  for (const ArgSpec& spec : specs_) {
    if (spec.kind == ArgKind::Output) {
      outputs_.push_back(buffers_.size());
      buffers_.emplace_back(spec.bytes + kOutputGuardBytes, '\0');
    } else if (spec.kind == ArgKind::Data) {
      buffers_.emplace_back(spec.bytes, '\0');
    }
  }
}

int OperationCall::Run(const LibraryCall& library, std::span<const std::string> inputs) {
  std::vector<CallArg> args;
  args.reserve(specs_.size());
  std::size_t input = 0;
  std::size_t buffer = 0;
  for (const ArgSpec& spec : specs_) {
    CallArg arg{spec.kind};
    if (spec.kind == ArgKind::Output) {
      std::string& lent = buffers_[buffer++];
      std::fill(lent.begin(), lent.end(), '\0');
      arg.buffer = lent.data();
      arg.bytes = spec.bytes;
      args.push_back(arg);
      continue;
    }
    if (input >= inputs.size()) return kOperationMissing;
    const std::string& value = inputs[input++];
    switch (spec.kind) {
      case ArgKind::Text: arg.text = value.c_str(); break;
      case ArgKind::Long: {
        const auto number = LongArgument(value);
        if (!number) return kOperationMissing;
        arg.number = *number;
        break;
      }
      case ArgKind::Data: {
        if (value.size() > spec.bytes) return kArgumentTooLong;
        std::string& data = buffers_[buffer++];
        std::fill(data.begin(), data.end(), '\0');
        data.replace(0, value.size(), value);
        arg.buffer = data.data();
        arg.bytes = spec.bytes;
        break;
      }
      case ArgKind::Output: break;
    }
    args.push_back(arg);
  }
  if (input != inputs.size() || !library || &operation_ == &kNoOperation) return kOperationMissing;
  return library(operation_, args);
}

std::string OperationCall::Text(std::size_t index) const {
  if (index >= outputs_.size()) return {};
  const std::size_t listed = Bytes(index).size();
  return CutCp949(std::string(buffers_[outputs_[index]].c_str()), listed == 0 ? 0 : listed - 1);
}

std::string_view OperationCall::Bytes(std::size_t index) const {
  if (index >= outputs_.size()) return {};
  const std::string& lent = buffers_[outputs_[index]];
  return std::string_view(lent).substr(0, lent.size() - kOutputGuardBytes);
}

std::string CutCp949(std::string text, std::size_t bytes) {
  if (text.size() <= bytes) return text;
  std::size_t end = 0;
  while (end < text.size()) {
    const auto lead = static_cast<unsigned char>(text[end]);
    const std::size_t width = lead >= 0x81 && lead <= 0xFE && end + 1 < text.size() ? 2 : 1;
    if (end + width > bytes) break;
    end += width;
  }
  text.resize(end);
  return text;
}

}  // namespace kavorin::control
