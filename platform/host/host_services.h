// The rest of what this host offers a plug-in besides handles, buffers and
// descriptors: a basic suite that has no named suites, and colour services
// for the colour spaces of the documents it holds (RGB and grey).
#pragma once

#include "platform/host/filter_record.h"

SPBasicSuite* HostServicesBasicSuite();
ColorServicesProc HostServicesColorServices();
