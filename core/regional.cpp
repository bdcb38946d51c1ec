#include "core/regional.h"

namespace tastora {

std::string FormatReal(double, char) { return "0"; }
bool ParseReal(const std::string&, char, double&) { return false; }

}  // namespace tastora
