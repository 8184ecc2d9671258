// Printing float tables as C++ source, shared by the table generators.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

struct Table {
    std::string name;
    std::string comment;
    std::vector<float> values;
};

// Shortest decimal that reads back as the same float, as a float literal.
inline std::string FloatLiteral(float v) {
    char buf[40];
    for (int digits = 6; digits <= 9; ++digits) {
        std::snprintf(buf, sizeof buf, "%.*g", digits, static_cast<double>(v));
        if (std::strtof(buf, nullptr) == v) break;
    }
    std::string s = buf;
    if (s.find_first_of(".e") == std::string::npos) s += ".0";
    return s + "f";
}

// One table as a const float array, lines kept under 100 characters.
inline void Emit(const Table& t) {
    std::printf("\n// %s\nconst float %s[%zu] = {\n", t.comment.c_str(), t.name.c_str(), t.values.size());
    std::string line = "   ";
    for (float v : t.values) {
        const std::string item = " " + FloatLiteral(v) + ",";
        if (line.size() + item.size() > 100) {
            std::printf("%s\n", line.c_str());
            line = "   ";
        }
        line += item;
    }
    std::printf("%s\n};\n", line.c_str());
}
