// vornesk --list-modes: the input, output and glue modes by number and name,
// each with whether this build renders it; under a refused output mode, the
// reason the table of output modes gives.
#pragma once

#include <string>

std::string ModeListing();
