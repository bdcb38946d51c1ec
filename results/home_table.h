#pragma once
// The home-key table data\home.txt: lines of two numbers, a key and the home-row key of its
// finger (0: none), read up to the line of key 52.
#include <array>
#include <string>

#include "exercise/keys.h"

namespace tastora {

constexpr char kHomeTablePath[] = "data\\home.txt";

enum class HomeTableState { Complete, Damaged, Missing };

// home[k]: the home key of key k (0: none).
using HomeTable = std::array<int, kKeyCount + 1>;

// Lines that are not two numbers of keys 1..61 are left out and make the table Damaged, as
// does a table without a line for key 52.
HomeTableState ParseHomeTable(const std::string& bytes, HomeTable& home);
// Reads data\home.txt; Missing when it cannot be read.
HomeTableState ReadHomeTable(HomeTable& home);

}  // namespace tastora
