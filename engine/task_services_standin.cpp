// Stand-ins for services whose owners have not landed them yet (see
// task_services.h). Each is the least that lets the engine run: replace it
// with the real one, and delete it here, when its owner lands.
#include "engine/task_services.h"

void MondoProgressUpdate_fractionX(double) {}
