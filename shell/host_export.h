// Exports a host asks for in place of the rendered picture. The order comes
// in the scripting descriptor beside the settings, as the host plays them:
// what to write, under the key "Exky" (an enumeration of type "Exty"), and
// where, under "Exfl" (a file path; a gallery's folder). The plug-in writes
// it as the dialog's command of that name would, instead of rendering into
// the host's document. Nothing else asks for an export: a run without the
// order renders the picture.
#pragma once

#include <cstdint>
#include <string>

#include "platform/host/descriptor_procs.h"

enum ExportOrderKind : int32_t {
    kExportOrderNone = 0,
    kExportOrderPSD,               // "PSD…": one layer, the document's size and depth
    kExportOrderCubeMap,           // "cube map…": six PSD files named after the path
    kExportOrderGeometry,          // "export faces…" 3D geometry: the OBJ and its companions
    kExportOrderBrickModel,        // the brick globe's LDRAW model
    kExportOrderModesGallery,      // the galleries, into the folder at the path
    kExportOrderDotsGallery,
    kExportOrderPresetsGallery,
    kExportOrderPolyhedraGallery,
    kExportOrderPolyhedronNets,    // "polyhedron nets": a PSD of each exportable solid's net
};

struct ExportOrder {
    ExportOrderKind kind = kExportOrderNone;
    std::string path;
};

constexpr DescriptorKeyID kExportKindKey = MakeFourCC("Exky");
constexpr DescriptorEnumTypeID kExportKindType = MakeFourCC("Exty");
constexpr DescriptorKeyID kExportFileKey = MakeFourCC("Exfl");

// The code of a kind ("ExPS", "ExCb", "ExOb", "ExLd", "ExGm", "ExGd", "ExGp",
// "ExGy"); "<NO>" for none. And back: false for a code that names no export.
DescriptorEnumID ExportOrderCode(ExportOrderKind kind);
bool ExportOrderKindOfCode(DescriptorEnumID code, ExportOrderKind* kind);
// The gallery a command-line word names ("modes", "dots", "presets",
// "polyhedra"); false for any other word.
bool ExportOrderKindOfGalleryWord(const std::string& word, ExportOrderKind* kind);

// Writes the order with the current settings; on failure the host result
// carries the reason in one line. True when everything was written.
bool RunHostExport(const ExportOrder& order);
