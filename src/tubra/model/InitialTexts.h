#pragma once
// Texts the program gives new objects before the user gives them their own.

#include <string>

namespace tubra::model {

// The size text (GBK) new welds, elbows, tees, valves and fittings get: it says nothing about
// the line they sit on.
const std::string& initialSizeText();

}  // namespace tubra::model
