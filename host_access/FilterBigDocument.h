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

VPoint GetImageSize();
VRect GetFilterRect();
VRect GetInRect();
VRect GetOutRect();
VRect GetMaskRect();
VPoint GetFloatCoord();
VPoint GetWholeSize();
void SetInRect(const VRect& r);
void SetOutRect(const VRect& r);
void SetMaskRect(const VRect& r);

BufferProcs* GetBufferProcs();
HandleProcs* GetHandleProcs();
ColorServicesProc GetColorServices();
ProgressProc GetProgressProc();
DisplayPixelsProc GetDisplayPixels();
ReadDescriptorProcs* GetReadDescriptorProcs();
WriteDescriptorProcs* GetWriteDescriptorProcs();
PIDescriptorParameters* GetDescriptorParameters();
void* GetPlatformData();

int16_t Get_inLayerPlanes();
int16_t GetInLayerPlanes();
int16_t GetOutLayerPlanes();
int16_t GetPlanes();
int16_t GetInHiPlane();
int16_t GetInLoPlane();
int16_t GetOutHiPlanes();
int16_t GetOutLoPlane();
int16_t GetInTransparencyMask();
int16_t GetOutTransparencyMask();
int16_t GetInLayerMasks();
int16_t GetOutLayerMasks();

void* GetInData();
void* GetOutData();
void* GetMaskData();
bool GetHaveMask();
int32_t GetInRowBytes();
int32_t GetOutRowBytes();
int32_t GetMaskRowBytes();
int32_t getInRowBytes();
int32_t getOutRowBytes();
int32_t getInColumnBytes();
int32_t getOutColumnBytes();
// Input planes requested: high plane - low plane + 1.
int16_t Get_srcStride();
int16_t Get_dstStride();
// The host's output transparency-mask field.
int16_t Get_alphaTarget();

int16_t GetImageMode();
OSType GetHostSig();
int16_t GetFilterCase();
// The layer's transparency may be changed: filter case 4 or 5.
bool GetDissolveTransparency();
uint8_t GetSamplingSupport();
int32_t GetiCCprofileSize();
int32_t GetcanUseICCProfiles();
Handle GetiCCprofileData();
RGBColor GetForeground();
RGBColor GetBackground();
int32_t GetDepth();

bool IsGreyscale_call();
bool IsRGB_call();
bool IsGrey_call();
bool IsRGBColor_call();
bool Is8_call();
bool Is16_call();
bool Is32_call();
bool Is32_destination();
bool IsMultichannel_call();
int16_t DisplayPixelsMode();

// Input and output planes 0 .. planes - 1, input and mask rates (16.16) and
// the input, output and mask padding.
void SetPlanesScalingPadding(int32_t x, Fixed rate, int16_t padding);
void SetBufferSpace(int32_t bytes);
void SetAutoMask(bool on);

// Progress phases of a render, kept in Parameters.
void ProgressMeterSetNumberOfPhases(int32_t n);
void ProgressMeterSetCurrentPhase(int32_t p);
void ProgressMeterSetNoPhase();
int32_t ProgressMeterGetNumberOfPhases();
int32_t ProgressMeterGetCurrentPhase();

// The host's progress procedure with (done + 1, total).
void UpdateProgress_qev(int32_t x, int32_t done, int32_t total);
// The same, thinned out: only for renders to the host, at done 0, then on
// every sixteenth call of a run whose done values rise by less than 5.
void CCUpdateProgress_core(int32_t x, int32_t done, int32_t total);
void WhineAboutMemory(OSErr error);
int32_t ShowVersionAlert();
