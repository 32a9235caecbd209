#pragma once
// The page script and its type declarations as the build embeds them
// (generated from kavorin-web.js and kavorin-web.d.ts).
#include <string_view>

namespace kavorin::bridge {
extern const std::string_view kClientScriptTemplate;
extern const std::string_view kClientTypes;
}  // namespace kavorin::bridge
