#include "setup/installed_files.hpp"

namespace kavorin::setup {

const InstalledFile& FileNumber(int number) { return kInstalledFiles.at(static_cast<std::size_t>(number - 1)); }

}  // namespace kavorin::setup
