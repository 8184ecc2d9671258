// The task engine keeps its own copy of what it reads of the invocation
// (gTaskEngine). A render loads it from the plug-in's records and its own
// settings before RunTiles and takes the engine's result back afterwards.
#pragma once

struct Parameters;

// Copies the filter record, Data, the render destination and progress
// phases of the render's settings, outer steps, total rectangle, pyramids
// and the host result into gTaskEngine.
void LoadTaskEngineFromShell(const Parameters& settings);
// The engine's host result and diagnostic number into the host's result
// word, when it failed; its progress phase back into the render's settings.
void StoreTaskEngineResultInShell(Parameters* settings);
