// The solids whose grown nets the net tests check, where those tests write
// what a person can look at, and the shapely overlap check on a dump of
// pieces.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

struct NetSolid {
    int64_t code;
    const char* name;
};

inline const NetSolid kNetSolids[] = {
    {16, "tetrahedron"}, {18, "cube"}, {19, "octahedron"}, {9, "dodecahedron"}, {17, "icosahedron"},
    {7, "cuboctahedron"}, {1, "rhombicuboctahedron"}, {2, "truncated icosahedron"}, {3, "icosidodecahedron"},
    {4, "snub cube"}, {6, "rhombicosidodecahedron"}, {0, "deltoidal icositetrahedron"},
    {12, "pentagonal icositetrahedron"}, {8, "rhombic triacontahedron"}, {5, "deltoidal hexecontahedron"},
    {82, "rhombic hexecontahedron A"}, {83, "rhombic hexecontahedron B"}, {13, "five tetrahedra"},
    {20, "dodecadodecahedron"}, {21, "great icosidodecahedron"}, {305, "four cubes"},
    {306, "small triambic icosahedron"}, {307, "five octahedra"}, {310, "rhombicosacron"}, {311, "Waterman W5"},
};

// build/nets, made when missing.
inline std::string NetOutDir() {
    const std::string d = std::string(VORNESK_BINARY_DIR) + "/nets";
    std::filesystem::create_directories(d);
    return d;
}

using NetPiece = std::pair<int64_t, std::vector<std::pair<double, double>>>;

// Pairs of pieces whose interiors overlap, as shapely reports them (empty
// when none): the pieces are dumped one a line under build/nets/NAME.txt.
inline std::string OverlapsByShapely(const std::vector<NetPiece>& pieces, const std::string& name) {
    const std::string dump = NetOutDir() + "/" + name + ".txt";
    {
        std::ofstream out(dump);
        out.precision(17);
        for (const auto& [id, poly] : pieces) {
            out << id;
            for (const auto& q : poly) out << " " << q.first << " " << q.second;
            out << "\n";
        }
    }
    const std::string cmd = "/usr/bin/python3 '" VORNESK_SOURCE_DIR "/tests/nets/net_overlap.py' '" + dump + "'";
    FILE* pipe = popen(cmd.c_str(), "r");
    std::string text;
    char buf[256];
    while (pipe && fgets(buf, sizeof buf, pipe)) text += buf;
    if (pipe) pclose(pipe);
    return text;
}
