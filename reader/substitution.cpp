#include "reader/substitution.h"

namespace tarvex {

std::string SubstituteNames(TRCParser&, std::string token) { return token; }

}  // namespace tarvex
