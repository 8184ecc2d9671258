// The last Strebe 1995 solution of a task, so that neighbouring samples start
// next to their answer. Each task owns one.
#pragma once

struct coherentSearchCache {
    double lastLambda;
    double lastPhi;
    bool valid;
};
