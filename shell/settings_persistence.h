// Settings that outlive one run of the filter: the cached settings of the
// last run, the map of which of the 25 memory dots survive between runs, the
// memory dots themselves and the two undo slots with their files; and the
// render snapshot, the fixed set of settings a render saves and restores.
// All of it runs on the host's main thread while no render runs.
#pragma once

#include <cstdint>

struct Data;
struct Parameters;

constexpr int32_t kMemDotCount = 25;
// One flag per memory dot, kept as long as the plug-in stays loaded.
extern int32_t MemDotIsPersistent[kMemDotCount];
// True once the flags reflect the saved map (it was read, or found missing);
// only then does shut-down write the map back.
extern bool gMemDotFlagsKnown;

constexpr char kCachedSettingsName[] = "Vornesk 2 cached settings D";
constexpr char kMemDotMapName[] = "Vornesk 2 memdot map 2";
constexpr char kUndoFileNames[2][17] = {"Vornesk 2 undo 0", "Vornesk 2 undo 1"};
constexpr int64_t kMemDotMapBytes = 4 * (1 + kMemDotCount);

// The snapshot field set from copy back into Parameters.
void UnFerreting(const Parameters* copy);
// The same between two records.
void CopySnapshotFields(const Parameters* from, Parameters* to);

// The settings to and from the application-support file `name` (no preview).
int16_t Settings2Cache(const char* name);
int16_t Cache2Settings(const char* name);

// The memory-dot map: the word 48, then the 25 flags, big-endian. Written
// whole or not at all (0, or writErr); read only when it is exactly that,
// else the flags stay as they were.
int16_t WriteInvocationBracketingSettingsFile(const char* name);
int16_t WriteInvocationBracketingSettingsFileCocoa(const char* name);
void ReadInvocationBracketingSettingsFileCocoa(const char* name);
// Write or read the 25 flags; a short read, or a flag other than 0 or 1,
// changes none of them.
int WriteMemDotPersistency(int fd);
int ReadMemDotPersistency(int fd);

// Memory dot `index` (0..24) written with its preview, or read.
int16_t SaveToMemoryDotCocoa(int64_t index);
int16_t LoadFromMemoryDotCocoa(int64_t index);

// Undo: each snapshot goes to the other slot (and its file when toFile); an
// undo restores the slot before the current one, so two undos in a row come
// back to where the first began.
void UndoSnapshotCocoa(int64_t toFile);
void UndoReadCocoa();
