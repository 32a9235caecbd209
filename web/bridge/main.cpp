// kavorin-web: the KAVORIN_Web members for pages in today's browsers, over
// HTTP and WebSocket on the loopback addresses.
//
//   kavorin-web           serve (until SIGTERM or SIGINT)
//   kavorin-web --check   print the settings it would use, and exit
#include <csignal>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <string>
#include <string_view>

#include <boost/asio/signal_set.hpp>

#include "web/bridge/library_posix.hpp"
#include "web/bridge/server.hpp"
#include "web/bridge/settings.hpp"

namespace {

// One line on stderr (the journal under systemd), with the local time.
void Log(std::string_view line) {
  static std::mutex mutex;
  const std::time_t now = std::time(nullptr);
  char stamp[32] = "";
  std::tm local{};
  localtime_r(&now, &local);
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
  const std::lock_guard lock(mutex);
  std::fprintf(stderr, "%s kavorin-web: %.*s\n", stamp, static_cast<int>(line.size()), line.data());
  std::fflush(stderr);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace kavorin::bridge;
  bool check = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--check") {
      check = true;
    } else {
      std::fprintf(stderr, "usage: kavorin-web [--check]\n");
      return 2;
    }
  }
  const std::string path = SettingsPath();
  std::string error;
  const std::optional<Settings> settings = LoadSettings(path, error);
  if (!settings) {
    std::fprintf(stderr, "kavorin-web: %s\n", error.c_str());
    return 2;
  }
  if (check) {
    std::printf("%slibrary: %s\n", DescribeSettings(*settings, path).c_str(), LibraryPath().c_str());
    return 0;
  }
  std::signal(SIGPIPE, SIG_IGN);
  const std::optional<kavorin::web::LibraryBinding> binding = LoadLibrary(LibraryPath(), error);
  if (!binding) {
    Log(error);
    return 1;
  }
  Server server(*settings, *binding, Log);
  if (!server.Listen(error)) {
    Log(error);
    return 1;
  }
  std::string where;
  for (const std::string& address : settings->addresses) where += " " + address;
  Log("listening on" + where + " port " + std::to_string(server.port()) + ", " +
      std::to_string(settings->origins.size()) + " allowed origin(s)");
  boost::asio::io_context signals_io;
  boost::asio::signal_set signals(signals_io, SIGTERM, SIGINT);
  signals.async_wait([&](const boost::system::error_code&, int) { server.Stop(); });
  std::thread signal_thread([&] { signals_io.run(); });
  server.Run();
  signals_io.stop();
  signal_thread.join();
  Log("stopped");
  return 0;
}
