// The C exports, made from the service catalogue: every export hands its
// arguments to the logic of its family with its ordinal. The public header
// declares the same functions, so a row that disagrees with it does not
// compile.
#include "client/api/export_calls.hpp"
#include "client/api/include/KAVORIN_Ctl.h"
#include "contract/service_catalogue.hpp"

#define KAVORIN_CALL_Request(ordinal, params) \
  kavorin::RequestExport(ordinal, {KAVORIN_LIST(KAVORIN_PARAM_NAME, KAVORIN_UNPAREN params)})
#define KAVORIN_CALL_PassThrough(ordinal, params) kavorin::PassThroughExport(ordinal)
#define KAVORIN_CALL_Getter(ordinal, params) \
  kavorin::TextGetterExport(ordinal, KAVORIN_LIST(KAVORIN_PARAM_NAME, KAVORIN_UNPAREN params))
#define KAVORIN_CALL_Own(function) kavorin::function KAVORIN_OWN_ARGUMENTS
#define KAVORIN_OWN_ARGUMENTS(ordinal, params) (KAVORIN_LIST(KAVORIN_PARAM_NAME, KAVORIN_UNPAREN params))

#define KAVORIN_DEFINE_EXPORT(ordinal, name, decoration, method, call, params, failure)                   \
  KAVORIN_API int KAVORIN_CALL KAVORIN_##name(KAVORIN_LIST(KAVORIN_PARAM_DECL, KAVORIN_UNPAREN params)) { \
    return KAVORIN_CALL_##call(ordinal, params);                                                          \
  }

extern "C" {
KAVORIN_EXPORTS(KAVORIN_DEFINE_EXPORT)
}  // extern "C"
