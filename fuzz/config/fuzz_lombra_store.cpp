// The LOMBRA PC store over whatever a registry may hold (values missing,
// of the wrong type, too long, counts beyond the entries) and any sequence
// of edits, with writes failing part-way. Whatever happened, a store read
// afterwards without failures opens: the rebuild always succeeds.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "config/lombra/lombra_config.hpp"
#include "tests/config/fake_registry.hpp"

namespace {

using kavorin::CLombraConfig;
using kavorin::FieldTestLog;
using kavorin::test::FakeRegistry;

void StoreValue(FakeRegistry& registry, FuzzedDataProvider& data, const std::string& key, const char* name) {
  switch (data.ConsumeIntegralInRange(0, 3)) {
    case 0:
      break;  // missing
    case 1:
      registry.Set(key, name, data.ConsumeIntegral<std::uint32_t>());
      break;
    default:
      registry.Set(key, name, data.ConsumeRandomLengthString(300));
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  FuzzedDataProvider data(bytes, size);
  FakeRegistry registry;
  const std::string root = "SOFTWARE\\TORQ\\LOMBRA\\";
  if (data.ConsumeBool()) {
    for (const char* name : {"HOST", "PORTCount", "PORT", "LOGHIDE"}) StoreValue(registry, data, root + "Communication", name);
    const int entries = data.ConsumeIntegralInRange(0, 5);
    for (int n = 1; n <= entries; ++n) {
      for (const char* name : {"COMPORT", "SPEED", "DATABIT", "PARITYBIT", "STOPBIT", "Active"}) {
        StoreValue(registry, data, root + "LIST" + std::to_string(n), name);
      }
    }
  }
  const FieldTestLog log("/dev/null");
  CLombraConfig config(registry, log, {});
  config.ReadConfig();
  for (int step = 0; step < 8 && data.remaining_bytes() > 0; ++step) {
    registry.writesLeft = data.ConsumeBool() ? data.ConsumeIntegralInRange(0, 20) : -1;
    const std::string port = data.ConsumeRandomLengthString(300);
    const int index = data.ConsumeIntegralInRange(-1, 6);
    const int number = data.ConsumeIntegral<int>();
    switch (data.ConsumeIntegralInRange(0, 6)) {
      case 0:
        config.AddComInfo(port, number, 8, 0, 0, 1, data.ConsumeBool());
        break;
      case 1:
        config.UpdateComInfo(index, port, number, 7, 1, 1, 0);
        break;
      case 2:
        config.DeleteComInfo(data.ConsumeBool() || config.ports().empty()
                                 ? port
                                 : config.ports()[static_cast<std::size_t>(index < 0 ? 0 : index) % config.ports().size()].port);
        break;
      case 3:
        config.SetHost(port, true);
        break;
      case 4:
        config.SetServerPort(number, true);
        break;
      case 5:
        config.WriteConfigSection(data.ConsumeBool() ? kavorin::kCommunicationSection : kavorin::kPortSection);
        break;
      default:
        config.Reset();
        config.ReadConfig();
        break;
    }
  }
  registry.writesLeft = -1;
  CLombraConfig after(registry, log, {});
  if (!after.ReadConfig()) std::abort();
  // No port is listed twice.
  for (std::size_t i = 0; i < after.ports().size(); ++i) {
    if (after.FindComPort(after.ports()[i].port) != static_cast<int>(i) + 1) std::abort();
  }
  return 0;
}
