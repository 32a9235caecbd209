#pragma once
// StatusCheck: the progress of the running exchange, or why it ended.
#include "contract/status_codes.hpp"
#include "host/link/cat_link.hpp"
#include "host/messages/cat_passage.hpp"

namespace kavorin {

// After an exchange ended on EOT with a response, hands the response to the
// passage (so the getters read it) and checks its response code.
// `statusLevel` lets the texts of states 1, 3 and 4 be reported once per
// exchange; the starter of an exchange sets it to 1.
int StatusCheck(const CatLink& link, CatPassage& passage, int& statusLevel);

}  // namespace kavorin
