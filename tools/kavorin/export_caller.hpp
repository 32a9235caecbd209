#pragma once
// Calls any export of the client library by name, with texts as arguments:
// the library's exports take only NUL-terminated strings and buffers, so an
// export is a function of N char pointers, N from 0 to 23.
#include <string>
#include <string_view>
#include <vector>

#include "contract/export_table.hpp"

namespace kavorin::cli {

// The export a command names: "credit-auth", "CreditAuth", "KAVORIN_CreditAuth"
// and "creditauth" all name KAVORIN_CreditAuth; "get card-number" and
// "card-number" name KAVORIN_GetCardNumber.
const ExportEntry* FindCommand(std::string_view command);
// The command form of an export's name: "credit-auth".
std::string CommandName(const ExportEntry& entry);
// The option form of an argument name: "prtOpt" -> "--prt-opt".
std::string OptionName(std::string_view argument);
bool OptionMatches(std::string_view option, std::string_view argument);

// Calls the export with `args` (one per argument; buffers are passed as
// given) and returns its result.
int CallExport(const ExportEntry& entry, const std::vector<char*>& args);

// The export the command line calls for `entry` is the one the library
// exports under entry's name.
bool CallsTheNamedExport(const ExportEntry& entry);

}  // namespace kavorin::cli
