#include "cli/options.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <cctype>
#include <cstring>

#include "shell/scripting.h"
#include "cli/image_files.h"
#include "cli/memory_budget.h"
#include "cli/settings_options.h"

bool IsOBJExportName(const std::string& path) {
    if (path.size() < 4) return false;
    std::string tail = path.substr(path.size() - 4);
    for (char& c : tail) c = char(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".obj";
}

namespace {

// The most pixels a resized picture may have.
constexpr int64_t kLargestResizedPixels = int64_t(1) << 31;

// %s: the named settings, one line each.
constexpr char kUsageFormat[] =
    "usage: vornesk INPUT -o OUTPUT [options]\n"
           "\n"
           "Runs the Vornesk 2 filter on the picture INPUT (PNG, JPEG, PFM or TIFF)\n"
           "and writes the result to OUTPUT, in the format its name ends with: .png\n"
           "(8 or 16-bit, as the input), .tif (8, 16-bit or float, as the input),\n"
           ".jpg (8-bit, transparent parts on white), .pfm (32-bit float) or .psd (as the\n"
           "dialog's \"PSD\u2026\" writes it: one layer at the input's depth).\n"
           "An OUTPUT ending in .obj writes the output mode's solid as a textured OBJ\n"
           "with its companions beside it: the texture .jpg and material .mtl (spaces\n"
           "in the name as underscores), .stl, .dxf and Mathematica .txt.\n"
           "An OUTPUT ending in .ldr gets the brick globe (output mode 45 or 394) as\n"
           "an LDRAW model instead, built from the brick settings (0018 layers, 0023\n"
           "colour diffusion, 0024 colours, 0025 plates) and the twirl.\n"
           "With --cube-faces SIZE and an OUTPUT ending in .psd, the cube map goes\n"
           "into six PSD files beside OUTPUT, named by face (Globe.psd gives Globe_d.psd,\n"
           "_u, _l, _b, _r and _f), as the dialog's \"cube map\u2026\" writes them.\n"
           "--gallery KIND DIR writes a gallery page into DIR with its thumbnails in\n"
           "DIR/web_images instead: modes (every output mode on INPUT, \"output\n"
           "modes.html\"), dots (the memory dots, \"memory dots.html\"), presets (the\n"
           "settings files in DIR, \"presets.html\") or polyhedra (the net of every\n"
           "exportable solid on INPUT, \"polyhedra.html\", its OBJ files in\n"
           "web_images/solids); --gallery nets DIR writes the net of every exportable\n"
           "solid as a PSD of 300-pixel pages into DIR, named by the mode and its\n"
           "number of pieces, as the dialog's \"polyhedron nets\" does.\n"
           "Settings not given take their defaults.\n"
           "\n"
           "options:\n"
           "  -o, --output FILE     where the result goes (written only when the run succeeds)\n"
           "  --input-mode M        how INPUT lies on the sphere: a mode name or number\n"
           "                        (\"equirectangular\", \"mirror ball\", 8 ...)\n"
           "  --output-mode M       the projection of the result: a name or number\n"
           "                        (\"Mercator\", \"stereographic\", 94 ...)\n"
           "  --glue-mode M         how the result blends with the picture: a name or number\n"
           "  --settings FILE       the settings of a settings file (.q2q); options after it\n"
           "                        change them, options before it are replaced\n"
           "%s"
           "  --set KEY=VALUE       any setting, by the name of its option above (latitude=12)\n"
           "                        or by its four-character key; a key's VALUE is a number,\n"
           "                        true or false, TYPE:CODE or a \"string\" (repeatable)\n"
           "  --cube-faces SIZE     write the cube map's six faces, SIZE x SIZE pixels\n"
           "                        (2..30000) each, beside an OUTPUT ending in .psd\n"
           "  --mask FILE           a grey picture of INPUT's size used as the selection\n"
           "  --size WxH            the size of the result (the picture is read at its own size)\n"
           "  --threads N           use at most N processor threads\n"
           "  --max-memory SIZE     refuse, before any work, a run estimated to need more\n"
           "                        memory than SIZE (4G, 512M...; default: the memory\n"
           "                        this machine has available)\n"
           "  --plugin FILE         the plug-in module (default: $VORNESK_PLUGIN, else\n"
           "                        Vornesk2.so next to this program)\n"
           "  --print-descriptor    print the settings the plug-in records, one KEY=VALUE a line\n"
           "  --quiet               no progress bar\n"
           "  --dialog              show the plug-in's dialog (needs a display); Cancel\n"
           "                        writes nothing and exits as cancelled\n"
           "  --list-modes          list the input, output and glue modes by number and name,\n"
           "                        saying which this build renders and why not\n"
           "  --help, --version\n"
           "\n"
           "exit status: 0 done, 1 the plug-in failed, 2 bad arguments (or settings that\n"
           "would need more memory than the run may take), 3 unreadable input (or a picture\n"
           "too large for that memory), 4 an output file that could not be written (the\n"
           "file named, with the system's reason; what it replaced is left as it was),\n"
           "5 the plug-in could not be loaded, 130 cancelled (Ctrl-C or Cancel in the dialog).\n";

// Every option name, for suggestions.
std::vector<std::string> OptionNames() {
    std::vector<std::string> names = {"--output", "--input-mode", "--output-mode", "--glue-mode", "--settings",
                                      "--set", "--mask", "--size", "--threads", "--max-memory", "--plugin",
                                      "--print-descriptor",
                                      "--quiet", "--dialog", "--list-modes", "--cube-faces", "--help", "--version"};
    for (const NamedSetting& s : NamedSettings()) names.push_back(std::string("--") + s.name);
    return names;
}

// --set NAME=VALUE: a setting by the name of its option ("latitude=12",
// "output-mode=Mercator") or by its four-character scripting key.
bool SetOptionToItems(const std::string& text, std::vector<DescriptorItem>* items, std::string* error) {
    const size_t eq = text.find('=');
    const std::string name = text.substr(0, eq);
    if (eq != std::string::npos) {
        const std::string value = text.substr(eq + 1);
        if (IsNamedSetting(name)) return NamedSettingToItems(name, value, items, error);
        for (const auto& [modeName, kind] : {std::pair{"input-mode", ModeKind::Input},
                                             std::pair{"output-mode", ModeKind::Output},
                                             std::pair{"glue-mode", ModeKind::Glue}}) {
            if (name != modeName) continue;
            DescriptorItem item;
            if (!ModeToItem(kind, value, &item, error)) return false;
            items->push_back(item);
            return true;
        }
        OSType key;
        if (!TextToFourCC(name, &key)) {
            *error = "\"" + name + "\" is neither a setting name nor a four-character key (see vornesk --help)";
            return false;
        }
    }
    DescriptorItem item;
    if (!ParseDescriptorItem(text, &item, error)) return false;
    if (std::find(kSettingsKeys, kSettingsKeys + kSettingsKeyCount, item.key) == kSettingsKeys + kSettingsKeyCount) {
        *error = "\"" + name + "\" is neither a setting name nor a key of the plug-in's settings (see vornesk --help)";
        return false;
    }
    if (!SettingsKeyIsRead(item.key)) {
        *error = "the key \"" + name + "\" carries no setting";
        return false;
    }
    items->push_back(item);
    return true;
}

}  // namespace

const char* HostUsage() {
    static const std::string usage = [] {
        std::string named;
        for (const NamedSetting& s : NamedSettings()) {
            std::string left = std::string("  --") + s.name + (IsSwitchSetting(s.name) ? "[=false]" : " V");
            // A long name puts its help on the next line.
            if (left.size() > 22) left += "\n";
            left.resize(left.back() == '\n' ? left.size() + 24 : 24, ' ');
            named += left + s.help + "\n";
        }
        std::vector<char> text(sizeof kUsageFormat + named.size());
        std::snprintf(text.data(), text.size(), kUsageFormat, named.c_str());
        return std::string(text.data());
    }();
    return usage.c_str();
}

bool ParseHostOptions(int argc, const char* const* argv, HostOptions* options, std::string* error) {
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string value;
        bool hasInlineValue = false;
        if (arg.rfind("--", 0) == 0) {
            size_t eq = arg.find('=');
            if (eq != std::string::npos) {
                value = arg.substr(eq + 1);
                arg = arg.substr(0, eq);
                hasInlineValue = true;
            }
        }
        auto takeValue = [&](std::string* out) {
            if (hasInlineValue) {
                *out = value;
                return true;
            }
            // "-o --quiet" forgot the file name: no value starts with "--"
            // (negative numbers have one dash; "--output=--odd" still works).
            if (i + 1 >= argc || std::strncmp(argv[i + 1], "--", 2) == 0) {
                *error = arg + " needs a value";
                return false;
            }
            *out = argv[++i];
            return true;
        };
        auto noValue = [&]() {
            if (hasInlineValue) *error = arg + " takes no value";
            return !hasInlineValue;
        };
        if (arg == "-h" || arg == "--help") {
            if (!noValue()) return false;
            options->help = true;
        } else if (arg == "--version") {
            if (!noValue()) return false;
            options->version = true;
        } else if (arg == "--list-modes") {
            if (!noValue()) return false;
            options->listModes = true;
        } else if (arg == "--quiet" || arg == "-q") {
            if (!noValue()) return false;
            options->quiet = true;
        } else if (arg == "--dialog") {
            if (!noValue()) return false;
            options->dialog = true;
        } else if (arg == "--print-descriptor") {
            if (!noValue()) return false;
            options->printDescriptor = true;
        } else if (arg == "-o" || arg == "--output") {
            if (!takeValue(&options->output)) return false;
        } else if (arg == "--gallery") {
            if (hasInlineValue || i + 2 >= argc) {
                *error = "--gallery needs a kind (modes, dots, presets, polyhedra or nets) and a folder";
                return false;
            }
            options->galleryKind = argv[++i];
            options->galleryFolder = argv[++i];
            if (options->galleryKind != "modes" && options->galleryKind != "dots" && options->galleryKind != "presets" &&
                options->galleryKind != "polyhedra" && options->galleryKind != "nets") {
                *error = "no gallery is called \"" + options->galleryKind +
                         "\": use modes, dots, presets, polyhedra or nets";
                return false;
            }
        } else if (arg == "--mask") {
            if (!takeValue(&options->mask)) return false;
        } else if (arg == "--plugin") {
            if (!takeValue(&options->plugin)) return false;
        } else if (arg == "--size") {
            std::string v;
            if (!takeValue(&v)) return false;
            size_t x = v.find_first_of("xX");
            if (x == std::string::npos || !ParseWholeNumber(v.substr(0, x), &options->width) ||
                !ParseWholeNumber(v.substr(x + 1), &options->height) || options->width < 1 || options->height < 1) {
                *error = "--size takes WIDTHxHEIGHT in pixels, like 2048x1024, not \"" + v + "\"";
                return false;
            }
            if (int64_t(options->width) * options->height > kLargestResizedPixels) {
                *error = "--size " + v + " is too large: at most " + std::to_string(kLargestResizedPixels) +
                         " pixels in all (46340x46340 for a square)";
                return false;
            }
        } else if (arg == "--threads") {
            std::string v;
            if (!takeValue(&v)) return false;
            if (!ParseWholeNumber(v, &options->threads) || options->threads < 1 || options->threads > 1024) {
                *error = "--threads takes a number from 1 to 1024, not \"" + v + "\"";
                return false;
            }
        } else if (arg == "--max-memory") {
            std::string v;
            if (!takeValue(&v)) return false;
            if (!ParseMemorySize(v, &options->maxMemory)) {
                *error = "--max-memory takes a size such as 4G or 512M, not \"" + v + "\"";
                return false;
            }
        } else if (arg == "--input-mode" || arg == "--output-mode" || arg == "--glue-mode") {
            std::string v;
            DescriptorItem item;
            const ModeKind kind = arg == "--input-mode" ? ModeKind::Input
                                  : arg == "--output-mode" ? ModeKind::Output : ModeKind::Glue;
            if (!takeValue(&v)) return false;
            if (!ModeToItem(kind, v, &item, error)) {
                *error = arg + ": " + *error;
                return false;
            }
            SetDescriptorItem(&options->settings, item);
            options->haveSettings = true;
        } else if (arg == "--settings") {
            std::string path;
            std::vector<DescriptorItem> items;
            if (!takeValue(&path) || !SettingsFileToItems(path, &items, error)) return false;
            for (const DescriptorItem& item : items) SetDescriptorItem(&options->settings, item);
            options->haveSettings = true;
        } else if (arg.rfind("--", 0) == 0 && IsNamedSetting(arg.substr(2))) {
            std::string v = "true";
            std::vector<DescriptorItem> items;
            if (!(IsSwitchSetting(arg.substr(2)) && !hasInlineValue) && !takeValue(&v)) return false;
            if (!NamedSettingToItems(arg.substr(2), v, &items, error)) return false;
            for (const DescriptorItem& item : items) SetDescriptorItem(&options->settings, item);
            options->haveSettings = true;
        } else if (arg == "--cube-faces") {
            // The face size is the cube-map face size setting, in its range.
            std::string v;
            std::vector<DescriptorItem> items;
            if (!takeValue(&v)) return false;
            if (!NamedSettingToItems("cubemap-pixels", v, &items, error)) {
                *error = "--cube-faces takes a whole number from 2 to 30000, not \"" + v + "\"";
                return false;
            }
            for (const DescriptorItem& item : items) SetDescriptorItem(&options->settings, item);
            options->haveSettings = true;
            options->cubeFaces = true;
        } else if (arg == "--set") {
            std::string v;
            if (!takeValue(&v)) return false;
            std::vector<DescriptorItem> items;
            if (!SetOptionToItems(v, &items, error)) {
                *error = "--set: " + *error;
                return false;
            }
            for (const DescriptorItem& item : items) SetDescriptorItem(&options->settings, item);
            options->haveSettings = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            const std::string near = NearestWord(arg, OptionNames());
            *error = "unknown option " + arg + (near.empty() ? "" : "; did you mean " + near + "?") +
                     " (see vornesk --help)";
            return false;
        } else {
            positional.push_back(arg);
        }
    }
    if (options->help || options->version || options->listModes) return true;
    if (positional.empty()) {
        *error = "no input picture given (see vornesk --help)";
        return false;
    }
    if (positional.size() > 1) {
        *error = "one input picture expected, got \"" + positional[0] + "\" and \"" + positional[1] + "\"";
        return false;
    }
    if (!CheckSettingsItems(options->settings, error)) return false;
    options->input = positional[0];
    if (!options->galleryKind.empty()) {
        if (!options->output.empty()) {
            *error = "--gallery writes a page and its pictures instead of OUTPUT: give one or the other";
            return false;
        }
        if (options->cubeFaces) {
            *error = "--gallery writes a page and its pictures, not the cube map's faces: give one or the other";
            return false;
        }
        return true;
    }
    if (options->output.empty()) {
        *error = "no output file given: add -o OUTPUT";
        return false;
    }
    if (ImageFormatFromName(options->output) == ImageFormat::Unknown && !IsOBJExportName(options->output) &&
        !IsLDRAWExportName(options->output)) {
        *error = "cannot tell the format of \"" + options->output +
                 "\": end its name with .png, .jpg, .pfm, .tif, .psd, .obj or .ldr";
        return false;
    }
    if (options->cubeFaces && ImageFormatFromName(options->output) != ImageFormat::PSD) {
        *error = "--cube-faces writes PSD files: end OUTPUT's name with .psd, not \"" + options->output + "\"";
        return false;
    }
    return true;
}

bool IsLDRAWExportName(const std::string& output) {
    if (output.size() < 4) return false;
    std::string tail = output.substr(output.size() - 4);
    for (char& c : tail) c = char(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".ldr";
}
