// Readers of the polyhedron export files written from scratch in the test:
// a small OBJ parser, a reader of ASCII STL vertices and a Mathematica
// tokenizer.
#pragma once

#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/files/psd_test_support.h"

namespace polytest {

namespace fs = std::filesystem;

using Vec = std::array<double, 3>;

inline Vec Minus(const Vec& a, const Vec& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
inline Vec Cross(const Vec& a, const Vec& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
inline double Dot(const Vec& a, const Vec& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
inline double Length(const Vec& a) { return std::sqrt(Dot(a, a)); }

struct ObjCorner {
    long v = 0, vt = 0, vn = 0;
};

struct ObjFile {
    std::vector<Vec> v, vn;
    std::vector<std::array<double, 2>> vt;
    std::vector<std::array<ObjCorner, 3>> f;
    std::string mtllib, usemtl;
    bool wellFormed = true;
    std::string problem;
};

// Every line is one of the kinds the writer uses; anything else is a fault.
inline ObjFile ParseObj(const std::string& path) {
    ObjFile o;
    std::ifstream in(path);
    std::string line;
    auto bad = [&o, &line](const char* why) {
        if (o.wellFormed) o.problem = std::string(why) + ": " + line;
        o.wellFormed = false;
    };
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream s(line);
        std::string kind;
        s >> kind;
        if (kind == "v" || kind == "vn") {
            Vec p;
            if (!(s >> p[0] >> p[1] >> p[2])) bad("short vertex");
            (kind == "v" ? o.v : o.vn).push_back(p);
        } else if (kind == "vt") {
            std::array<double, 2> t;
            if (!(s >> t[0] >> t[1])) bad("short texture coordinate");
            o.vt.push_back(t);
        } else if (kind == "f") {
            std::array<ObjCorner, 3> face;
            for (ObjCorner& c : face) {
                std::string g;
                char slash1 = 0, slash2 = 0;
                if (!(s >> g)) bad("short face");
                // v/vt/vn, or v//vn for a face without texture (vt stays 0).
                const size_t first = g.find('/'), second = first == std::string::npos ? first : g.find('/', first + 1);
                const bool untextured = second == first + 1;
                std::istringstream gs(untextured ? g.substr(0, first) + g.substr(second) : g);
                if (untextured ? !(gs >> c.v >> slash2 >> c.vn) || slash2 != '/'
                               : !(gs >> c.v >> slash1 >> c.vt >> slash2 >> c.vn) || slash1 != '/' || slash2 != '/')
                    bad("face group");
            }
            std::string more;
            if (s >> more) bad("face with more than three corners");
            o.f.push_back(face);
        } else if (kind == "mtllib") {
            std::getline(s >> std::ws, o.mtllib);
        } else if (kind == "usemtl") {
            std::getline(s >> std::ws, o.usemtl);
        } else if (kind != "g") {
            bad("unknown line");
        }
    }
    return o;
}

// The vertex lines of an ASCII STL.
inline std::vector<Vec> StlVertices(const std::string& path) {
    std::vector<Vec> out;
    std::ifstream in(path);
    std::string word;
    while (in >> word)
        if (word == "vertex") {
            Vec p;
            in >> p[0] >> p[1] >> p[2];
            out.push_back(p);
        }
    return out;
}

// A Mathematica value: a number or a list.
struct MValue {
    bool isList = false;
    double number = 0;
    std::vector<MValue> items;
};

// "name = {...};" definitions, with the text that follows them. Braces must
// balance and each definition end in "};".
struct MathematicaFile {
    std::map<std::string, MValue> definitions;
    std::vector<std::string> order;
    bool ok = true;
    std::string problem;
};

inline MathematicaFile ParseMathematica(const std::string& text) {
    MathematicaFile m;
    size_t i = 0;
    auto fail = [&m, &i](const std::string& why) {
        if (m.ok) m.problem = why + " at byte " + std::to_string(i);
        m.ok = false;
    };
    // Comments "(* ... *)" and blank space.
    auto skip = [&] {
        for (;;) {
            while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
            if (text.compare(i, 2, "(*") != 0) return;
            const size_t end = text.find("*)", i + 2);
            if (end == std::string::npos) {
                fail("open comment");
                i = text.size();
                return;
            }
            i = end + 2;
        }
    };
    std::function<MValue()> value = [&]() -> MValue {
        MValue v;
        if (i < text.size() && text[i] == '{') {
            v.isList = true;
            ++i;
            if (i < text.size() && text[i] == '}') {
                ++i;
                return v;
            }
            for (;;) {
                v.items.push_back(value());
                if (!m.ok) return v;
                if (i < text.size() && text[i] == ',') {
                    ++i;
                    continue;
                }
                if (i < text.size() && text[i] == '}') {
                    ++i;
                    return v;
                }
                fail("list item not followed by , or }");
                return v;
            }
        }
        size_t used = 0;
        try {
            v.number = std::stod(text.substr(i, 40), &used);
        } catch (...) {
            used = 0;
        }
        if (used == 0) fail("not a number");
        i += used;
        return v;
    };
    for (;;) {
        skip();
        if (i >= text.size() || !m.ok) break;
        size_t eq = text.find(" = {", i);
        const size_t line = text.find('\n', i);
        if (eq == std::string::npos || (line != std::string::npos && eq > line)) break;  // the display code
        const std::string name = text.substr(i, eq - i);
        i = eq + 3;
        MValue v = value();
        if (!m.ok) break;
        if (text.compare(i, 3, ";\n\n") != 0) fail("definition not ended by \"};\" and an empty line");
        i += 3;
        m.definitions[name] = v;
        m.order.push_back(name);
    }
    // The display code after the lists: balanced braces and brackets.
    int depth = 0;
    for (size_t k = i; k < text.size(); ++k) {
        if (text[k] == '{' || text[k] == '[') ++depth;
        if (text[k] == '}' || text[k] == ']') --depth;
        if (depth < 0) fail("unbalanced display code");
    }
    if (depth != 0) fail("unbalanced display code");
    return m;
}

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

using psdtest::Shell;

using TempFolder = psdtest::Folder;

// The figure admesh's report gives after `label` ("Number of facets    :  20"):
// the first "label : figure" of the report whose figure is a minus sign at
// most and then characters of `figure`, -1 when there is none.
inline double AdmeshFigure(const std::string& report, const std::string& label,
                           const std::string& figure = "0123456789.") {
    for (size_t at = report.find(label); at != std::string::npos; at = report.find(label, at + 1)) {
        size_t i = at + label.size();
        while (i < report.size() && std::isspace((unsigned char)report[i])) ++i;
        if (i == report.size() || report[i] != ':') continue;
        ++i;
        while (i < report.size() && std::isspace((unsigned char)report[i])) ++i;
        const size_t from = i;
        if (i < report.size() && report[i] == '-') ++i;
        const size_t digits = i;
        while (i < report.size() && figure.find(report[i]) != std::string::npos) ++i;
        if (i > digits) return std::stod(report.substr(from, i - from));
    }
    return -1.0;
}

}  // namespace polytest
