// The catalogue of modes: the names of the 41 input modes, the output modes
// (from their table, records/output_modes.h) and (in pyramid/glue_names.h)
// the 69 glue modes; a generic synonym and descriptive keywords per output
// mode for exported files; the entries of the output menu; and the class
// questions the dialog, the renderer and the exporters ask of an output mode.
// Fixed data and pure functions; names are UTF-8 ("circular 180°").
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "files/export_entry.h"
#include "files/psd_doc.h"
#include "pyramid/glue_names.h"
#include "records/output_modes.h"

struct TIPTCThing;

constexpr int32_t kInputModeCount = 41;
constexpr int32_t kGraticuleKindCount = 7;

// Whether a catalogue name is one: the codes without a name read "***".
inline bool IsModeName(const char* name) { return name && name[0] && name[0] != '*'; }
// "<kind> mode N (name)", without the brackets for a code that has no name.
std::string ModeInWords(const char* kind, int64_t code, const char* name);
// The name of input mode 1..41, else "".
const char* VorneskInputModeName(int64_t code);
// The name of an output mode, "***" for a code without one.
const char* VorneskOutputModeName(int64_t code);
// The output modes a user may choose, in code order: every row of the table
// (1 to 547, then the named and scripted codes above, up to 1050). The
// dialog's menu, the modes gallery and the lists of names follow it.
const std::vector<int32_t>& ChoosableOutputModes();
// Why this build does not render an output mode, as the CLI's error, the
// listing and the menu's tooltip say it: "output mode 41 (balloon) is not
// available in this build: <the table's reason>"; empty when it renders.
std::string OutputModeRefusal(int64_t code);
// One item of the output menu: the mode, its caption, its family and, for a
// mode this build refuses, the refusal (greyed, with it as the tooltip).
struct OutputMenuEntry {
    int32_t code;
    std::string caption;
    ModeFamily family;
    std::string refusal;  // empty when it renders
};
// The output menu's items, in code order.
std::vector<OutputMenuEntry> OutputMenuEntries();
// An output mode as menus and pages show it: its name, or "mode 1042" for a
// code the catalogue does not name.
std::string OutputModeCaption(int64_t code);
// An output mode in a message: "output mode 62 (Mercator)", or
// "output mode 1043" for a code the catalogue does not name.
std::string OutputModeInWords(int64_t code);
// A generic word for some output modes ("azimuthal", "cuboctahedron"), else "".
const char* VorneskOutputModeNameSynonym(int64_t code);
// Adds the output mode's synonym and class words to an IPTC block being built.
void addVorneskKeywords(TIPTCThing* iptc, int64_t code);
// The catalogue as the exporters' source of mode names and keywords.
ModeWordsSource CatalogueModeWords();
// The same with the generic words, for the export entry points.
ExportHooks CatalogueExportHooks();

// Whether a stored or scripted mode can be used. An output mode is valid when
// the catalogue names it or it has a scripting code.
bool IsValidInputMode(int64_t code);
bool IsValidOutputMode(int64_t code);
bool IsValidGlueMode(int64_t code);

// Class questions over an output-mode code.
bool OutputModeIsACubemap(int64_t code);
bool OutputModeIsACurvedOrigami(int64_t code);
bool OutputModeIsAMiscellaneousCurvedPoly(int64_t code);
bool OutputModeIsASimplePolyhedron(int64_t code);
bool OutputModeIsShaded(int64_t code);
bool OutputModeIsAboutOceans(int64_t code);
bool IsInterruptedWorldMap(int64_t code);
bool OutputModeIsEqualArea(int64_t code);
bool OutputModeIsGnomonic(int64_t code);
bool OutputModeIsARind(int64_t code);
bool OutputModeIsCylindrical(int64_t code);
bool OutputModeIsSteinmetz(int64_t code);
bool OutputModeIsDevelopable(int64_t code);
bool projectionIsGlobeGores(int64_t code);
bool projectionIsOrthoapsidal(int64_t code);
bool projectionIsACircle(int64_t code);
bool projectionIsAnEllipse(int64_t code);
bool projectionIsASquare(int64_t code);
bool projectionIsConformal(int64_t code);
