// The host's descriptor procedures and the descriptor values behind them.
//
// A descriptor lives in a handle (handles.h) in this host's own layout; the
// plug-in only ever sees it through the read and write procedures. The host
// builds one from settings given as text ("KEY=VALUE") and prints the one
// the plug-in writes back in the same form.
#pragma once

#include <string>
#include <vector>

#include "platform/host/descriptor_procs.h"

struct DescriptorItem {
    DescriptorKeyID key = 0;
    DescriptorTypeID type = typeInteger;
    int32_t integer = 0;             // typeInteger
    double number = 0;               // typeFloat
    bool boolean = false;            // typeBoolean
    DescriptorEnumTypeID enumType = 0;   // typeEnumerated
    DescriptorEnumID enumValue = 0;
    std::string text;                // typeString, at most 255 bytes; typeAlias, the path
};

ReadDescriptorProcs* HostServicesReadDescriptorProcs();
WriteDescriptorProcs* HostServicesWriteDescriptorProcs();

// A new descriptor handle holding the items in order; null when out of memory.
PIDescriptorHandle NewDescriptorHandle(const std::vector<DescriptorItem>& items);
// The items of a descriptor handle; false when it is null or damaged.
bool DescriptorItemsFromHandle(PIDescriptorHandle descriptor, std::vector<DescriptorItem>* items);

// "Vers=48", "0034=12.5", "0011=true", "Fiky=Fity:Fi01", "name=\"text\"",
// "file=alis:\"/a/b.psd\"": integers, floats (always with a point or
// exponent), booleans, enumerations as TYPE:CODE, strings in double quotes
// (\" and \\ escaped) and file paths as strings after "alis:".
std::string FormatDescriptorItem(const DescriptorItem& item);
// Numbers as every reader of settings takes them: plain decimal, an
// optional minus sign, no plus sign, hexadecimal, spaces or infinities.
bool ParseWholeNumber(const std::string& text, int32_t* value);
bool ParseDecimalNumber(const std::string& text, double* value);
// The reverse of FormatDescriptorItem, its numbers read as above; on
// failure a one-line reason.
bool ParseDescriptorItem(const std::string& text, DescriptorItem* item, std::string* error);
// Puts the item into the list, replacing an item with the same key.
void SetDescriptorItem(std::vector<DescriptorItem>* items, const DescriptorItem& item);

// A four-character code as text; codes with unprintable bytes as 0x%08X.
std::string FourCCToText(OSType code);
// Exactly four printable characters, or false.
bool TextToFourCC(const std::string& text, OSType* code);
