// Polyhedron exports: the solid of the current output mode, with its net,
// written for other programs. A textured Wavefront OBJ with its MTL material
// (the texture JPEG is written beside it by the export entry points), an
// ASCII STL for printers, a DXF drawing of 3D faces and Mathematica
// definitions, and the geometry they share: which net triangles carry each
// 3D face, the centring and scaling, the mirror rule and the tracing of a net
// corner back to its solid vertex.
//
// Every writer is handed an open descriptor, writes its text, truncates the
// file at its end and closes the descriptor on every path. It returns 0, or
// writErr when a write, the truncation or the close failed.
#pragma once

#include <cstdint>
#include <string>

#include "common/vectors.h"

struct polyhedron;
struct FramingBox;

// The work area's polyhedron (made when there is none yet), or null.
polyhedron* ExportPolyhedron();

// "on 8 December 2026 at 07:05:09": the local date and time with English
// month names in any locale, 24-hour clock. Writes at most 256 bytes with the
// terminator; returns the length as snprintf does.
int GetOnDateString(char* buffer);

// Marks, per 3D face, the net triangles that export it: the triangles of the
// first fragment (in triangle order) that shows the face; tab triangles and
// triangles showing no face are not exported. Rewrites every face's owner tag.
void IdentifyExportableTriangles(polyhedron* p);
// Highest 3D vertex index any face lists (-1 without faces): vertices 0 up to
// it are written, so face indices keep their meaning.
int64_t HighestListedVertex(const polyhedron* p);
// Box of the vertices faces use (vertex 0 when no face uses one).
void get_3D_bounding_box(const polyhedron* p, triplex* lo, triplex* hi);
// The box's centre and the factor that makes its largest side 2 (1 for a
// box without extent).
void get_3D_center_and_scale(const polyhedron* p, triplex* centre, double* scale);
// The frame the files write the solid in: a direction of the picture's
// sphere as y-up viewers show it, north +y and the map seen from outside as
// on a globe. With the mirror flag clear the solid's (x, y, z) is written
// (-x, y, z) and each face's corners backwards, so that it still faces out;
// with it set, as it stands.
triplex ExportDirection(const polyhedron* p, const triplex& d);
// Centred, scaled and turned into that frame.
triplex ExportPosition(const polyhedron* p, const triplex& v, const triplex& centre, double scale);
// The solid vertex of corner k (0..2) of net triangle t, -1 when it cannot
// be traced.
int64_t TraceTriangleCorner(const polyhedron* p, int64_t t, int k);
// Highest net vertex that any net face or exportable triangle names (-1
// without): the texture coordinates and net points written cover them all.
int64_t HighestNamedNetVertex(const polyhedron* p);

// The unit square of the texture picture over the net: u = (x - xCentre) *
// fitScale + 0.5 across, v likewise down, as the renderer frames the net in
// a square picture.
struct NetTextureFrame {
    double xCentre = 0, yCentre = 0, fitScale = 1;
};
NetTextureFrame TextureFrameOfNet(const polyhedron* p);

// The material name the OBJ and MTL files share: fileName without its
// extension, cleaned for OBJ (spaces to "_", ":", "/" and "\" to "_";
// UTF-8 kept whole). The texture is this name plus ".jpg".
std::string ObjMaterialStem(const char* fileName);

// The OBJ and the Mathematica text build the solid of output mode `mode`
// first; the others write the solid as it stands.
int WriteOBJFile_polyhedron_Thingie(int fd, const char* fileName, int64_t mode);
int WriteMTLFile_Thingie(int fd, const char* fileName);
// modeName: the output mode's name; genericWord: its generic word or "".
int WriteSTLFile_polyhedron_Thingie(int fd, const char* modeName);
int WriteDXFFile_polyhedron_Thingie(int fd, const char* modeName, const char* genericWord);
int WriteMathematicaTextFile_polyhedron_Thingie(int fd, int64_t mode, const char* modeName, const char* genericWord);

// Builds the solid of output mode `mode` as the writers do; false when the
// mode has no solid or this build cannot make it whole (nothing to export).
bool BuildSolidForExport(int64_t mode);

// The site named in the first comment line of every export.
inline constexpr char kExportWebSite[] = "https://vornesk.example.org/";
