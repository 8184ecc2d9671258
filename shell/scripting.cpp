#include "shell/scripting.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/host/result_codes.h"
#include "host_access/FilterBigDocument.h"
#include "records/data.h"
#include "host_access/host_utilities.h"
#include "records/parameters.h"
#include "shell/defaults.h"
#include "shell/host_export.h"
#include "host_access/host_result.h"
#include "records/plugin_globals.h"
#include "shell/scripting_codes.h"
#include "shell/settings_file.h"
#include "shell/settings_ranges.h"

const DescriptorKeyID kSettingsKeys[kSettingsKeyCount + 1] = {
    MakeFourCC("Vers"), MakeFourCC("0001"), MakeFourCC("0002"), MakeFourCC("0003"), MakeFourCC("0004"),
    MakeFourCC("0005"), MakeFourCC("0006"), MakeFourCC("Fiky"), MakeFourCC("0008"), MakeFourCC("0009"),
    MakeFourCC("Foky"), MakeFourCC("0011"), MakeFourCC("hqpr"), MakeFourCC("0012"), MakeFourCC("0013"),
    MakeFourCC("0014"), MakeFourCC("0015"), MakeFourCC("GLUE"), MakeFourCC("0017"), MakeFourCC("0018"),
    MakeFourCC("0019"), MakeFourCC("0020"), MakeFourCC("0021"), MakeFourCC("0022"), MakeFourCC("0023"),
    MakeFourCC("0024"), MakeFourCC("0025"), MakeFourCC("0026"), MakeFourCC("0027"), MakeFourCC("0028"),
    MakeFourCC("0029"), MakeFourCC("0030"), MakeFourCC("0031"), MakeFourCC("Fgky"), MakeFourCC("0032"),
    MakeFourCC("0033"), MakeFourCC("0034"), MakeFourCC("0035"), MakeFourCC("0036"), MakeFourCC("0037"),
    MakeFourCC("0038"), MakeFourCC("0039"), MakeFourCC("0040"), MakeFourCC("0041"), MakeFourCC("0042"),
    0,
};

namespace {

enum ValueKind { kInteger, kBoolean, kFloat, kColour, kEnum, kWrittenOnly, kVersion };

// One key: how it travels and the field behind it.
struct KeyField {
    const char key[5];
    ValueKind kind;
    size_t offset;          // of the field in Parameters
    const char enumType[5]; // for kEnum
};

#define AT(f) offsetof(Parameters, f)
#define COLOUR(f, c) (offsetof(Parameters, f) + offsetof(RGBColor, c))

// In the order the writer puts them. "0015" is offered but carries nothing.
const KeyField kFields[] = {
    {"Vers", kVersion, AT(version), ""},
    {"0001", kColour, COLOUR(tab_color, red), ""},
    {"0002", kColour, COLOUR(tab_color, green), ""},
    {"0003", kColour, COLOUR(tab_color, blue), ""},
    {"0004", kColour, COLOUR(background_color, red), ""},
    {"0005", kColour, COLOUR(background_color, green), ""},
    {"0006", kColour, COLOUR(background_color, blue), ""},
    {"Fiky", kEnum, AT(inputMode), "Fity"},
    {"0008", kInteger, AT(latitudeDegrees), ""},
    {"0009", kInteger, AT(spinDegrees), ""},
    {"Foky", kEnum, AT(outputMode), "Foty"},
    {"0011", kBoolean, AT(flip), ""},
    // Written as an integer and read back as one.
    {"hqpr", kInteger, AT(hqpr), ""},
    {"0012", kInteger, AT(longitudeDegrees), ""},
    {"0013", kInteger, AT(tabsInteger), ""},
    {"0014", kInteger, AT(fovDegrees), ""},
    {"GLUE", kEnum, AT(glueMode), "GLty"},
    {"0017", kBoolean, AT(faces), ""},
    {"0018", kInteger, AT(lego_layers), ""},
    {"0019", kBoolean, AT(legoFlag1), ""},
    {"0020", kBoolean, AT(legoFlag2), ""},
    {"0021", kInteger, AT(cubemap_pixels), ""},
    {"0022", kBoolean, AT(legoFlag3), ""},
    {"0023", kBoolean, AT(lego_diffuse_colors), ""},
    {"0024", kInteger, AT(legoBrickMask), ""},
    {"0025", kBoolean, AT(lego_plates), ""},
    {"0026", kInteger, AT(export_pixels), ""},
    {"0027", kInteger, AT(sharpenInteger), ""},
    {"0028", kBoolean, AT(transparent_gaps), ""},
    {"0029", kBoolean, AT(edges), ""},
    {"0030", kBoolean, AT(anamorph), ""},
    {"0031", kBoolean, AT(dehalo), ""},
    {"Fgky", kEnum, AT(grid), "Fgty"},
    {"0032", kWrittenOnly, AT(previewquality), ""},
    {"0033", kBoolean, AT(indicatrix), ""},
    {"0034", kFloat, AT(latitude), ""},
    {"0035", kFloat, AT(longitude), ""},
    {"0036", kFloat, AT(spin), ""},
    {"0037", kFloat, AT(FOV), ""},
    {"0038", kFloat, AT(tabs), ""},
    {"0039", kFloat, AT(sharpen), ""},
    {"0040", kColour, COLOUR(line_color, red), ""},
    {"0041", kColour, COLOUR(line_color, green), ""},
    {"0042", kColour, COLOUR(line_color, blue), ""},
};

#undef AT
#undef COLOUR


DescriptorKeyID Key(const char (&s)[5]) { return MakeFourCC(s); }

const KeyField* FieldOfKey(DescriptorKeyID key) {
    for (const KeyField& f : kFields)
        if (Key(f.key) == key) return &f;
    return nullptr;
}

std::string KeyText(DescriptorKeyID key) {
    return {char(key >> 24), char(key >> 16), char(key >> 8), char(key)};
}

bool HostFumblesScripting() {
    const OSType sig = GetHostSig();
    return sig == MakeFourCC("PSP8") || sig == MakeFourCC("PSP9");
}

}  // namespace

bool SettingsKeyIsRead(DescriptorKeyID key) {
    const KeyField* f = FieldOfKey(key);
    return f && f->kind != kWrittenOnly;
}

int32_t PutSettingsToDescriptor(const Parameters* p, const WriteDescriptorProcs* procs, PIWriteDescriptor writer) {
    if (!p || !procs || !writer) return paramErr;
    OSErr first = noErr;
    auto note = [&first](OSErr e) {
        if (e != noErr && first == noErr) first = e;
    };
    for (const KeyField& f : kFields) {
        const DescriptorKeyID key = Key(f.key);
        switch (f.kind) {
            case kVersion: note(procs->putIntegerProc(writer, key, kSettingsVersion)); break;
            case kInteger:
            case kWrittenOnly: note(procs->putIntegerProc(writer, key, GetParameterField<int32_t>(p, f.offset))); break;
            case kBoolean: note(procs->putBooleanProc(writer, key, GetParameterField<int32_t>(p, f.offset) != 0)); break;
            case kFloat: {
                const double v = GetParameterField<float>(p, f.offset);
                note(procs->putFloatProc(writer, key, &v));
                break;
            }
            case kColour: {
                const double v = GetParameterField<uint16_t>(p, f.offset) / 256.0;
                note(procs->putFloatProc(writer, key, &v));
                break;
            }
            case kEnum: {
                DescriptorEnumID code = kNoScriptingCode;
                qev_ValueToEnum(GetParameterField<int32_t>(p, f.offset), MakeFourCC(f.enumType), &code);
                note(procs->putEnumeratedProc(writer, key, MakeFourCC(f.enumType), code));
                break;
            }
        }
    }
    return first;
}

bool GetSettingsFromDescriptor(Parameters* params, const ReadDescriptorProcs* procs, PIReadDescriptor reader,
                               std::string* error, ExportOrder* order, bool overFactoryBlock) {
    auto fail = [error](const std::string& text) {
        if (error) *error = text;
        return false;
    };
    if (!params || !procs || !reader) return fail("there is no descriptor to read");
    Parameters p = *params;
    if (overFactoryBlock) GrabDefaultSettings(&p);
    p.version = kSettingsVersion;
    ExportOrder asked;
    bool kindGiven = false, fileGiven = false;
    int32_t resultSize[2] = {0, 0};
    DescriptorKeyID key = 0;
    DescriptorTypeID type = 0;
    int32_t flags = 0;
    while (procs->getKeyProc(reader, &key, &type, &flags)) {
        if (order && key == kExportKindKey) {
            DescriptorEnumID code = 0;
            if (procs->getEnumeratedProc(reader, &code) != noErr)
                return fail("the value under " + KeyText(key) + " has the wrong type");
            if (!ExportOrderKindOfCode(code, &asked.kind))
                return fail("the code " + KeyText(code) + " under " + KeyText(key) + " names no export");
            kindGiven = true;
            continue;
        }
        if (order && key == kExportFileKey) {
            // Paths come as aliases: a string of 255 bytes would cut them short.
            Handle path = nullptr;
            if (procs->numReadDescriptorProcs < kCurrentReadDescriptorProcsCount || !procs->getAliasProc)
                return fail("the host hands over no file path under " + KeyText(key));
            if (procs->getAliasProc(reader, &path) != noErr || !path)
                return fail("the value under " + KeyText(key) + " is no file path");
            const bool read = HostHandleText(path, &asked.path);
            HostDisposeHandle(path);
            if (!read || asked.path.empty()) return fail("the file path under " + KeyText(key) + " cannot be read");
            fileGiven = true;
            continue;
        }
        if (key == kResultWidthKey || key == kResultHeightKey) {
            int32_t v = 0;
            if (procs->getIntegerProc(reader, &v) != noErr || v < 1)
                return fail("the result " + std::string(key == kResultWidthKey ? "width" : "height") + " under " +
                            KeyText(key) + " is not a positive number of pixels");
            resultSize[key == kResultWidthKey ? 0 : 1] = v;
            continue;
        }
        const KeyField* f = FieldOfKey(key);
        if (!f || f->kind == kWrittenOnly) continue;
        const std::string name = KeyText(key);
        OSErr e = noErr;
        switch (f->kind) {
            case kVersion:
            case kInteger: {
                int32_t v = 0;
                e = procs->getIntegerProc(reader, &v);
                if (e == noErr) SetParameterField<int32_t>(&p, f->offset, v);
                break;
            }
            case kBoolean: {
                // A yes or no: a number stands for one only as 0 or 1.
                if (type == typeInteger) {
                    int32_t v = 0;
                    e = procs->getIntegerProc(reader, &v);
                    if (e == noErr && v != 0 && v != 1)
                        return fail("the value under " + name + " is a yes or no (true, false, 1 or 0), not " +
                                    std::to_string(v));
                    if (e == noErr) SetParameterField<int32_t>(&p, f->offset, v);
                    break;
                }
                Boolean v = 0;
                e = procs->getBooleanProc(reader, &v);
                if (e == noErr) SetParameterField<int32_t>(&p, f->offset, v ? 1 : 0);
                break;
            }
            case kFloat: {
                double v = 0;
                e = procs->getFloatProc(reader, &v);
                // Checked before narrowing: a double beyond float's range is no float.
                const SettingRange* range = SettingRangeOfKey(key);
                if (e == noErr && range && !SettingInRange(*range, v))
                    return fail("the " + std::string(range->name) + " under " + name + " is not " +
                                SettingRangeText(*range));
                if (e == noErr) SetParameterField<float>(&p, f->offset, float(v));
                break;
            }
            case kColour: {
                double v = 0;
                e = procs->getFloatProc(reader, &v);
                // Components travel as component / 256; checked before they are narrowed.
                const SettingRange* range = SettingRangeOfKey(key);
                if (e == noErr && range && !SettingInRange(*range, v * 256))
                    return fail("the " + std::string(range->name) + " under " + name + " (component / 256) is not from 0 to " +
                                std::to_string(kLargestColourComponent / 256).substr(0, 8));
                if (e == noErr) SetParameterField<uint16_t>(&p, f->offset, uint16_t(std::lround(v * 256)));
                break;
            }
            case kEnum: {
                DescriptorEnumID code = 0;
                e = procs->getEnumeratedProc(reader, &code);
                int32_t mode = 0;
                if (e == noErr && !qev_EnumToValue(MakeFourCC(f->enumType), code, &mode))
                    return fail("the code " + KeyText(code) + " under " + name + " names no " +
                                (f->key[1] == 'i' ? "input mode" : f->key[1] == 'o' ? "output mode"
                                                               : f->key[0] == 'G' ? "glue mode" : "graticule kind"));
                if (e == noErr) SetParameterField<int32_t>(&p, f->offset, mode);
                break;
            }
            case kWrittenOnly: break;
        }
        if (e != noErr) return fail("the value under " + name + " has the wrong type");
    }
    if (p.version < kOldestSettingsVersion || p.version > kSettingsVersion)
        return fail(SettingsVersionProblem(p.version));
    if (p.version <= 46) FixRedefinedParameters(&p);
    if (!CheckSettingsRanges(&p, error)) return false;
    if (kindGiven != fileGiven)
        return fail(kindGiven ? "an export under " + KeyText(kExportKindKey) + " names no file under " +
                                    KeyText(kExportFileKey)
                              : "the file under " + KeyText(kExportFileKey) + " comes without an export under " +
                                    KeyText(kExportKindKey));
    const bool sized = resultSize[0] > 0 && resultSize[1] > 0;
    p.resultWidth = sized ? resultSize[0] : 0;
    p.resultHeight = sized ? resultSize[1] : 0;
    *params = p;
    if (order) *order = asked;
    return true;
}

const WriteDescriptorProcs* GetWriteDescriptorProcsForSettings() { return GetWriteDescriptorProcs(); }

bool ScriptingParamsAreComing() {
    if (HostFumblesScripting() || !HostDescriptorAvailable()) return false;
    PIDescriptorParameters* d = GetDescriptorParameters();
    PIReadDescriptor reader = d->readDescriptorProcs->openReadDescriptorProc(d->descriptor, kSettingsKeys);
    if (!reader) return false;
    d->readDescriptorProcs->closeReadDescriptorProc(reader);
    return true;
}

int32_t ReadScriptParams_qev(ExportOrder* order) {
    if (order) *order = ExportOrder{};
    if (HostFumblesScripting()) return 0;
    if (!HostDescriptorAvailable()) return 1;
    PIDescriptorParameters* d = GetDescriptorParameters();
    PIReadDescriptor reader = d->readDescriptorProcs->openReadDescriptorProc(d->descriptor, kSettingsKeys);
    if (reader && gParams) {
        std::string why;
        const bool ok = GetSettingsFromDescriptor(gParams, d->readDescriptorProcs, reader, &why, order, true);
        d->readDescriptorProcs->closeReadDescriptorProc(reader);
        if (!ok && gFilterRecord) {
            const std::string text = "Vornesk 2 cannot use these settings: " + why;
            SetHostResult(HostReportError(gFilterRecord->errorString, text.c_str()), kDiagBadScriptParameters);
        }
    } else if (reader) {
        d->readDescriptorProcs->closeReadDescriptorProc(reader);
    }
    // The host's own procedures: its handles are not this module's.
    if (reader) HostDisposeDescriptor(&d->descriptor);
    const int32_t wanted = d->playInfo == plugInDialogDisplay ? 1 : 0;
    if (gData) gData->showDialog = uint8_t(wanted);
    return wanted;
}

int32_t WriteScriptParams_qev(Data* data) {
    if (!HostDescriptorAvailable()) return 0;
    PIDescriptorParameters* d = GetDescriptorParameters();
    PIWriteDescriptor writer = d->writeDescriptorProcs->openWriteDescriptorProc();
    if (!writer) return 0;
    ParametersOut(data, -1, 0, writer, 0);
    HostDisposeDescriptor(&d->descriptor);
    PIDescriptorHandle written = nullptr;
    d->writeDescriptorProcs->closeWriteDescriptorProc(writer, &written);
    d->descriptor = written;
    d->recordInfo = plugInDialogDontDisplay;
    return 0;
}
