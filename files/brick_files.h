// The brick globe's own files beside its instruction pages: the LDRAW model
// and the page of brick statistics. Each writer is handed an open
// descriptor, truncates the file where its text ends and closes the
// descriptor on every path; the results are the PSD export's codes.
#pragma once

#include <cstdint>

struct Data;

// Sets export kind 7 and writes the brick globe of the settings as LDRAW
// text: kPSDExportOK, kPSDExportNoMemory when the model's cells could not be
// had, kPSDExportWriteFailed when the file could not be written whole.
int WriteLDRAWFileWithGlobals(Data* data, int fd);
// The HTML 4.01 page that counts the cells of the brick globe the settings
// make by colour (the model is built for it; the tallies follow it), ending
// at "</html>"; kPSDExportNoMemory when the model's cells could not be had.
int WriteLegoStatsFile_Thingie(Data* data, int fd);
