// Accessors of the host's filter record (gFilterRecord). Rectangles and
// points use the 32-bit big-document form when the host's big-document
// record exists and says the plug-in uses 32-bit coordinates, else the 16-bit
// form, widened; setters write the form the host reads.
#pragma once

#include <cstdint>

#include "platform/host/filter_record.h"

// True when rectangles travel in the big-document record.
bool UsesBigDocument();
// Asks for 32-bit coordinates when the host offers a big-document record.
void RequestBigDocumentCoordinates();

VRect GetFilterRect();
VRect GetInRect();
VRect GetOutRect();
VRect GetMaskRect();
VPoint GetFloatCoord();
void SetInRect(const VRect& r);
void SetOutRect(const VRect& r);
void SetMaskRect(const VRect& r);

BufferProcs* GetBufferProcs();
HandleProcs* GetHandleProcs();
WriteDescriptorProcs* GetWriteDescriptorProcs();
PIDescriptorParameters* GetDescriptorParameters();

int16_t Get_inLayerPlanes();
int16_t GetInLayerPlanes();
int16_t GetPlanes();
int16_t GetInLoPlane();

void* GetInData();
bool GetHaveMask();
int32_t GetInRowBytes();
// Input planes requested: high plane - low plane + 1.
int16_t Get_srcStride();

int16_t GetImageMode();
OSType GetHostSig();
int16_t GetFilterCase();
uint8_t GetSamplingSupport();
int32_t GetiCCprofileSize();
Handle GetiCCprofileData();
int32_t GetDepth();

bool IsMultichannel_call();

// Input and output planes 0 .. planes - 1, input and mask rates (16.16) and
// the input, output and mask padding.
void SetPlanesScalingPadding(int32_t x, Fixed rate, int16_t padding);
void SetBufferSpace(int32_t bytes);
void SetAutoMask(bool on);

// The host's progress procedure with (done + 1, total).
void UpdateProgress_qev(int32_t x, int32_t done, int32_t total);
void WhineAboutMemory(OSErr error);
