#include "render/globes/brick_exports.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/byte_io.h"
#include "common/filenames.h"
#include "host_access/reporter.h"
#include "platform/host/filter_record.h"
#include "pyramid/pixels.h"
#include "records/data.h"
#include "records/parameters.h"
#include "records/plugin_globals.h"
#include "records/work_area.h"

namespace {

constexpr int kBlock = 10, kBlockStep = 9;
constexpr int kPageBorder = 244, kPageInside = 255;

// The model of the instruction pages, from layer 1 to the last.
LegoStructure gInstructionBall{};
bool gInstructionBallMade = false;

void PutGrey(PyramidDescriptor* pyr, int64_t x, int64_t y, const int64_t rgb[3]) {
    switch (pyr->kind) {
        case kPyrColour16: {
            uint16_t v[4];
            for (int i = 0; i < 3; ++i)
                v[i] = uint16_t(rgb[i] >= 255 ? 32768 : ((rgb[i] >> 1) | (rgb[i] << 7)));
            v[3] = 32768;
            pyr_write_components(x, y, pyr, 0, v);
            break;
        }
        case kPyrColourFloat: {
            float v[4];
            for (int i = 0; i < 3; ++i) v[i] = float(rgb[i]) * 0.003921568627451f;
            v[3] = 1.0f;
            pyr_write_components(x, y, pyr, 0, v);
            break;
        }
        default: set_pyramid_sample_point4(x, y, pyr, 0, rgb[0], rgb[1], rgb[2], 255); break;
    }
}

// A block of the page: border ring and inside.
void PaintBlock(PyramidDescriptor* pyr, int64_t cx, int64_t cy, const int64_t border[3], const int64_t inside[3]) {
    for (int j = 0; j < kBlock; ++j)
        for (int i = 0; i < kBlock; ++i) {
            const bool edge = i == 0 || j == 0 || i == kBlock - 1 || j == kBlock - 1;
            PutGrey(pyr, cx * kBlockStep + i, cy * kBlockStep + j, edge ? border : inside);
        }
}

bool HostAborts() { return gFilterRecord && gFilterRecord->abortProc && gFilterRecord->abortProc(); }

constexpr const char* kMonths[12] = {"January", "February", "March",     "April",   "May",      "June",
                                     "July",    "August",   "September", "October", "November", "December"};

std::string DateText() {
    int32_t year, month, day, hour, minute, second;
    LocalYearMonthDayHourMinutesSeconds(&year, &month, &day, &hour, &minute, &second);
    char text[96];
    std::snprintf(text, sizeof text, "on %d %s %d at %02d:%02d:%02d", day, kMonths[std::clamp(month, 1, 12) - 1], year,
                  hour, minute, second);
    return text;
}

// The LDRAW text goes through the ball's descriptor; the first failed write
// is remembered.
struct LDRAWSink {
    std::string line;
    bool failed = false;
};
LDRAWSink gSink;

void Emit(LegoStructure* ball, const std::string& line) {
    if (gSink.failed) return;
    if (WriteBytes(ball->fd, (line + "\r\n").data(), int64_t(line.size() + 2)) != 0) gSink.failed = true;
}

// A model of no width has no cells and needs none: its layers are empty.
bool HasModel(const LegoStructure* ball) {
    return ball && (ball->cells || LegoBallWidth(ball->size, ball->plates) <= 0);
}

}  // namespace

int64_t LegoPageSide(int64_t size, bool plates) { return kBlockStep * LegoBallWidth(size, plates) + 1; }

void DrawLegoCell(const LegoStructure* ball, PyramidDescriptor* pyr, int64_t x, int64_t y, int64_t z) {
    const int code = GetLegoColor(ball, x, y, z);
    if (!code) return;
    int64_t core[4];
    GetLegoCoreColor(code, core);
    const int64_t edge[3] = {GetLegoEdgeColor(true), GetLegoEdgeColor(true), GetLegoEdgeColor(true)};
    PaintBlock(pyr, x, y, edge, core);
    if (!(GetLegoMark(ball, x, y, z) & kLegoSurface)) {
        const int64_t black[3] = {0, 0, 0};
        for (int j = 4; j <= 5; ++j)
            for (int i = 4; i <= 5; ++i) PutGrey(pyr, x * kBlockStep + i, y * kBlockStep + j, black);
    }
}

namespace {

// The brick globe of the settings built whole into ball, the work area's
// tallies following it; false (the ball empty) when its cells could not be had.
bool BuildBallOfSettings(Data* data, const Parameters* p, LegoStructure* ball) {
    const BrickSettings set = BrickSettingsOf(p);
    CreateLegoBall(ball, set.size, set.plates, set.dithering, set.colourSet);
    if (!HasModel(ball)) return false;
    float table[400];
    const BrickPicture pic = BrickPictureOf(data, p, table);
    tumbletype tumble;
    BrickTumble(&tumble, set.tumbleDegrees);
    BuildLegoball(ball, &pic, &tumble, false);
    if (data && data->storage)
        GenerateBrickStatistics(ball, data->storage->brickCellsPerColour, data->storage->brickSurfaceCellsPerColour);
    return true;
}

}  // namespace

bool CountBrickGlobeOfSettings(Data* data, const Parameters& settings) {
    LegoStructure ball{};
    const bool built = BuildBallOfSettings(data, &settings, &ball);
    DestroyLegoBall(&ball);
    return built;
}

int GenerateOneLayerOfLego(Data* data, const Parameters& settings, PyramidDescriptor* pyr, int64_t layer,
                           bool* cancelled) {
    LegoStructure* ball = &gInstructionBall;
    const Parameters* p = &settings;
    if (layer == 1) {
        DestroyLegoBall(ball);
        if (!BuildBallOfSettings(data, p, ball)) return kBrickExportNoMemory;
        gInstructionBallMade = true;
    } else if (!gInstructionBallMade || !HasModel(ball)) {
        return kBrickExportNoModel;
    }
    const int64_t w = LegoBallWidth(ball->size, ball->plates);
    const int64_t border[3] = {kPageBorder, kPageBorder, kPageBorder}, inside[3] = {kPageInside, kPageInside, kPageInside};
    if (pyr)
        for (int64_t y = 0; y < w; ++y)
            for (int64_t x = 0; x < w; ++x) PaintBlock(pyr, x, y, border, inside);
    if (pyr && ball->cells)
        for (int64_t y = 0; y < w; ++y)
            for (int64_t x = 0; x < w; ++x) DrawLegoCell(ball, pyr, x, y, layer - 1);
    ReportProgress(ball->size > 0 ? float(layer) / float(ball->size) : 1.0f);
    bool aborted = false;
    if (HostAborts()) {
        aborted = true;
        if (cancelled) *cancelled = true;
        ReportCancelling();
    }
    if (layer >= ball->size) {
        if (data && data->storage)
            GenerateBrickStatistics(ball, data->storage->brickCellsPerColour, data->storage->brickSurfaceCellsPerColour);
        DestroyLegoBall(ball);
        gInstructionBallMade = false;
    }
    return aborted ? kBrickExportCancelled : kBrickExportOK;
}

void DisposeInstructionBall() {
    DestroyLegoBall(&gInstructionBall);
    gInstructionBallMade = false;
}

// ---------------------------------------------------------------- LDRAW

int DrawLDRAWCell(LegoStructure* ball, int64_t x, int64_t y, int64_t z) {
    const int code = GetLegoColor(ball, x, y, z);
    if (!code) return 0;
    const int64_t w = LegoBallWidth(ball->size, ball->plates);
    const int64_t X = -(w / 2) * 20 + 20 * x;
    const int64_t Y = ball->unitHeight * (ball->size / 2) - ball->unitHeight * z;
    const int64_t Z = (w / 2) * 20 - 20 * y;
    char text[128];
    std::snprintf(text, sizeof text, "1 %d %lld %lld %lld %s", MyLegoColorToLDRAWColor(code), (long long)X,
                  (long long)Y, (long long)Z,
                  ball->plates ? " 1 0 0 0 1 0 0 0 1 3024.DAT" : " 1 0 0 0 1 0 0 0 1 3005.DAT");
    Emit(ball, text);
    return 0;
}

int GenerateOneLayerOfLDRAW(LegoStructure* ball) {
    if (!HasModel(ball)) return kBrickExportNoModel;
    const int64_t L = ball->currentLayer;
    if (L > 1) Emit(ball, "0 STEP");
    Emit(ball, "0 Layer " + std::to_string(L) + " of " + std::to_string(ball->size));
    const int64_t w = LegoBallWidth(ball->size, ball->plates);
    for (int64_t j = 0; j < w; ++j)
        for (int64_t i = 0; i < w; ++i) DrawLDRAWCell(ball, i, j, L - 1);
    return kBrickExportOK;
}

int GenerateAllLayersOfLDRAW_Thingie(LegoStructure* ball, int fd) {
    gSink = LDRAWSink{};
    ball->fd = fd;
    int result = kBrickExportOK;
    Emit(ball, "0 Lego sphere generated by Vornesk 2 " + DateText());
    for (int64_t L = 1; L <= ball->size && result == kBrickExportOK; ++L) {
        ball->currentLayer = L;
        result = GenerateOneLayerOfLDRAW(ball);
    }
    Emit(ball, "0");
    if (result == kBrickExportOK && gSink.failed) result = kBrickExportWriteFailed;
    if (TruncateFile(fd) != 0 && result == kBrickExportOK) result = kBrickExportWriteFailed;
    if (close(fd) != 0 && result == kBrickExportOK) result = kBrickExportWriteFailed;
    ball->fd = -1;
    return result;
}

int WriteLDRAWFile_Thingie(Data* data, const Parameters& settings, int fd) {
    LegoStructure ball{};
    if (!BuildBallOfSettings(data, &settings, &ball)) {
        close(fd);
        return kBrickExportNoMemory;
    }
    const int result = GenerateAllLayersOfLDRAW_Thingie(&ball, fd);
    DestroyLegoBall(&ball);
    return result;
}
