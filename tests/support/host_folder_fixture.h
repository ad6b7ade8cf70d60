// The fresh host folder ($QUIB_HOME) of the running test.
#pragma once

#include <string>

const std::string& testHostFolder();
