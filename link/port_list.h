#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "base/object_collection.h"

// One value of the machine's serial device map, as the enumeration delivered it: the data is the
// port name (for example "COM1" and its zero), read into a buffer of DataSize bytes.
struct PortValue {
    static constexpr size_t DataSize = 8;
    static constexpr size_t NameSize = 64;

    enum Result {
        Ok,        // name and data were read
        MoreData,  // the name or the data did not fit its buffer
        Failed,    // any other failure of the enumeration
    };

    Result result = Failed;
    bool isText = false;  // the value's type is a zero-terminated text
    std::array<uint8_t, DataSize> data{};
    uint32_t size = 0;  // bytes stored in data

    // A well-formed text value (tests and fakes): the bytes of text and its zero, if they fit.
    static PortValue FromText(const char* text);
};

// The source of the serial device map: the registry key "hardware\devicemap\serialcomm" under
// HKEY_LOCAL_MACHINE on Windows; test doubles elsewhere.
class PortSource : public BaseObject {
  public:
    // False when the map does not exist or cannot be opened.
    virtual bool Open() = 0;
    // The number of values (after Open).
    virtual int ValueCount() = 0;
    virtual PortValue ValueAt(int index) = 0;
    virtual void Close() = 0;
};

// The platform's source: the registry on Windows; natively an empty map (no key).
std::unique_ptr<PortSource> CreateSystemPortSource();

// The port names of the machine, each once, the shorter first and names of one length by their
// bytes: COM1, COM3, COM10. Filled once at construction; values whose data do not fit the 8-byte
// buffer (names of 8 characters or more) or are not a zero-terminated text are skipped.
class PortList : public StringCollection {
  public:
    // Filled from the system's source.
    PortList();
    // Filled from the given source.
    explicit PortList(PortSource& source);

    int Compare(const void* key1, const void* key2) override;

    // Adds the names of every usable value of the source; returns the number of names added.
    int Fill(PortSource& source);
    // The port name in a value, or null when the value is not usable (copied into name, which
    // holds DataSize characters).
    static const char* NameOf(const PortValue& value, char (&name)[PortValue::DataSize]);
};
