#include "host_access/host_result.h"

#include "records/data.h"

void SetHostResult(int16_t result, int16_t diagnostic) {
    if (gResult) *gResult = result;
    diagnosticResult = diagnostic;
    if (gData) gData->diagnostic = diagnostic;
}
