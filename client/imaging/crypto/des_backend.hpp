#pragma once
// What a platform backend supplies to des.cpp: the raw ECB block operation
// and its load status. des_posix.cpp and des_win32.cpp each define these.
#include <cstddef>
#include <cstdint>
#include <string>

#include "client/imaging/crypto/des.hpp"

namespace kavorin::crypto::backend {

// Called once, under des.cpp's once-guard.
DesStatus Load();

// `length` is a multiple of 8; in and out may alias. Returns kDesOk or
// kDesFailed (after SetLastError with the failing call).
int Ecb(bool encrypt, const DesKey& key, const std::uint8_t* in, std::uint8_t* out, std::size_t length);

void SetLastError(std::string message);

}  // namespace kavorin::crypto::backend
