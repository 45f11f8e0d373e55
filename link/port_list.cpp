#include "link/port_list.h"

#include <cstring>

PortValue PortValue::FromText(const char* text) {
    PortValue value;
    size_t size = std::strlen(text) + 1;
    if (size > DataSize) {
        value.result = MoreData;
        value.isText = true;
        return value;
    }
    value.result = Ok;
    value.isText = true;
    std::memcpy(value.data.data(), text, size);
    value.size = static_cast<uint32_t>(size);
    return value;
}

PortList::PortList() : StringCollection(10, 5) {
    std::unique_ptr<PortSource> source = CreateSystemPortSource();
    if (source != nullptr) Fill(*source);
}

PortList::PortList(PortSource& source) : StringCollection(10, 5) {
    Fill(source);
}

int PortList::Compare(const void* key1, const void* key2) {
    auto* a = static_cast<const char*>(key1);
    auto* b = static_cast<const char*>(key2);
    size_t lengthA = std::strlen(a);
    size_t lengthB = std::strlen(b);
    if (lengthA != lengthB) return lengthA < lengthB ? -1 : 1;
    return StringCollection::Compare(a, b);
}

const char* PortList::NameOf(const PortValue& value, char (&name)[PortValue::DataSize]) {
    if (value.result != PortValue::Ok || !value.isText) return nullptr;
    size_t size = value.size < PortValue::DataSize ? value.size : PortValue::DataSize;
    // The text must end within what was stored; an empty text names no port.
    const void* end = std::memchr(value.data.data(), 0, size);
    if (end == nullptr) return nullptr;
    size_t length = static_cast<const uint8_t*>(end) - value.data.data();
    if (length == 0) return nullptr;
    std::memcpy(name, value.data.data(), length + 1);
    return name;
}

int PortList::Fill(PortSource& source) {
    if (!source.Open()) return 0;
    int added = 0;
    int count = source.ValueCount();
    for (int index = 0; index < count; ++index) {
        char name[PortValue::DataSize];
        if (NameOf(source.ValueAt(index), name) != nullptr && InsertCopy(name)) ++added;
    }
    source.Close();
    return added;
}
