#include "files/psd_layers.h"

#include <cstdio>

#include "files/psd_doc.h"
#include "files/psd_sections.h"
#include "pyramid/pyramid.h"

namespace {

constexpr int64_t kOpaque = 255;
constexpr int64_t kBrickUpperOpacity = 230;

int64_t RoundUp4(int64_t n) { return (n + 3) & ~int64_t(3); }

// Length X of the layer info: count, records and every layer's channel data.
int64_t LayerInfoLength(const PyramidDescriptor* pyr, const PSDdoc* doc) {
    PSDSink counter;
    PSDSinkStart(&counter, -1, true);
    WrPSD_layer_structure(doc, &counter);
    return counter.count + doc->layerCount * PSDLayerChannelDataBytes(pyr, doc);
}

}  // namespace

void CNameOfLayer(const PSDdoc* doc, int64_t layer, char* name) {
    static const char* const kCubeFaceNames[6] = {"_d", "_u", "_l", "_b", "_r", "_f"};
    switch (doc->exportKind) {
        case 0:
            if (layer == doc->layerCount) std::snprintf(name, kPSDLayerNameBytes, "%01lld top", (long long)layer);
            else if (layer == 1) std::snprintf(name, kPSDLayerNameBytes, "%01lld bottom", (long long)layer);
            else std::snprintf(name, kPSDLayerNameBytes, "%lld", (long long)layer);
            break;
        case 1:
            std::snprintf(name, kPSDLayerNameBytes, "%s",
                          doc->cubeFace >= 1 && doc->cubeFace <= 6 ? kCubeFaceNames[doc->cubeFace - 1] : "Layer 1");
            break;
        case 2:
        case 4:
            std::snprintf(name, kPSDLayerNameBytes, "face %lld", (long long)layer);
            break;
        default:
            std::snprintf(name, kPSDLayerNameBytes, "Layer 1");
            break;
    }
}

int64_t OpacityOfLayer(const PSDdoc* doc, int64_t layer) {
    return doc->exportKind != 0 || layer == 1 ? kOpaque : kBrickUpperOpacity;
}

const char* BlendingModeForLayer(const PSDdoc*, int64_t) { return "norm"; }

int64_t PSDLayerChannelDataBytes(const PyramidDescriptor* pyr, const PSDdoc* doc) {
    return 4 * (2 + doc->width * doc->height * pyr->bytesPerComponent);
}

int64_t WrPSD_channel_length_info(const PSDdoc* doc, PSDSink* sink) {
    const int64_t start = sink->count;
    const uint32_t length = uint32_t(2 + doc->width * doc->height * doc->bytesPerComponent);
    if (doc->channelsPerLayer == 1) {
        PSDPutShort(sink, 0);
        PSDPutLong(sink, length);
    } else {
        for (int id = -1; id <= 2; ++id) {
            PSDPutShort(sink, uint32_t(id) & 0xFFFF);
            PSDPutLong(sink, length);
        }
    }
    return sink->count - start;
}

int64_t WrPSD_layer_mask_data(PSDSink* sink) {
    PSDPutLong(sink, 0);
    return 4;
}

int64_t WrPSD_layer_blending_ranges(PSDSink* sink) {
    PSDPutLong(sink, 40);
    for (int i = 0; i < 10; ++i) PSDPutLong(sink, 0x0000FFFF);
    return 44;
}

int64_t WrPSD_layer_record(const PSDdoc* doc, int64_t layer, PSDSink* sink) {
    const int64_t start = sink->count;
    char name[kPSDLayerNameBytes];
    CNameOfLayer(doc, layer, name);
    PSDPutLong(sink, 0);
    PSDPutLong(sink, 0);
    PSDPutLong(sink, uint32_t(doc->height));
    PSDPutLong(sink, uint32_t(doc->width));
    PSDPutShort(sink, uint32_t(doc->channelsPerLayer));
    WrPSD_channel_length_info(doc, sink);
    PSDPutTag(sink, "8BIM");
    PSDPutTag(sink, BlendingModeForLayer(doc, layer));
    PSDPutByte(sink, uint32_t(OpacityOfLayer(doc, layer)));
    PSDPutByte(sink, 0);
    PSDPutByte(sink, doc->bytesPerComponent == 4 ? 0x08 : 0x28);
    PSDPutByte(sink, 0);
    PSDSink counter;
    PSDSinkStart(&counter, -1, true);
    const int64_t nameBytes = WrCstringToPSDFile(name, &counter, false);
    PSDPutLong(sink, uint32_t(48 + nameBytes));
    WrPSD_layer_mask_data(sink);
    WrPSD_layer_blending_ranges(sink);
    WrCstringToPSDFile(name, sink, false);
    return sink->count - start;
}

int64_t WrPSD_layer_structure(const PSDdoc* doc, PSDSink* sink) {
    const int64_t start = sink->count;
    PSDPutShort(sink, uint32_t(doc->layerCount));
    for (int64_t i = 1; i <= doc->layerCount; ++i) WrPSD_layer_record(doc, i, sink);
    return sink->count - start;
}

int64_t WrPSD_layer_info_subsection_part_1(const PyramidDescriptor* pyr, const PSDdoc* doc, PSDSink* sink) {
    const int64_t start = sink->count;
    PSDPutLong(sink, uint32_t(LayerInfoLength(pyr, doc)));
    WrPSD_layer_structure(doc, sink);
    return sink->count - start;
}

int64_t WrPSD_global_layer_mask_info(PSDSink* sink) {
    PSDPutLong(sink, 0);
    return 4;
}
int64_t WrPSD_global_layer_info_trivial(PSDSink* sink) { return WrPSD_global_layer_mask_info(sink); }
int64_t WrPSD_global_layer_mask_info_trivial(PSDSink* sink) { return WrPSD_global_layer_mask_info(sink); }

int64_t WrPSD_layer_mask_info_16bit_trivial(PSDSink* sink) {
    PSDPutTag(sink, "8BIM");
    PSDPutTag(sink, "Mt16");
    PSDPutLong(sink, 0);
    return 12;
}

int64_t WrPSD_layer_mask_info_32bit_trivial(PSDSink* sink) {
    PSDPutTag(sink, "8BIM");
    PSDPutTag(sink, "Mt32");
    PSDPutLong(sink, 0);
    return 12;
}

int64_t WrPSD_layer_Lr32_subsection_trailer(PSDSink* sink) {
    const int64_t start = sink->count;
    PSDPutTag(sink, "8BIM");
    PSDPutTag(sink, "LMsk");
    PSDPutLong(sink, 14);
    PSDPutShort(sink, 0);        // colour space
    PSDPutShort(sink, 65535);    // colour components
    PSDPutZeros(sink, 6);
    PSDPutShort(sink, 50);       // opacity
    PSDPutByte(sink, 128);       // flag
    PSDPutZeros(sink, 1);
    PSDPutZeros(sink, 2);
    PSDPutTag(sink, "8BIM");
    PSDPutTag(sink, "Pat3");
    PSDPutLong(sink, 0);
    return sink->count - start;
}

int64_t WrPSD_layer_and_mask_section_parts(const PyramidDescriptor* pyr, const PSDdoc* doc, PSDSink* sink,
                                           const bool* cancel, int part) {
    const int64_t start = sink->count;
    if (doc->separateFiles) {
        if (part == 1) {
            PSDPutLong(sink, 8);
            WrPSD_global_layer_info_trivial(sink);
            WrPSD_global_layer_mask_info_trivial(sink);
        }
        return sink->count - start;
    }
    const int64_t kind = pyr->kind;
    const bool eightBit = kind == kPyrGrey8 || kind == kPyrColour8;
    const bool sixteenBit = kind == kPyrGrey16 || kind == kPyrColour16;
    const bool floats = kind == kPyrGreyFloat || kind == kPyrColourFloat;
    if (!eightBit && !sixteenBit && !floats) return 0;

    const int64_t X = part == 2 ? 0 : LayerInfoLength(pyr, doc);
    const int64_t R = RoundUp4(X);
    switch (part) {
        case 1:
            if (eightBit) {
                PSDPutLong(sink, uint32_t(X + 8));
            } else {
                PSDPutLong(sink, uint32_t(R + (sixteenBit ? 32 : 72)));
                WrPSD_global_layer_info_trivial(sink);
                WrPSD_global_layer_mask_info_trivial(sink);
                if (sixteenBit) WrPSD_layer_mask_info_16bit_trivial(sink);
                else WrPSD_layer_mask_info_32bit_trivial(sink);
                PSDPutTag(sink, "8BIM");
                PSDPutTag(sink, sixteenBit ? "Lr16" : "Lr32");
            }
            WrPSD_layer_info_subsection_part_1(pyr, doc, sink);
            break;
        case 2:
            if (!(cancel && *cancel)) WrPSD_4channels_image_data(pyr, doc, sink);
            break;
        case 3:
            if (eightBit) {
                WrPSD_global_layer_mask_info(sink);
            } else {
                PSDPutZeros(sink, R - X);
                if (floats) WrPSD_layer_Lr32_subsection_trailer(sink);
            }
            break;
        default:
            break;
    }
    return sink->count - start;
}
