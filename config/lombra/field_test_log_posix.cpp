#include "common/config_dir.hpp"
#include "config/lombra/field_test_log.hpp"

namespace kavorin {

// The configuration folder stands for the Windows drive's root.
std::string DefaultFieldTestLogPath() { return ConfigDir() + "/LOMBRA_PC_FieldTest.log"; }

}  // namespace kavorin
