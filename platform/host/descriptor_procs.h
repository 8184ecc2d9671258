// Scripting descriptors: keyed lists of typed values that the host records
// with an action and hands back when the action is played.
//
// The host keeps a descriptor as an opaque handle. The plug-in reads one by
// opening a reader on it and taking key after key; it writes a new one by
// opening a writer, putting values and closing the writer into a new handle,
// which it stores back into the record's descriptor parameters.
#pragma once

#include "platform/host/host_types.h"

using DescriptorKeyID = OSType;
using DescriptorTypeID = OSType;
using DescriptorEnumTypeID = OSType;
using DescriptorEnumID = OSType;
// Zero-terminated list of the keys a plug-in asks for.
using DescriptorKeyIDArray = const DescriptorKeyID*;

using PIDescriptorHandle = Handle;
struct HostDescriptorReader;
struct HostDescriptorWriter;
using PIReadDescriptor = HostDescriptorReader*;
using PIWriteDescriptor = HostDescriptorWriter*;

// Value types a descriptor holds.
constexpr DescriptorTypeID typeInteger = MakeFourCC("long");
constexpr DescriptorTypeID typeFloat = MakeFourCC("doub");
constexpr DescriptorTypeID typeBoolean = MakeFourCC("bool");
constexpr DescriptorTypeID typeEnumerated = MakeFourCC("enum");
constexpr DescriptorTypeID typeString = MakeFourCC("TEXT");
// A file: a handle holding its zero-terminated path, of any length.
constexpr DescriptorTypeID typeAlias = MakeFourCC("alis");

// Play information: whether the host wants the plug-in's dialog.
enum : int16_t {
    plugInDialogDontDisplay = 0,
    plugInDialogDisplay = 1,
    plugInDialogSilent = 2,
};

// Getters convert between integers, floats and booleans (an integer read as
// a boolean is true when non-zero); other mismatches give
// errWrongDescriptorType and leave the destination alone.
struct ReadDescriptorProcs {
    int16_t readDescriptorProcsVersion;
    int16_t numReadDescriptorProcs;
    // Null when the handle is null or not a descriptor.
    PIReadDescriptor (*openReadDescriptorProc)(PIDescriptorHandle descriptor, DescriptorKeyIDArray keys);
    // Frees the reader; returns the first error met while reading.
    OSErr (*closeReadDescriptorProc)(PIReadDescriptor reader);
    // The next key and its type, in the order they were written; false at the end.
    Boolean (*getKeyProc)(PIReadDescriptor reader, DescriptorKeyID* key, DescriptorTypeID* type, int32_t* flags);
    OSErr (*getIntegerProc)(PIReadDescriptor reader, int32_t* value);
    OSErr (*getFloatProc)(PIReadDescriptor reader, double* value);
    OSErr (*getBooleanProc)(PIReadDescriptor reader, Boolean* value);
    OSErr (*getEnumeratedProc)(PIReadDescriptor reader, DescriptorEnumID* value);
    OSErr (*getStringProc)(PIReadDescriptor reader, Str255* value);
    // A new handle holding the file's path, the caller's to dispose (through
    // the host's handle procedures). Present when numReadDescriptorProcs is
    // at least 9.
    OSErr (*getAliasProc)(PIReadDescriptor reader, Handle* value);
};

struct WriteDescriptorProcs {
    int16_t writeDescriptorProcsVersion;
    int16_t numWriteDescriptorProcs;
    PIWriteDescriptor (*openWriteDescriptorProc)();
    // Frees the writer and hands the written descriptor over as a new handle.
    OSErr (*closeWriteDescriptorProc)(PIWriteDescriptor writer, PIDescriptorHandle* newDescriptor);
    OSErr (*putIntegerProc)(PIWriteDescriptor writer, DescriptorKeyID key, int32_t value);
    OSErr (*putFloatProc)(PIWriteDescriptor writer, DescriptorKeyID key, const double* value);
    OSErr (*putBooleanProc)(PIWriteDescriptor writer, DescriptorKeyID key, Boolean value);
    OSErr (*putEnumeratedProc)(PIWriteDescriptor writer, DescriptorKeyID key, DescriptorEnumTypeID type,
                               DescriptorEnumID value);
    OSErr (*putStringProc)(PIWriteDescriptor writer, DescriptorKeyID key, ConstStr255Param value);
    // The path in the handle (zero-terminated), copied; the handle stays the caller's.
    OSErr (*putAliasProc)(PIWriteDescriptor writer, DescriptorKeyID key, Handle value);
};

constexpr int16_t kCurrentReadDescriptorProcsVersion = 1;
constexpr int16_t kCurrentReadDescriptorProcsCount = 9;
constexpr int16_t kCurrentWriteDescriptorProcsVersion = 1;
constexpr int16_t kCurrentWriteDescriptorProcsCount = 8;

struct PIDescriptorParameters {
    int16_t descriptorParametersVersion;
    int16_t playInfo;     // plugInDialog...: whether to show the dialog when playing
    int16_t recordInfo;   // set by the plug-in when it writes a descriptor
    PIDescriptorHandle descriptor;   // the descriptor to read, then the one written
    WriteDescriptorProcs* writeDescriptorProcs;
    ReadDescriptorProcs* readDescriptorProcs;
};
