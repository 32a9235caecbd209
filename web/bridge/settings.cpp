#include "web/bridge/settings.hpp"

#include <charconv>
#include <fstream>
#include <iterator>
#include <sstream>

#include "common/config_dir.hpp"

namespace kavorin::bridge {
namespace {

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

// Only the two loopback addresses: a bridge that triggers payments must not
// be reachable from another machine, not even by a mistaken setting.
bool IsLoopbackListenAddress(std::string_view address) { return address == "127.0.0.1" || address == "::1"; }

// An origin as a browser sends it: scheme "://" host, optional port, no path.
bool LooksLikeOrigin(std::string_view origin) {
  const std::size_t scheme = origin.find("://");
  if (scheme == std::string_view::npos || scheme == 0) return false;
  const std::string_view rest = origin.substr(scheme + 3);
  if (rest.empty() || rest.find('/') != std::string_view::npos) return false;
  for (char c : origin) {
    if (static_cast<unsigned char>(c) <= ' ' || static_cast<unsigned char>(c) >= 0x7F) return false;
  }
  return true;
}

}  // namespace

std::optional<Settings> ParseSettings(std::string_view text, std::string& error) {
  Settings settings;
  bool listenGiven = false;
  int lineNumber = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++lineNumber;
    line = Trim(line.substr(0, line.find('#')));
    if (line.empty()) continue;
    const std::size_t equals = line.find('=');
    const std::string where = "line " + std::to_string(lineNumber) + ": ";
    if (equals == std::string_view::npos) {
      error = where + "expected key=value, found \"" + std::string(line) + "\"";
      return std::nullopt;
    }
    const std::string_view key = Trim(line.substr(0, equals));
    const std::string_view value = Trim(line.substr(equals + 1));
    if (key == "port") {
      unsigned port = 0;
      const auto [next, ec] = std::from_chars(value.data(), value.data() + value.size(), port);
      if (ec != std::errc() || next != value.data() + value.size() || port == 0 || port > 65535) {
        error = where + "port must be a number from 1 to 65535, found \"" + std::string(value) + "\"";
        return std::nullopt;
      }
      settings.port = static_cast<std::uint16_t>(port);
    } else if (key == "listen") {
      if (!IsLoopbackListenAddress(value)) {
        error = where + "refusing to listen on \"" + std::string(value) +
                "\": the bridge listens on the loopback addresses 127.0.0.1 and ::1 only";
        return std::nullopt;
      }
      if (!listenGiven) settings.addresses.clear();
      listenGiven = true;
      settings.addresses.emplace_back(value);
    } else if (key == "origin") {
      if (!LooksLikeOrigin(value)) {
        error = where + "an origin is scheme://host[:port] without a path, found \"" + std::string(value) + "\"";
        return std::nullopt;
      }
      settings.origins.emplace_back(value);
    } else {
      error = where + "unknown setting \"" + std::string(key) + "\" (known: port, listen, origin)";
      return std::nullopt;
    }
  }
  return settings;
}

std::string SettingsPath() { return ConfigDir() + "/" + kSettingsFileName; }

std::optional<Settings> LoadSettings(const std::string& path, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return Settings{};
  std::string text;
  constexpr std::size_t kMostSettingsBytes = 64 * 1024;
  text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (text.size() > kMostSettingsBytes) {
    error = path + ": larger than 64 KiB, not a settings file";
    return std::nullopt;
  }
  std::optional<Settings> settings = ParseSettings(text, error);
  if (!settings) error = path + ": " + error;
  return settings;
}

std::string DescribeSettings(const Settings& settings, const std::string& path) {
  std::ostringstream out;
  out << "settings file: " << path << "\n";
  out << "listen:";
  for (const std::string& address : settings.addresses) out << " " << address;
  out << "\nport: " << settings.port << "\n";
  out << "allowed origins:";
  if (settings.origins.empty()) out << " (none: every page is refused)";
  for (const std::string& origin : settings.origins) out << "\n  " << origin;
  const Limits& limits = settings.limits;
  out << "\nlimits: header " << limits.headerBytes << " bytes, body/message " << limits.bodyBytes
      << " bytes, " << limits.connections << " connections, idle " << limits.idle.count() << " s (WebSocket "
      << limits.socketIdle.count() << " s), " << limits.sessions << " HTTP sessions idle up to "
      << limits.sessionIdle.count() << " min\n";
  return out.str();
}

}  // namespace kavorin::bridge
