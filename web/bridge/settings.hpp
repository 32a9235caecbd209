#pragma once
// What the bridge runs with: where it listens, which page origins may call
// it, and the bounds on what a page may send. Read from one settings file
// (Linux: $KAVORIN_CONFIG_DIR/kavorin-web.conf); every value has a default,
// and the origin list is empty by default, so a fresh install serves no page.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kavorin::bridge {

inline constexpr std::uint16_t kDefaultPort = 8470;
inline constexpr const char* kSettingsFileName = "kavorin-web.conf";

// Bounds on what a page may send or hold.
struct Limits {
  std::size_t headerBytes = 8 * 1024;
  std::size_t bodyBytes = 64 * 1024;        // one HTTP call, one WebSocket message
  std::size_t connections = 16;             // open at once; more are closed at accept
  std::chrono::seconds idle{30};            // an HTTP connection with no request
  std::chrono::seconds socketIdle{60};      // a WebSocket whose peer stops answering pings
  std::size_t sessions = 64;                // HTTP page sessions kept at once
  std::chrono::minutes sessionIdle{30};     // an unused HTTP session is forgotten
};

struct Settings {
  std::vector<std::string> addresses{"127.0.0.1", "::1"};
  std::uint16_t port = kDefaultPort;
  std::vector<std::string> origins;  // exact "scheme://host[:port]" texts
  Limits limits;
};

// Reads settings text: one "key=value" a line, '#' starts a comment. Keys:
// port, listen (repeatable; replaces the default pair), origin (repeatable).
// Fills `error` and gives nothing for an unknown key, a bad value, or an
// address other than 127.0.0.1 and ::1.
std::optional<Settings> ParseSettings(std::string_view text, std::string& error);

// The settings file's text, or the defaults when there is no file.
std::optional<Settings> LoadSettings(const std::string& path, std::string& error);
std::string SettingsPath();  // $KAVORIN_CONFIG_DIR/kavorin-web.conf

// The settings as `kavorin-web --check` prints them.
std::string DescribeSettings(const Settings& settings, const std::string& path);

}  // namespace kavorin::bridge
