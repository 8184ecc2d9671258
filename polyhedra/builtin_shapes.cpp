#include "polyhedra/builtin_shapes.h"

#include <cstring>

const BuiltInShape* FindBuiltInShape(int64_t shapeCode) {
    if (shapeCode < 0) return nullptr;
    if (shapeCode == kDanseijiIVShape.shapeCode) return &kDanseijiIVShape;
    for (int64_t i = 0; i < kBuiltInShapeCount; ++i)
        if (kBuiltInShapes[i].shapeCode == shapeCode) return &kBuiltInShapes[i];
    for (int64_t i = 0; i < kMapNetShapeCount; ++i)
        if (kMapNetShapes[i].shape.shapeCode == shapeCode) return &kMapNetShapes[i].shape;
    return nullptr;
}

const MapNetShape* MapNetShapeOf(const BuiltInShape* shape) {
    for (int64_t i = 0; i < kMapNetShapeCount; ++i)
        if (shape == &kMapNetShapes[i].shape) return &kMapNetShapes[i];
    return nullptr;
}

const BuiltInShape* FindBuiltInShapeByName(const char* name) {
    if (!name) return nullptr;
    for (int64_t i = 0; i < kBuiltInShapeCount; ++i)
        if (std::strcmp(kBuiltInShapes[i].name, name) == 0) return &kBuiltInShapes[i];
    return nullptr;
}
