// Boost.JSON's implementation, compiled once here (header-only use).
#include <boost/json/src.hpp>
