// kavorin: every export of the client library from the shell.
//
//   kavorin <command> [--argument value ...]
//   kavorin credit-auth --track 9410123412341234=2812 --quota 00 --amount 1000 --prt-opt 0
//   kavorin com-status
//   kavorin get card-number
//   kavorin demo
//   kavorin lombra list
//
// Texts are UTF-8 on the command line and on the terminal, CP949 towards
// the library. The exit status is the export's result (a negative result
// wraps to 256 + result: -2 exits 254).
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/hex.hpp"
#include "common/text_codec.hpp"
#include "tools/kavorin/demo.hpp"
#include "tools/kavorin/export_caller.hpp"
#include "tools/kavorin/lombra_commands.hpp"

namespace {

using namespace kavorin;
using namespace kavorin::cli;

constexpr std::size_t kBufferBytes = 16384;

void PrintUsage() {
  std::printf(
      "kavorin: the card terminal's client library from the shell.\n\n"
      "usage: kavorin <command> [--argument value ...]\n"
      "       kavorin get <field>          a result field, e.g. kavorin get card-number\n"
      "       kavorin demo [--keep]        a credit approval and its voucher against the built-in\n"
      "                                    terminal simulator, in a temporary configuration\n"
      "       kavorin lombra <command>     the LOMBRA PC settings (kavorin lombra help)\n"
      "       kavorin help                 this list\n\n"
      "Arguments not given are empty texts. Texts are UTF-8 here and CP949 for the terminal.\n"
      "The exit status is the export's result (-2 exits as 254).\n\ncommands:\n");
  for (const auto& entry : ExportTable()) {
    std::string line = "  " + CommandName(entry);
    for (std::string_view rest = entry.arguments; !rest.empty();) {
      const auto space = rest.find(' ');
      const std::string_view argument = rest.substr(0, space);
      if (argument != "buffer") line += " " + OptionName(argument) + " X";
      rest = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
    }
    std::printf("%s\n", line.c_str());
  }
}

std::vector<std::string_view> Arguments(const ExportEntry& entry) {
  std::vector<std::string_view> names;
  for (std::string_view rest = entry.arguments; !rest.empty();) {
    const auto space = rest.find(' ');
    names.push_back(rest.substr(0, space));
    rest = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
  }
  return names;
}

// What an export writes into a buffer, as the terminal should show it.
void PrintOutput(const ExportEntry& entry, int result, const std::vector<char>& buffer) {
  const std::string_view name = entry.name;
  if (name == "KAVORIN_GetBitMapData") {
    if (result > 0) {
      std::printf("%s\n", BytesToHexUpper({reinterpret_cast<const std::uint8_t*>(buffer.data()),
                                           static_cast<std::size_t>(result)}).c_str());
    }
    return;
  }
  if (name == "KAVORIN_SignPADSignData") {
    // Raw bytes: shown as hex up to the first zero byte.
    const std::size_t length = std::strlen(buffer.data());
    std::printf("%s\n",
                BytesToHexUpper({reinterpret_cast<const std::uint8_t*>(buffer.data()), length}).c_str());
    return;
  }
  std::printf("%s\n", Utf8FromCp949(buffer.data()).c_str());
}

int RunExport(const ExportEntry& entry, int argc, char** argv) {
  const auto names = Arguments(entry);
  std::vector<std::string> texts(names.size());
  for (int i = 0; i < argc; ++i) {
    const std::string option = argv[i];
    std::size_t index = names.size();
    for (std::size_t n = 0; n < names.size(); ++n) {
      if (option.rfind("--", 0) == 0 && OptionMatches(option.substr(2), names[n])) index = n;
    }
    if (index == names.size() || names[index] == "buffer" || i + 1 >= argc) {
      std::fprintf(stderr, "kavorin: %s takes no option %s (see kavorin help)\n", CommandName(entry).c_str(),
                   option.c_str());
      return 2;
    }
    texts[index] = Cp949FromUtf8(argv[++i]);
  }
  std::vector<char> buffer(kBufferBytes, '\0');
  std::vector<char*> args;
  bool writes = false;
  for (std::size_t n = 0; n < names.size(); ++n) {
    const bool is_buffer = names[n] == "buffer";
    writes = writes || is_buffer;
    args.push_back(is_buffer ? buffer.data() : texts[n].data());
  }
  const int result = CallExport(entry, args);
  if (writes) PrintOutput(entry, result, buffer);
  std::printf("%s: %d\n", entry.name.data(), result);
  return result & 0xFF;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "help") == 0 || std::strcmp(argv[1], "--help") == 0 ||
      std::strcmp(argv[1], "-h") == 0) {
    PrintUsage();
    return argc < 2 ? 2 : 0;
  }
  const std::string command = argv[1];
  if (command == "demo") return RunDemo(argc - 2, argv + 2);
  if (command == "lombra") return RunLombra(argc - 2, argv + 2);
  int first_option = 2;
  std::string name = command;
  if (command == "get" && argc > 2) {
    name = std::string("get-") + argv[2];
    first_option = 3;
  }
  const ExportEntry* entry = FindCommand(name);
  if (entry == nullptr && command == "get" && argc > 2) entry = FindCommand(argv[2]);
  if (entry == nullptr) {
    std::fprintf(stderr, "kavorin: no command %s (see kavorin help)\n", name.c_str());
    return 2;
  }
  return RunExport(*entry, argc - first_option, argv + first_option);
}
