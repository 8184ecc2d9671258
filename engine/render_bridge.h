// The task engine keeps its own copy of what it reads of the invocation
// (gTaskEngine). A render loads it from the plug-in's records before RunTiles
// and takes the engine's result back afterwards.
#pragma once

// Copies the filter record, Data, render destination, progress phases,
// outer steps, total rectangle, pyramids and the host result into gTaskEngine.
void LoadTaskEngineFromShell();
// The engine's host result and diagnostic number into the host's result
// word, when it failed; its progress phase back into Parameters.
void StoreTaskEngineResultInShell();
