#include "config/lombra/field_test_log.hpp"

namespace kavorin {

std::string DefaultFieldTestLogPath() { return "c:\\LOMBRA_PC_FieldTest.log"; }

}  // namespace kavorin
