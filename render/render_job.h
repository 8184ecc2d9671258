// One render: its own copy of the settings, which it reads and changes as it
// goes (its destination, proxy scale, preview offset and progress phase
// among them) while the host's settings stay as they are, and the records
// all its tiles share. Made by the render driver, or an export's layer, for
// one render and let go after it; two renders never see each other's
// settings or records.
#pragma once

#include <atomic>

#include "records/parameters.h"

struct InverseTables;
struct MirrorTable;
struct ProjectionCacheStore;
struct vort;

struct RenderJob {
    explicit RenderJob(const Parameters& from) : settings(from) {}
    ~RenderJob();
    RenderJob(const RenderJob&) = delete;
    RenderJob& operator=(const RenderJob&) = delete;

    Parameters settings;
    // The context every task copies, filled from the settings once before
    // the tiles start and only read while they run; ready between the
    // preparation and the end of the render.
    vort* shared = nullptr;
    bool ready = false;
    // What the context points to: the projection caches and the lazily
    // built tables, and the kaleidoscope's mirrors when there is no work area.
    ProjectionCacheStore* caches = nullptr;
    InverseTables* tables = nullptr;
    MirrorTable* spareMirrors = nullptr;
    // Set when a task's span storage could not be had: its tiles would show
    // holes, so the render fails.
    std::atomic<bool> spanStorageFailed{false};
};
