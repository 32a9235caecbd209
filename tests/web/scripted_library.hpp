#pragma once
// A client library made of scripted functions: every export ordinal records
// its arguments as texts and answers from a script; a getter writes its
// scripted text into the caller's buffer.
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "contract/export_table.hpp"
#include "client/api/include/KAVORIN_Ctl.h"
#include "web/kavorin_web/library_binding.hpp"

namespace kavorin::web::test {

struct ExportCall {
  int ordinal;
  std::vector<std::string> args;  // a getter's buffer shows as ""
  bool operator==(const ExportCall&) const = default;
};

struct Script {
  std::map<int, int> results;         // ordinal -> result (0 when absent)
  std::map<int, std::string> texts;   // getter ordinal -> bytes written (a NUL follows)
  std::vector<ExportCall> calls;
};

inline Script& TheScript() {
  static Script script;
  return script;
}

inline bool IsGetter(int ordinal) { return ExportByOrdinal(ordinal).arguments == "buffer"; }

template <std::size_t>
using Text = char*;

template <int Ordinal, std::size_t... I>
int KAVORIN_CALL Recorded(Text<I>... args) {
  Script& script = TheScript();
  std::vector<char*> pointers{args...};
  ExportCall call{Ordinal, {}};
  if (IsGetter(Ordinal)) {
    const std::string& text = script.texts[Ordinal];
    std::memcpy(pointers[0], text.data(), text.size());
    pointers[0][text.size()] = '\0';
    call.args.emplace_back();
  } else {
    for (char* arg : pointers) call.args.emplace_back(arg);
  }
  script.calls.push_back(std::move(call));
  const auto found = script.results.find(Ordinal);
  return found == script.results.end() ? 0 : found->second;
}

template <int Ordinal, std::size_t... I>
ExportAddress RecorderOf(std::index_sequence<I...>) {
  return reinterpret_cast<ExportAddress>(&Recorded<Ordinal, I...>);
}

template <int Ordinal, std::size_t... N>
ExportAddress RecorderFor(std::size_t arity, std::index_sequence<N...>) {
  ExportAddress found = nullptr;
  ((arity == N ? (found = RecorderOf<Ordinal>(std::make_index_sequence<N>{}), 0) : 0), ...);
  return found;
}

template <int... O>
ExportAddress RecorderForOrdinal(int ordinal, std::size_t arity, std::integer_sequence<int, O...>) {
  ExportAddress found = nullptr;
  ((ordinal == O + 1 ? (found = RecorderFor<O + 1>(arity, std::make_index_sequence<24>{}), 0) : 0), ...);
  return found;
}

// Fresh script, and a binding whose every export records into it.
inline LibraryBinding ScriptedBinding() {
  TheScript() = Script{};
  return BindLibrary([](const ExportEntry& entry) {
    return RecorderForOrdinal(entry.ordinal, static_cast<std::size_t>(ArgumentCount(entry)),
                              std::make_integer_sequence<int, kExportCount>{});
  });
}

}  // namespace kavorin::web::test
