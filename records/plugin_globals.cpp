#include "records/plugin_globals.h"

FilterRecord* gFilterRecord = nullptr;
intptr_t* gDataHandle = nullptr;
int16_t* gResult = nullptr;
int16_t diagnosticResult = 0;
Parameters* gParams = nullptr;
Data* gData = nullptr;
SPBasicSuite* sSPBasic = nullptr;
