// The built-in solids: read-only tables written by tools/gen_polyhedra.cpp
// into polyhedra/generated/. A shape's faces are runs of 1-based vertex
// numbers, each face ended by a 0, wound counter-clockwise seen from outside;
// net faces list the same faces in the same order.
#pragma once

#include <cstdint>

struct BuiltInShape {
    int64_t shapeCode;          // -1 for a builder's base solid
    const char* name;
    const double* coords3D;     // (x, y, z) per vertex
    int64_t vertexCount;
    const uint16_t* faces3D;    // null when the net-to-solid map gives the faces
    int64_t faceCount;
    const double* coords2D;     // (x, y) per net vertex, or null: the net is grown
    int64_t netVertexCount;
    const uint16_t* faces2D;
    const uint16_t* netToSolid; // 1-based solid vertex per net vertex, or null
};

extern const BuiltInShape kBuiltInShapes[];
extern const int64_t kBuiltInShapeCount;
// The Danseiji IV map's mesh as a net (tools/gen_danseiji.cpp).
extern const BuiltInShape kDanseijiIVShape;

// The nets of the map layouts (tools/gen_map_nets.cpp): each net face of
// a warped shape is one cell of the face-to-sphere map of its shape code,
// which the record runs as its warp (warp code = shape code); a plain
// shape's faces are drawn as they are, their solid vertices 3D points
// (coordinate kind 1) or longitude and latitude fractions (kind 0).
struct MapNetShape {
    BuiltInShape shape;
    int64_t warpCode;        // 0: plain faces
    int16_t coordinateKind;
};
extern const MapNetShape kMapNetShapes[];
extern const int64_t kMapNetShapeCount;
// The map net a shape is, or null for the other built-in shapes.
const MapNetShape* MapNetShapeOf(const BuiltInShape* shape);

// The shape of a code, or null; a base solid by its table name, or null.
const BuiltInShape* FindBuiltInShape(int64_t shapeCode);
const BuiltInShape* FindBuiltInShapeByName(const char* name);

// Float face tables read by try_to_add_3D_face_using_array_with_codes.
extern const float cube4compound[];
extern const float SmallTriambicIcosahedron[];
extern const float OctahedronFiveCompound[];
extern const float MedialHexagonalHexecontahedron[];
extern const float Rhombicosacron[];
extern const float watermanW5[];
// The rhombic hexecontahedron's 60 faces, four corners each, face by face.
extern const double RhombicHexecontahedron_Coords3D[240 * 3];
