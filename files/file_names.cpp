#include "files/file_names.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "common/strings.h"

void SplitFileName(const std::string& path, std::string* folder, std::string* stem, std::string* extension) {
    const size_t slash = path.rfind('/');
    *folder = slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) {
        *stem = name;
        extension->clear();
    } else {
        *stem = name.substr(0, dot);
        *extension = name.substr(dot + 1);
    }
}

std::string FileZerp_generateRenumberedFilePath(const std::string& path, int64_t n, int64_t t,
                                               const char* newExtension, int64_t clean, const char* custom,
                                               bool useSpace) {
    std::string override;
    if (newExtension && *newExtension) {
        override = newExtension;
        auto punct = [](char c) { return std::ispunct(static_cast<unsigned char>(c)) != 0; };
        while (!override.empty() && punct(override.front())) override.erase(0, 1);
        while (!override.empty() && punct(override.back())) override.pop_back();
    }
    const bool haveCustom = custom && *custom;
    if (override.empty() && !haveCustom && t <= 1) return path;
    std::string folder, stem, extension;
    SplitFileName(path, &folder, &stem, &extension);
    if (!override.empty()) extension = override;
    if (clean == 1) stem = FileZerp_makeNameNonWeirdForOBJ(stem);
    const std::string separator = useSpace ? " " : "";
    std::string suffix;
    if (haveCustom) {
        suffix = separator + custom;
    } else if (t > 1) {
        char number[32];
        std::snprintf(number, sizeof number, "%03lld", static_cast<long long>(n));
        suffix = separator + number;
    }
    std::string name = stem + suffix;
    if (!extension.empty()) name += "." + extension;
    if (folder.empty()) return name;
    return folder == "/" ? "/" + name : folder + "/" + name;
}

std::string FileZerp_makeClonedPathWithNewExtender(const char* extension, const std::string& model, bool clean) {
    return FileZerp_generateRenumberedFilePath(model, 0, 0, extension, clean ? 1 : 0, nullptr, true);
}

std::string FileZerp_spacesToScores(const std::string& s) {
    std::string out = s;
    for (char& c : out)
        if (c == ' ') c = '_';
    return out;
}

std::string FileZerp_makeNameNonWeirdForOBJ(const std::string& s) {
    const std::string scored = FileZerp_spacesToScores(s);
    size_t keep = std::min<size_t>(scored.size(), 259);
    while (keep > 0 && keep < scored.size() && (static_cast<unsigned char>(scored[keep]) & 0xC0) == 0x80) --keep;
    char buffer[260];
    std::memcpy(buffer, scored.data(), keep);
    buffer[keep] = 0;
    MakeNameNonWeirdForOBJ(buffer);
    // Control bytes come out as spaces, which an OBJ's "mtllib" line would
    // read as two names: they too become underscores.
    std::string name = buffer;
    for (char& c : name)
        if (c == ' ') c = '_';
    return name;
}

void FileZerp_MacPath_toCString(const char* path, char* buffer, int64_t size) {
    if (!path || !buffer || size < 1) return;
    const char* slash = std::strrchr(path, '/');
    const char* name = slash ? slash + 1 : path;
    const size_t length = std::strlen(name);
    if (int64_t(length) > size - 1) {
        buffer[0] = 0;
        return;
    }
    std::memcpy(buffer, name, length + 1);
}
