// vornesk --list-modes: the input, output and glue modes by number and name,
// each with whether this build renders it.
#pragma once

#include <string>

std::string ModeListing();
