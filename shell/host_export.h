// Exports the command-line host asks for in place of the rendered picture:
// the host names the file in VORNESK_EXPORT before the run, and the plug-in
// writes it (by its extension) as the dialog's command would, instead of
// rendering into the host's document. A .psd with VORNESK_EXPORT_CUBE_MAP
// set is the cube map's six faces, named after it.
#pragma once

// The file the host asked to be exported, or null.
const char* HostExportRequest();
// Writes it; on failure the host result carries the reason in one line.
// True when everything was written.
bool RunHostExport(const char* path);
