#include "cli/settings_options.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <memory>

#include "platform/host/handles.h"
#include "platform/host/result_codes.h"
#include "shell/mode_catalogue.h"
#include "records/output_modes.h"
#include "records/parameters.h"
#include "shell/defaults.h"
#include "shell/scripting.h"
#include "shell/scripting_codes.h"
#include "shell/settings_file.h"
#include "shell/settings_ranges.h"

namespace {

// Lower-case ASCII letters and digits only: "Circular 180°" and
// "circular-180" compare equal.
std::string Loose(const std::string& s) {
    std::string out;
    for (unsigned char c : s)
        if (std::isalnum(c) && c < 128) out += char(std::tolower(c));
    return out;
}

size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t up = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = up;
        }
    }
    return row[b.size()];
}

// How far a candidate is from what was typed: beginning with it, or else
// containing it, counts as near.
double Distance(const std::string& typed, const std::string& candidate) {
    const std::string a = Loose(typed), b = Loose(candidate);
    const size_t at = a.empty() ? std::string::npos : b.find(a);
    if (at != std::string::npos) return (at == 0 ? 0.25 : 0.5) + 0.01 * double(b.size() - a.size());
    return double(EditDistance(a, b));
}

// Far-off words are no help: a candidate is near within a third of what
// was typed (at least two edits).
bool Near(const std::string& typed, const std::string& candidate) {
    return Distance(typed, candidate) <= std::max<double>(2, double(Loose(typed).size()) / 3);
}

struct Named {
    int32_t mode;
    std::string name;
};

std::vector<Named> Catalogue(ModeKind kind) {
    std::vector<Named> all;
    if (kind == ModeKind::Input) {
        for (int32_t m = 1; m <= kInputModeCount; ++m) all.push_back({m, VorneskInputModeName(m)});
    } else if (kind == ModeKind::Output) {
        for (const OutputModeRow& row : OutputModeRows())
            if (row.name[0]) all.push_back({row.code, row.name});
    } else {
        for (int32_t m = 1; m <= kGlueModeCount; ++m) all.push_back({m, GlueCaption(m)});
    }
    return all;
}

const char* KindWord(ModeKind kind) {
    return kind == ModeKind::Input ? "input mode" : kind == ModeKind::Output ? "output mode" : "glue mode";
}

bool ValidMode(ModeKind kind, int32_t m) {
    return kind == ModeKind::Input ? IsValidInputMode(m) : kind == ModeKind::Output ? IsValidOutputMode(m)
                                                                                    : IsValidGlueMode(m);
}

std::string Quoted(const Named& n) { return "\"" + n.name + "\" (" + std::to_string(n.mode) + ")"; }

std::string Join(const std::vector<std::string>& parts, const char* between) {
    std::string out;
    for (size_t i = 0; i < parts.size(); ++i) out += (i ? between : "") + parts[i];
    return out;
}

// ---- named settings ----

enum class Value { Real, Integer, Switch, Colour };

// Numbers take the range the plug-in's readers hold them to.
struct SettingRow {
    NamedSetting named;
    Value value;
    const char* key;   // the first key; colours take three in a row
};

const SettingRow kRows[] = {
    {{"latitude", "first twirl angle, degrees"}, Value::Real, "0034"},
    {{"longitude", "second twirl angle, degrees"}, Value::Real, "0035"},
    {{"spin", "third twirl angle, degrees"}, Value::Real, "0036"},
    {{"fov", "field of view of view-like output modes, degrees"}, Value::Real, "0037"},
    {{"tabs", "tab size"}, Value::Real, "0038"},
    {{"sharpen", "sharpening"}, Value::Real, "0039"},
    {{"graticule", "graticule 1..7: none, 5, 6, 10, 15, 30 or 45 degrees"}, Value::Integer, "Fgky"},
    {{"flip", "flip the result"}, Value::Switch, "0011"},
    {{"faces", "show the faces of a polyhedron"}, Value::Switch, "0017"},
    {{"transparent-gaps", "gaps between net pieces transparent"}, Value::Switch, "0028"},
    {{"edges", "draw edges"}, Value::Switch, "0029"},
    {{"anamorph", "anamorphic output"}, Value::Switch, "0030"},
    {{"dehalo", "de-halo"}, Value::Switch, "0031"},
    {{"indicatrix", "draw Tissot indicatrices"}, Value::Switch, "0033"},
    {{"hqpr", "the hqpr switch"}, Value::Integer, "hqpr"},
    {{"cubemap-pixels", "face size of cube-map exports, 2..30000"}, Value::Integer, "0021"},
    {{"export-pixels", "size of face exports, 2..30000"}, Value::Integer, "0026"},
    {{"brick-layers", "layers of the brick globe, 3..150"}, Value::Integer, "0018"},
    {{"brick-colors", "brick colours allowed, a mask of 12 bits from bit 0: black,\n"
                      "                        blue, green, red, white, yellow, light grey, dark grey,\n"
                      "                        brown, sand red, tan, green-gray"},
     Value::Integer, "0024"},
    {{"brick-plates", "plates instead of bricks"}, Value::Switch, "0025"},
    {{"brick-diffuse-colors", "bricks in diffuse colours"}, Value::Switch, "0023"},
    {{"tab-color", "R,G,B (0..65535 each) or #rrggbb"}, Value::Colour, "0001"},
    {{"background-color", "R,G,B or #rrggbb"}, Value::Colour, "0004"},
    {{"line-color", "R,G,B or #rrggbb"}, Value::Colour, "0040"},
};

const SettingRow* Row(const std::string& name) {
    for (const SettingRow& r : kRows)
        if (name == r.named.name) return &r;
    return nullptr;
}

DescriptorKeyID KeyPlus(const char* key, int n) {
    OSType k = 0;
    TextToFourCC(key, &k);
    return k + OSType(n);   // "0001" + 2 is "0003"
}

// "#rrggbb" or "R,G,B", each component in the colour's range.
bool ParseColour(const std::string& text, const char* firstKey, uint16_t rgb[3]) {
    if (text.size() == 7 && text[0] == '#') {
        for (int i = 0; i < 3; ++i) {
            unsigned v = 0;
            auto r = std::from_chars(text.data() + 1 + 2 * i, text.data() + 3 + 2 * i, v, 16);
            if (r.ec != std::errc() || r.ptr != text.data() + 3 + 2 * i) return false;
            rgb[i] = uint16_t(v * 257);
        }
        return true;
    }
    size_t start = 0;
    for (int i = 0; i < 3; ++i) {
        const size_t comma = text.find(',', start);
        if ((i < 2) != (comma != std::string::npos)) return false;
        int32_t v = 0;
        const SettingRange* range = SettingRangeOfKey(KeyPlus(firstKey, i));
        if (!ParseWholeNumber(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start), &v) ||
            !range || !SettingInRange(*range, v))
            return false;
        rgb[i] = uint16_t(v);
        start = comma + 1;
    }
    return true;
}

}  // namespace

std::vector<std::string> NearestModeNames(ModeKind kind, const std::string& text, size_t count) {
    std::vector<Named> all = Catalogue(kind);
    std::stable_sort(all.begin(), all.end(),
                     [&text](const Named& a, const Named& b) { return Distance(text, a.name) < Distance(text, b.name); });
    std::vector<std::string> out;
    for (size_t i = 0; i < all.size() && out.size() < count; ++i)
        if (Near(text, all[i].name)) out.push_back(Quoted(all[i]));
    return out;
}

std::string NearestWord(const std::string& text, const std::vector<std::string>& candidates) {
    std::string best;
    double bestDistance = 1e9;
    for (const std::string& c : candidates) {
        const double d = Distance(text, c);
        if (d < bestDistance) {
            bestDistance = d;
            best = c;
        }
    }
    return Near(text, best) ? best : "";
}

bool ModeFromText(ModeKind kind, const std::string& text, int32_t* mode, std::string* error) {
    const std::string listed = std::string(" (vornesk --list-modes lists the ") + KindWord(kind) + "s)";
    int32_t number = 0;
    if (ParseWholeNumber(text, &number)) {
        if (ValidMode(kind, number)) {
            *mode = number;
            return true;
        }
        *error = std::string("there is no ") + KindWord(kind) + " " + text + listed;
        return false;
    }
    const std::string wanted = Loose(text);
    if (wanted.empty()) {
        *error = std::string("give the ") + KindWord(kind) + "'s name or number, not an empty word" + listed;
        return false;
    }
    std::vector<Named> found;
    for (const Named& n : Catalogue(kind))
        if (!wanted.empty() && Loose(n.name) == wanted) found.push_back(n);
    if (found.size() == 1) {
        *mode = found[0].mode;
        return true;
    }
    if (found.size() > 1) {
        std::vector<std::string> which;
        for (const Named& n : found) which.push_back(Quoted(n));
        *error = std::string("\"") + text + "\" names more than one " + KindWord(kind) + ": " + Join(which, ", ") +
                 "; give the number";
        return false;
    }
    const std::vector<std::string> nearest = NearestModeNames(kind, text, 3);
    *error = std::string("there is no ") + KindWord(kind) + " \"" + text + "\"" +
             (nearest.empty() ? listed : "; nearest: " + Join(nearest, ", "));
    return false;
}

bool ModeToItem(ModeKind kind, const std::string& text, DescriptorItem* item, std::string* error) {
    int32_t mode = 0;
    if (!ModeFromText(kind, text, &mode, error)) return false;
    const char* type = kind == ModeKind::Input ? "Fity" : kind == ModeKind::Output ? "Foty" : "GLty";
    DescriptorEnumID code = kNoScriptingCode;
    qev_ValueToEnum(mode, MakeFourCC(*reinterpret_cast<const char(*)[5]>(type)), &code);
    item->key = KeyPlus(kind == ModeKind::Input ? "Fiky" : kind == ModeKind::Output ? "Foky" : "GLUE", 0);
    item->type = typeEnumerated;
    TextToFourCC(type, &item->enumType);
    item->enumValue = code;
    return true;
}

namespace {

int32_t ModeOfItems(const std::vector<DescriptorItem>& items, const char* key, int32_t mode) {
    for (const DescriptorItem& item : items)
        if (item.key == KeyPlus(key, 0) && item.type == typeEnumerated)
            qev_EnumToValue(item.enumType, item.enumValue, &mode);
    return mode;
}

}  // namespace

int32_t InputModeOfItems(const std::vector<DescriptorItem>& items) { return ModeOfItems(items, "Fiky", 1); }

int32_t OutputModeOfItems(const std::vector<DescriptorItem>& items) { return ModeOfItems(items, "Foky", 0); }

const std::vector<NamedSetting>& NamedSettings() {
    static const std::vector<NamedSetting> all = [] {
        std::vector<NamedSetting> v;
        for (const SettingRow& r : kRows) v.push_back(r.named);
        return v;
    }();
    return all;
}

bool IsNamedSetting(const std::string& name) { return Row(name) != nullptr; }
bool IsSwitchSetting(const std::string& name) { return Row(name) && Row(name)->value == Value::Switch; }

bool NamedSettingToItems(const std::string& name, const std::string& value, std::vector<DescriptorItem>* items,
                         std::string* error) {
    const SettingRow* row = Row(name);
    if (!row) {
        *error = "there is no setting " + name;
        return false;
    }
    const std::string option = "--" + name;
    DescriptorItem item;
    item.key = KeyPlus(row->key, 0);
    switch (row->value) {
        case Value::Real: {
            const SettingRange* range = SettingRangeOfKey(item.key);
            if (!ParseDecimalNumber(value, &item.number) || !SettingInRange(*range, item.number)) {
                *error = option + " takes a number " + SettingRangeText(*range) + ", not \"" + value + "\"";
                return false;
            }
            item.type = typeFloat;
            break;
        }
        case Value::Integer: {
            const SettingRange* range = SettingRangeOfKey(item.key);
            if (!ParseWholeNumber(value, &item.integer) || !SettingInRange(*range, item.integer)) {
                *error = option + " takes a whole number " + SettingRangeText(*range) + ", not \"" + value + "\"";
                return false;
            }
            item.type = typeInteger;
            if (item.key == MakeFourCC("Fgky")) {
                item.type = typeEnumerated;
                item.enumType = MakeFourCC("Fgty");
                qev_ValueToEnum(item.integer, item.enumType, &item.enumValue);
            }
            break;
        }
        case Value::Switch: {
            if (value != "true" && value != "false" && value != "1" && value != "0") {
                *error = option + " takes true or false, not \"" + value + "\"";
                return false;
            }
            item.type = typeBoolean;
            item.boolean = value == "true" || value == "1";
            break;
        }
        case Value::Colour: {
            uint16_t rgb[3];
            if (!ParseColour(value, row->key, rgb)) {
                *error = option + " takes R,G,B with each 0 to 65535, or #rrggbb, not \"" + value + "\"";
                return false;
            }
            // Components travel as component / 256, exact to 16 bits.
            for (int i = 0; i < 3; ++i) {
                DescriptorItem c;
                c.key = KeyPlus(row->key, i);
                c.type = typeFloat;
                c.number = rgb[i] / 256.0;
                items->push_back(c);
            }
            return true;
        }
    }
    items->push_back(item);
    return true;
}

bool SettingsFileToItems(const std::string& path, std::vector<DescriptorItem>* items, std::string* error) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *error = "cannot open settings file " + path + ": " + std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        close(fd);
        *error = "cannot open settings file " + path + ": it is a folder";
        return false;
    }
    auto params = std::make_unique<Parameters>();
    std::memset(static_cast<void*>(params.get()), 0, sizeof(Parameters));
    GrabDefaultSettings(params.get());
    std::string why;
    const int32_t r = ReadSettingsFile(fd, params.get(), true, nullptr, nullptr, &why);
    close(fd);
    if (r != kSettingsFileOK) {
        *error = "cannot use settings file " + path + ": " + why;
        return false;
    }
    const WriteDescriptorProcs* procs = HostServicesWriteDescriptorProcs();
    PIWriteDescriptor writer = procs->openWriteDescriptorProc();
    PIDescriptorHandle handle = nullptr;
    bool ok = writer && PutSettingsToDescriptor(params.get(), procs, writer) == 0;
    if (writer) ok = procs->closeWriteDescriptorProc(writer, &handle) == noErr && ok;
    ok = ok && DescriptorItemsFromHandle(handle, items);
    DisposeHandle(handle);
    if (!ok) *error = "out of memory reading settings file " + path;
    return ok;
}

bool SettingsOfItems(const std::vector<DescriptorItem>& items, Parameters* settings, std::string* error) {
    std::memset(static_cast<void*>(settings), 0, sizeof(Parameters));
    GrabDefaultSettings(settings);
    if (items.empty()) return true;
    PIDescriptorHandle handle = NewDescriptorHandle(items);
    if (!handle) {
        *error = "out of memory";
        return false;
    }
    const ReadDescriptorProcs* procs = HostServicesReadDescriptorProcs();
    PIReadDescriptor reader = procs->openReadDescriptorProc(handle, nullptr);
    std::string why;
    const bool ok = reader && GetSettingsFromDescriptor(settings, procs, reader, &why);
    if (reader) procs->closeReadDescriptorProc(reader);
    DisposeHandle(handle);
    if (!ok) *error = "the plug-in cannot use these settings: " + (why.empty() ? std::string("out of memory") : why);
    return ok;
}

bool CheckSettingsItems(const std::vector<DescriptorItem>& items, std::string* error) {
    auto params = std::make_unique<Parameters>();
    return SettingsOfItems(items, params.get(), error);
}
