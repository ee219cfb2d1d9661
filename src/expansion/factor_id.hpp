#pragma once

#include <cstdint>

namespace kalvira {

// A factor's index in the call's FactorTable: structurally equal factors
// share one, so terms compare factors by comparing ids.
using FactorId = std::uint32_t;

}  // namespace kalvira
