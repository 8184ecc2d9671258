#include "platform/host/descriptors.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/host/handles.h"
#include "platform/host/result_codes.h"

struct HostDescriptorReader {
    std::vector<DescriptorItem> items;
    size_t next = 0;
    const DescriptorItem* current = nullptr;
    OSErr firstError = noErr;
};

struct HostDescriptorWriter {
    std::vector<DescriptorItem> items;
};

namespace {

// Layout inside the handle: the mark, the item count, then per item its
// key and type and the value (native byte order; the handle never leaves
// this process).
constexpr OSType kDescriptorMark = MakeFourCC("VkDs");
constexpr size_t kMaxText = 255;

void Append(std::string* bytes, const void* p, size_t n) { bytes->append(static_cast<const char*>(p), n); }

template <class T>
void AppendValue(std::string* bytes, T v) { Append(bytes, &v, sizeof v); }

struct ByteReader {
    const char* p;
    size_t left;
    template <class T>
    bool Take(T* v) {
        if (left < sizeof *v) return false;
        std::memcpy(v, p, sizeof *v);
        p += sizeof *v;
        left -= sizeof *v;
        return true;
    }
};

std::string Serialise(const std::vector<DescriptorItem>& items) {
    std::string bytes;
    AppendValue(&bytes, kDescriptorMark);
    AppendValue(&bytes, uint32_t(items.size()));
    for (const DescriptorItem& item : items) {
        AppendValue(&bytes, item.key);
        AppendValue(&bytes, item.type);
        if (item.type == typeInteger) {
            AppendValue(&bytes, item.integer);
        } else if (item.type == typeFloat) {
            AppendValue(&bytes, item.number);
        } else if (item.type == typeBoolean) {
            AppendValue(&bytes, uint8_t(item.boolean ? 1 : 0));
        } else if (item.type == typeEnumerated) {
            AppendValue(&bytes, item.enumType);
            AppendValue(&bytes, item.enumValue);
        } else if (item.type == typeAlias) {
            AppendValue(&bytes, uint32_t(item.text.size()));
            Append(&bytes, item.text.data(), item.text.size());
        } else {
            size_t n = std::min(item.text.size(), kMaxText);
            AppendValue(&bytes, uint8_t(n));
            Append(&bytes, item.text.data(), n);
        }
    }
    return bytes;
}

bool Deserialise(const char* data, size_t size, std::vector<DescriptorItem>* items) {
    ByteReader in{data, size};
    OSType mark = 0;
    uint32_t count = 0;
    if (!in.Take(&mark) || mark != kDescriptorMark || !in.Take(&count)) return false;
    std::vector<DescriptorItem> out;
    for (uint32_t i = 0; i < count; ++i) {
        DescriptorItem item;
        if (!in.Take(&item.key) || !in.Take(&item.type)) return false;
        bool ok = true;
        if (item.type == typeInteger) {
            ok = in.Take(&item.integer);
        } else if (item.type == typeFloat) {
            ok = in.Take(&item.number);
        } else if (item.type == typeBoolean) {
            uint8_t b = 0;
            ok = in.Take(&b);
            item.boolean = b != 0;
        } else if (item.type == typeEnumerated) {
            ok = in.Take(&item.enumType) && in.Take(&item.enumValue);
        } else if (item.type == typeString || item.type == typeAlias) {
            // A string's length is a byte, a path's a word.
            uint8_t shortLength = 0;
            uint32_t n = 0;
            ok = item.type == typeString ? in.Take(&shortLength) : in.Take(&n);
            if (item.type == typeString) n = shortLength;
            ok = ok && in.left >= n;
            if (ok) {
                item.text.assign(in.p, n);
                in.p += n;
                in.left -= n;
            }
        } else {
            ok = false;
        }
        if (!ok) return false;
        out.push_back(std::move(item));
    }
    *items = std::move(out);
    return true;
}

// ---- read procedures ----

PIReadDescriptor OpenReadProc(PIDescriptorHandle descriptor, DescriptorKeyIDArray) {
    Ptr data = HandleAddress(descriptor);
    if (!data) return nullptr;
    auto* reader = new (std::nothrow) HostDescriptorReader;
    if (!reader) return nullptr;
    if (!Deserialise(data, size_t(GetHandleSize(descriptor)), &reader->items)) {
        delete reader;
        return nullptr;
    }
    return reader;
}

OSErr CloseReadProc(PIReadDescriptor reader) {
    if (!reader) return paramErr;
    OSErr err = reader->firstError;
    delete reader;
    return err;
}

Boolean GetKeyProc(PIReadDescriptor reader, DescriptorKeyID* key, DescriptorTypeID* type, int32_t* flags) {
    if (!reader || reader->next >= reader->items.size()) {
        if (reader) reader->current = nullptr;
        return false;
    }
    reader->current = &reader->items[reader->next++];
    if (key) *key = reader->current->key;
    if (type) *type = reader->current->type;
    if (flags) *flags = 0;
    return true;
}

OSErr Fail(PIReadDescriptor reader, OSErr err) {
    if (reader && reader->firstError == noErr) reader->firstError = err;
    return err;
}

const DescriptorItem* Current(PIReadDescriptor reader) { return reader ? reader->current : nullptr; }

OSErr GetIntegerProc(PIReadDescriptor reader, int32_t* value) {
    const DescriptorItem* item = Current(reader);
    if (!item || !value) return Fail(reader, paramErr);
    if (item->type == typeInteger) {
        *value = item->integer;
    } else if (item->type == typeBoolean) {
        *value = item->boolean ? 1 : 0;
    } else if (item->type == typeFloat && std::isfinite(item->number) && std::fabs(item->number) < 2147483647.0) {
        *value = int32_t(std::lround(item->number));
    } else {
        return Fail(reader, errWrongDescriptorType);
    }
    return noErr;
}

OSErr GetFloatProc(PIReadDescriptor reader, double* value) {
    const DescriptorItem* item = Current(reader);
    if (!item || !value) return Fail(reader, paramErr);
    if (item->type == typeFloat) {
        *value = item->number;
    } else if (item->type == typeInteger) {
        *value = item->integer;
    } else {
        return Fail(reader, errWrongDescriptorType);
    }
    return noErr;
}

OSErr GetBooleanProc(PIReadDescriptor reader, Boolean* value) {
    const DescriptorItem* item = Current(reader);
    if (!item || !value) return Fail(reader, paramErr);
    if (item->type == typeBoolean) {
        *value = item->boolean;
    } else if (item->type == typeInteger) {
        *value = item->integer != 0;
    } else {
        return Fail(reader, errWrongDescriptorType);
    }
    return noErr;
}

OSErr GetEnumeratedProc(PIReadDescriptor reader, DescriptorEnumID* value) {
    const DescriptorItem* item = Current(reader);
    if (!item || !value) return Fail(reader, paramErr);
    if (item->type != typeEnumerated) return Fail(reader, errWrongDescriptorType);
    *value = item->enumValue;
    return noErr;
}

OSErr GetStringProc(PIReadDescriptor reader, Str255* value) {
    const DescriptorItem* item = Current(reader);
    if (!item || !value) return Fail(reader, paramErr);
    if (item->type != typeString) return Fail(reader, errWrongDescriptorType);
    size_t n = std::min(item->text.size(), kMaxText);
    (*value)[0] = uint8_t(n);
    std::memcpy(*value + 1, item->text.data(), n);
    return noErr;
}

OSErr GetAliasProc(PIReadDescriptor reader, Handle* value) {
    const DescriptorItem* item = Current(reader);
    if (!item || !value) return Fail(reader, paramErr);
    if (item->type != typeAlias) return Fail(reader, errWrongDescriptorType);
    if (item->text.size() >= size_t(INT32_MAX)) return Fail(reader, memFullErr);
    Handle h = NewHandle(int32_t(item->text.size() + 1));
    if (!h) return Fail(reader, memFullErr);
    std::memcpy(HandleAddress(h), item->text.data(), item->text.size());
    *value = h;
    return noErr;
}

// ---- write procedures ----

PIWriteDescriptor OpenWriteProc() { return new (std::nothrow) HostDescriptorWriter; }

OSErr CloseWriteProc(PIWriteDescriptor writer, PIDescriptorHandle* newDescriptor) {
    if (!writer) return paramErr;
    PIDescriptorHandle h = NewDescriptorHandle(writer->items);
    delete writer;
    if (newDescriptor) {
        *newDescriptor = h;
    } else {
        DisposeHandle(h);
    }
    return h ? noErr : memFullErr;
}

OSErr Put(PIWriteDescriptor writer, const DescriptorItem& item) {
    if (!writer) return paramErr;
    SetDescriptorItem(&writer->items, item);
    return noErr;
}

OSErr PutIntegerProc(PIWriteDescriptor writer, DescriptorKeyID key, int32_t value) {
    DescriptorItem item;
    item.key = key;
    item.type = typeInteger;
    item.integer = value;
    return Put(writer, item);
}

OSErr PutFloatProc(PIWriteDescriptor writer, DescriptorKeyID key, const double* value) {
    if (!value) return paramErr;
    DescriptorItem item;
    item.key = key;
    item.type = typeFloat;
    item.number = *value;
    return Put(writer, item);
}

OSErr PutBooleanProc(PIWriteDescriptor writer, DescriptorKeyID key, Boolean value) {
    DescriptorItem item;
    item.key = key;
    item.type = typeBoolean;
    item.boolean = value != 0;
    return Put(writer, item);
}

OSErr PutEnumeratedProc(PIWriteDescriptor writer, DescriptorKeyID key, DescriptorEnumTypeID type,
                        DescriptorEnumID value) {
    DescriptorItem item;
    item.key = key;
    item.type = typeEnumerated;
    item.enumType = type;
    item.enumValue = value;
    return Put(writer, item);
}

OSErr PutStringProc(PIWriteDescriptor writer, DescriptorKeyID key, ConstStr255Param value) {
    if (!value) return paramErr;
    DescriptorItem item;
    item.key = key;
    item.type = typeString;
    item.text.assign(reinterpret_cast<const char*>(value + 1), value[0]);
    return Put(writer, item);
}

OSErr PutAliasProc(PIWriteDescriptor writer, DescriptorKeyID key, Handle value) {
    const char* path = HandleAddress(value);
    if (!path) return paramErr;
    DescriptorItem item;
    item.key = key;
    item.type = typeAlias;
    item.text.assign(path, strnlen(path, size_t(GetHandleSize(value))));
    return Put(writer, item);
}

ReadDescriptorProcs gReadProcs = {
    kCurrentReadDescriptorProcsVersion, kCurrentReadDescriptorProcsCount,
    OpenReadProc, CloseReadProc, GetKeyProc, GetIntegerProc,
    GetFloatProc, GetBooleanProc, GetEnumeratedProc, GetStringProc,
    GetAliasProc,
};

WriteDescriptorProcs gWriteProcs = {
    kCurrentWriteDescriptorProcsVersion, kCurrentWriteDescriptorProcsCount,
    OpenWriteProc, CloseWriteProc, PutIntegerProc, PutFloatProc,
    PutBooleanProc, PutEnumeratedProc, PutStringProc, PutAliasProc,
};

bool Printable(unsigned char c) { return c >= 0x20 && c < 0x7F; }

}  // namespace

ReadDescriptorProcs* HostServicesReadDescriptorProcs() { return &gReadProcs; }
WriteDescriptorProcs* HostServicesWriteDescriptorProcs() { return &gWriteProcs; }

PIDescriptorHandle NewDescriptorHandle(const std::vector<DescriptorItem>& items) {
    std::string bytes = Serialise(items);
    if (bytes.size() > size_t(INT32_MAX)) return nullptr;
    Handle h = NewHandle(int32_t(bytes.size()));
    if (h) std::memcpy(HandleAddress(h), bytes.data(), bytes.size());
    return h;
}

bool DescriptorItemsFromHandle(PIDescriptorHandle descriptor, std::vector<DescriptorItem>* items) {
    Ptr data = HandleAddress(descriptor);
    return data && items && Deserialise(data, size_t(GetHandleSize(descriptor)), items);
}

void SetDescriptorItem(std::vector<DescriptorItem>* items, const DescriptorItem& item) {
    for (DescriptorItem& old : *items) {
        if (old.key == item.key) {
            old = item;
            return;
        }
    }
    items->push_back(item);
}

std::string FourCCToText(OSType code) {
    char s[4] = {char(code >> 24), char(code >> 16), char(code >> 8), char(code)};
    for (char c : s) {
        if (!Printable(static_cast<unsigned char>(c))) {
            char hex[16];
            std::snprintf(hex, sizeof hex, "0x%08X", unsigned(code));
            return hex;
        }
    }
    return std::string(s, 4);
}

bool TextToFourCC(const std::string& text, OSType* code) {
    if (text.size() != 4) return false;
    OSType c = 0;
    for (char ch : text) {
        if (!Printable(static_cast<unsigned char>(ch))) return false;
        c = (c << 8) | uint8_t(ch);
    }
    *code = c;
    return true;
}

std::string FormatDescriptorItem(const DescriptorItem& item) {
    std::string out = FourCCToText(item.key) + "=";
    if (item.type == typeInteger) {
        out += std::to_string(item.integer);
    } else if (item.type == typeFloat) {
        char buf[64];
        auto res = std::to_chars(buf, buf + sizeof buf, item.number);
        std::string number(buf, res.ptr);
        // Keep floats recognisable as floats when read back.
        if (number.find_first_of(".eEn") == std::string::npos) number += ".0";
        out += number;
    } else if (item.type == typeBoolean) {
        out += item.boolean ? "true" : "false";
    } else if (item.type == typeEnumerated) {
        out += FourCCToText(item.enumType) + ":" + FourCCToText(item.enumValue);
    } else {
        if (item.type == typeAlias) out += "alis:";
        out += '"';
        for (char c : item.text) {
            if (c == '"' || c == '\\') out += '\\';
            out += c;
        }
        out += '"';
    }
    return out;
}

bool ParseWholeNumber(const std::string& text, int32_t* value) {
    const char* end = text.data() + text.size();
    const auto r = std::from_chars(text.data(), end, *value);
    return !text.empty() && r.ec == std::errc() && r.ptr == end;
}

bool ParseDecimalNumber(const std::string& text, double* value) {
    const char* end = text.data() + text.size();
    const auto r = std::from_chars(text.data(), end, *value);
    return !text.empty() && r.ec == std::errc() && r.ptr == end && std::isfinite(*value);
}

bool ParseDescriptorItem(const std::string& text, DescriptorItem* item, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    size_t eq = text.find('=');
    if (eq == std::string::npos) return fail("expected KEY=VALUE, got \"" + text + "\"");
    DescriptorItem out;
    std::string key = text.substr(0, eq), value = text.substr(eq + 1);
    if (!TextToFourCC(key, &out.key)) return fail("\"" + key + "\" is not a four-character key");
    if (value.empty()) return fail("no value for " + key);

    const bool alias = value.rfind("alis:\"", 0) == 0;
    if (alias) value.erase(0, 5);
    if (value.front() == '"') {
        if (value.size() < 2 || value.back() != '"') return fail("unterminated string for " + key);
        std::string s;
        for (size_t i = 1; i + 1 < value.size(); ++i) {
            if (value[i] == '\\' && i + 2 < value.size()) ++i;
            s += value[i];
        }
        if (!alias && s.size() > kMaxText) return fail("string for " + key + " is longer than 255 bytes");
        // A path is text without its terminating zero.
        if (alias && s.find('\0') != std::string::npos) return fail("a file path for " + key + " holds a zero byte");
        out.type = alias ? typeAlias : typeString;
        out.text = s;
    } else if (value == "true" || value == "false") {
        out.type = typeBoolean;
        out.boolean = value == "true";
    } else if (value.size() == 9 && value[4] == ':' && TextToFourCC(value.substr(0, 4), &out.enumType) &&
               TextToFourCC(value.substr(5), &out.enumValue)) {
        out.type = typeEnumerated;
    } else if (ParseWholeNumber(value, &out.integer)) {
        out.type = typeInteger;
    } else if (ParseDecimalNumber(value, &out.number)) {
        out.type = typeFloat;
    } else {
        return fail("\"" + value + "\" is not a number, true/false, TYPE:CODE or a \"string\" (for " + key + ")");
    }
    *item = out;
    return true;
}
