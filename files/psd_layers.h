// The layer and mask section of a PSD file: layer records with names,
// opacities and blending ranges, and each layer's channel data, in the 8-bit
// form, the 16-bit form (an "Lr16" block) and the float form (an "Lr32" block
// and a fixed trailer).
//
// A layered file is written while its layers render one after another into
// one export pyramid, so the section comes in three parts: 1, the lengths and
// every record, computed from the geometry alone; 2, after each render, that
// layer's channel data; 3, padding and trailer.
#pragma once

#include <cstdint>

struct PyramidDescriptor;
struct PSDdoc;
struct PSDSink;

constexpr int64_t kPSDLayerNameBytes = 500;

// Name of layer i (counted from 1) into a buffer of kPSDLayerNameBytes.
void CNameOfLayer(const PSDdoc* doc, int64_t layer, char* name);
int64_t OpacityOfLayer(const PSDdoc* doc, int64_t layer);
// The four-character blend mode key of every layer.
const char* BlendingModeForLayer(const PSDdoc* doc, int64_t layer);

// One layer's channel data: four planes, each with its compression word,
// bytes per component taken from the pyramid.
int64_t PSDLayerChannelDataBytes(const PyramidDescriptor* pyr, const PSDdoc* doc);

int64_t WrPSD_channel_length_info(const PSDdoc* doc, PSDSink* sink);
int64_t WrPSD_layer_mask_data(PSDSink* sink);
int64_t WrPSD_layer_blending_ranges(PSDSink* sink);
int64_t WrPSD_layer_record(const PSDdoc* doc, int64_t layer, PSDSink* sink);
// The layer count and every record, without a length.
int64_t WrPSD_layer_structure(const PSDdoc* doc, PSDSink* sink);
// The length X (count, records and every layer's channel data), then the structure.
int64_t WrPSD_layer_info_subsection_part_1(const PyramidDescriptor* pyr, const PSDdoc* doc, PSDSink* sink);
int64_t WrPSD_global_layer_mask_info(PSDSink* sink);
int64_t WrPSD_global_layer_info_trivial(PSDSink* sink);
int64_t WrPSD_global_layer_mask_info_trivial(PSDSink* sink);
int64_t WrPSD_layer_mask_info_16bit_trivial(PSDSink* sink);
int64_t WrPSD_layer_mask_info_32bit_trivial(PSDSink* sink);
int64_t WrPSD_layer_Lr32_subsection_trailer(PSDSink* sink);

// Part 1, 2 or 3 of the section for the pyramid's pixel kind; a set cancel
// flag leaves part 2 out.
int64_t WrPSD_layer_and_mask_section_parts(const PyramidDescriptor* pyr, const PSDdoc* doc, PSDSink* sink,
                                           const bool* cancel, int part);
