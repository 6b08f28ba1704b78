// What module "system" tells the other modules about the switch.
#pragma once
#include <string>

// A field of the canned row that describes the switch as a whole ("" when none).
std::string systemChassisValue(const char *field);
