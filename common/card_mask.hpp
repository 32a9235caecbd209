#pragma once
// How the system hides a card number wherever it shows one: the number
// without its track remainder (from the first "="), its last six characters
// replaced by '*'; a number too short to hide six characters stays as it is.
#include <algorithm>
#include <string>

namespace kavorin {

inline std::string MaskedCard(std::string card) {
  card.resize(std::min(card.size(), card.find('=')));
  if (card.size() >= 6) card.replace(card.size() - 6, 6, 6, '*');
  return card;
}

}  // namespace kavorin
