// Whole exports: the geometry of a PSD file by export kind, the layers
// rendered one after another into the work area's export pyramid, and the
// drivers that write PSD and JPEG files around those renders.
//
// Every driver closes the descriptor it is given, on every path, exactly
// once (TagAndWritePyr only with its close flag), and returns 0 or one of
// the codes below. A refused export writes nothing.
#pragma once

#include <cstdint>

#include "platform/host/result_codes.h"

struct Data;
struct Parameters;
struct PSDdoc;
struct PyramidDescriptor;

enum : int {
    kPSDExportOK = 0,
    kPSDExportNoData = -1,         // no Data, work area or settings
    kPSDExportNotBuilt = -2,       // the layers need a renderer this build does not have
    kPSDExportTooLarge = -3,       // beyond 30,000 pixels a side or 32-bit lengths
    kPSDExportDepthMismatch = -4,  // the pyramid's bytes per component are not the document's
    kPSDExportEmpty = -5,          // no pixels or no layers
    kPSDExportEncoderFailed = -6,  // the JPEG encoder refused the picture
    kPSDExportNotRGBA = -7,        // a pyramid of another pixel kind than 8, 16 or 32-bit RGBA
    kPSDExportWriteFailed = writErr,
    kPSDExportNoMemory = -99,
    kPSDExportCancelled = userCanceledErr,
};

// The export result in words, for the user; never null.
const char* PSDExportMessage(int result);

// The document of the settings' export kind (Parameters::exportPurpose).
void GrabPSDMetrics(Data* data, const Parameters& settings, PSDdoc* doc);
void InitMondoProgressParams(Data* data, int64_t count);

// Why a document of this pixel kind cannot be written, before anything is
// rendered (0 when it can): a pixel kind other than 8, 16 or 32-bit RGBA, no
// pixels or layers, a side beyond 30,000, or a length that does not fit 32 bits. extraResourceBytes: the ICC, IPTC and
// EXIF resources.
int PSDDocumentProblem(const PSDdoc* doc, int64_t pixelKind, int64_t extraResourceBytes);

// Renders every layer of the document with the settings and writes the file.
int ReallyWritePSDFile_core_thingie(Data* data, const Parameters& settings, int fd, const bool* cancel, PSDdoc* doc);
// The pyramid as JPEG with the keywords of the export kind.
int TagAndWritePyr(const PyramidDescriptor* pyr, int fd, int64_t exportKind, bool closeFile, long quality);
// Renders the result of the settings (a texture map for kind 4, its holes
// filled) and writes it as JPEG.
int ReallyWriteJPEGFile_Thingie(const Parameters& settings, int fd, long quality);

// One layer of the settings' export kind into the export pyramid; 0,
// kPSDExportNotBuilt, or the render's host result. Each generator renders
// its own copy of the settings: the caller's, and the host's, stay as they are.
int GenerateOneLayer(Data* data, const Parameters& settings, PyramidDescriptor* pyr, int64_t layer,
                     const bool* cancel, const PSDdoc* doc);
int GenerateOneLayerOfBasicResult(Data* data, const Parameters& settings, PyramidDescriptor* pyr);
// The gallery thumbnail of the settings' result as JPEG into fd (closed on
// every path). On entry rect (top, left, bottom, right) holds the longest
// side as its width; on return 0, 0, the thumbnail's height and width. The
// PSD export's codes.
int paint_one_output_or_memdot_gallery_image_Thingie(const Parameters& settings, Data* data, int fd, int16_t rect[4],
                                                      long quality);
int GenerateOneLayerOfCube(Data* data, const Parameters& settings, PyramidDescriptor* pyr, int64_t face);
// Page `layer` (from 1) of the net's pieces, as the cramming plan frames it.
int GenerateOneLayerOfExportFaces(Data* data, const Parameters& settings, PyramidDescriptor* pyr, int64_t layer);
// The equirectangular map of the output mode's solid (output mode 1045 over it).
int GenerateOneLayerOfEquiPolyMap(Data* data, const Parameters& settings, PyramidDescriptor* pyr);
