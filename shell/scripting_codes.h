// The four-character enumeration codes under which input, output, glue and
// graticule modes travel in scripting descriptors ("Fity", "Foty", "GLty",
// "Fgty"). Every input, glue and graticule mode and every named output mode
// has a code; "<NO>" stands for a value without one.
#pragma once

#include <cstdint>

#include "platform/host/descriptor_procs.h"

constexpr DescriptorEnumID kNoScriptingCode = MakeFourCC("<NO>");

// The code of a mode: "<NO>" for modes without one and unknown types.
void qev_ValueToEnum(int32_t value, DescriptorEnumTypeID type, DescriptorEnumID* code);
// The mode of a code: 1 and the mode when found, else 0 with the value 0.
int qev_EnumToValue(DescriptorEnumTypeID type, DescriptorEnumID code, int32_t* value);
