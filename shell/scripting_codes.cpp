#include "shell/scripting_codes.h"

#include <iterator>

namespace {

// Input modes 1..41 in order.
constexpr char kInputCodes[41][5] = {
    "Fi01", "Fi02", "Fi03", "Fi04", "Fi05", "Fi06", "Fi07", "Fi08", "Fi09", "Fi10", "Fi11",
    "Fi12", "Fi13", "Fi14", "Fi15", "Fi16", "Fi18", "Fi19", "Fi20", "Fi21", "Fi22", "Fi23",
    "Fi24", "Fi25", "Fi26", "Fi27", "Fi28", "Fi29", "Fi30", "Fi31", "Fi33", "Fi32", "Fi35",
    "Fi37", "Fi38", "Fi39", "Fi40", "Fi41", "Fi42", "Fi43", "Fi44",
};

// Output modes first..last take the codes counting up from `code`: "F", a
// letter and two digits read as one number ('o' 0, 'p' 100, ...), so that
// "Fo99" is followed by "Fp00". Runs of one mode may have any code.
struct OutputRun {
    int32_t first;
    int32_t last;
    char code[5];
};

constexpr OutputRun kOutputRuns[] = {
    {1, 15, "Fo01"}, {16, 16, "Fo70"}, {17, 34, "Fo16"}, {35, 35, "QW46"}, {36, 55, "Fo35"}, {56, 69, "Fo56"},
    {70, 105, "Fo71"}, {106, 116, "Fp08"}, {117, 117, "Fp41"}, {118, 120, "Fp29"}, {121, 121, "Fp33"},
    {122, 123, "Fp38"}, {124, 124, "Fp20"}, {125, 125, "Fp32"}, {126, 126, "Fp40"}, {127, 127, "Fp21"},
    {128, 133, "Fp23"}, {134, 136, "Fp42"}, {137, 137, "QW45"}, {138, 142, "Fp47"}, {143, 144, "Fp53"},
    {145, 145, "Fp56"}, {146, 149, "Fp58"}, {150, 150, "Fp55"}, {151, 151, "Fp57"}, {152, 163, "Fp62"},
    {164, 174, "Fp76"}, {175, 176, "Fp89"}, {177, 198, "Fq00"}, {199, 201, "Fr00"}, {202, 202, "Fr30"},
    {203, 203, "Fr40"}, {204, 204, "Fr03"}, {205, 205, "Fr31"}, {206, 209, "Fr04"}, {210, 210, "Fr32"},
    {211, 211, "Fr41"}, {212, 212, "Fr08"}, {213, 213, "Fr33"}, {214, 214, "Fr42"}, {215, 219, "Fr09"},
    {220, 220, "Fr34"}, {221, 221, "Fr43"}, {222, 222, "Fr14"}, {223, 223, "Fr35"}, {224, 224, "Fr44"},
    {225, 225, "Fr15"}, {226, 226, "Fr36"}, {227, 232, "Fr16"}, {233, 233, "Fr37"}, {234, 234, "Fr45"},
    {235, 235, "Fr22"}, {236, 236, "Fr38"}, {237, 237, "Fr46"}, {238, 238, "Fr23"}, {239, 239, "Fr39"},
    {240, 240, "Fr47"}, {241, 246, "Fr24"}, {247, 254, "Fr48"}, {255, 262, "Fr62"}, {263, 267, "Fr56"},
    {268, 300, "Fr70"}, {301, 301, "Ft34"}, {302, 303, "Fs03"}, {304, 336, "Ft01"}, {337, 337, "Ft36"},
    {338, 341, "Ft38"}, {342, 342, "Ft43"}, {343, 343, "Ft42"}, {344, 350, "Ft44"}, {353, 367, "Ft55"},
    {368, 369, "Ft71"}, {370, 370, "Ft70"}, {371, 371, "Ft73"}, {372, 372, "Ft75"}, {373, 373, "Ft82"},
    {374, 374, "Ft77"}, {375, 375, "Ft74"}, {376, 376, "Ft76"}, {377, 377, "Ft83"}, {378, 379, "Ft78"},
    {380, 380, "Ft81"}, {381, 381, "Ft84"}, {382, 382, "Ft80"}, {383, 404, "Ft85"}, {405, 413, "Fu08"},
    {414, 419, "Fu18"}, {420, 512, "Fv00"}, {513, 545, "Fw00"}, {547, 547, "Fw34"}, {686, 686, "Ft53"},
    {800, 800, "Fs05"}, {899, 899, "Ft35"}, {900, 900, "Fu17"}, {1038, 1041, "Fp34"}, {1042, 1042, "Fp88"},
    {1043, 1043, "Fp##"}, {1046, 1046, "Fo55"}, {1047, 1047, "Fp87"},
    // Named modes that once had no code (and played back as mode 0): each has
    // its own now, taken from the gaps of the neighbouring runs or, for
    // 1048..1050, the letter that reads as 1000.
    {351, 352, "Ft51"}, {546, 546, "Fw33"}, {1048, 1050, "Fy48"},
};

constexpr DescriptorEnumID Code(const char (&s)[5]) { return MakeFourCC(s); }

DescriptorEnumID RunCode(const OutputRun& run, int32_t mode) {
    if (run.first == run.last) return Code(run.code);
    int32_t n = (run.code[1] - 'o') * 100 + (run.code[2] - '0') * 10 + (run.code[3] - '0') + (mode - run.first);
    char s[5] = {'F', char('o' + n / 100), char('0' + n % 100 / 10), char('0' + n % 10), 0};
    return MakeFourCC(s);
}

DescriptorEnumID TwoDigitCode(const char* prefix, int32_t n) {
    char s[5] = {prefix[0], prefix[1], char('0' + n / 10), char('0' + n % 10), 0};
    return MakeFourCC(s);
}

constexpr DescriptorEnumTypeID kInputType = MakeFourCC("Fity");
constexpr DescriptorEnumTypeID kOutputType = MakeFourCC("Foty");
constexpr DescriptorEnumTypeID kGlueType = MakeFourCC("GLty");
constexpr DescriptorEnumTypeID kGridType = MakeFourCC("Fgty");

}  // namespace

void qev_ValueToEnum(int32_t value, DescriptorEnumTypeID type, DescriptorEnumID* code) {
    *code = kNoScriptingCode;
    if (type == kInputType && value >= 1 && value <= 41) {
        *code = Code(kInputCodes[value - 1]);
    } else if (type == kGridType && value >= 1 && value <= 7) {
        *code = MakeFourCC("Fgr0") + DescriptorEnumID(value);
    } else if (type == kGlueType && value >= 1 && value <= 69) {
        // The glue mode is recorded under "GL01".."GL69", so playing it back restores it.
        *code = TwoDigitCode("GL", value);
    } else if (type == kOutputType) {
        for (const OutputRun& run : kOutputRuns)
            if (value >= run.first && value <= run.last) *code = RunCode(run, value);
    }
}

int qev_EnumToValue(DescriptorEnumTypeID type, DescriptorEnumID code, int32_t* value) {
    *value = 0;
    if (code == kNoScriptingCode) return 0;
    if (type == kInputType) {
        for (int32_t m = 1; m <= 41; ++m)
            if (Code(kInputCodes[m - 1]) == code) return *value = m, 1;
    } else if (type == kGridType) {
        for (int32_t m = 1; m <= 7; ++m)
            if (MakeFourCC("Fgr0") + DescriptorEnumID(m) == code) return *value = m, 1;
    } else if (type == kGlueType) {
        for (int32_t m = 1; m <= 69; ++m)
            if (TwoDigitCode("GL", m) == code) return *value = m, 1;
    } else if (type == kOutputType) {
        for (const OutputRun& run : kOutputRuns)
            for (int32_t m = run.first; m <= run.last; ++m)
                if (RunCode(run, m) == code) return *value = m, 1;
    }
    return 0;
}
