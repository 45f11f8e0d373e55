#include "base/kind_text.h"

namespace {

const char* const OutputKinds[4] = {
    "Pasive 4 to 20 mA",
    "Active 0 to 20 mA",
    "Active 0 to 5 V",
    "Active 0 to 10 V",
};

const char* const RelayKinds[2] = {
    "No relay",
    "Relay 1",
};

}  // namespace

const char* OutputKindText(unsigned code) {
    return OutputKinds[code & 3];
}

const char* RelayKindText(unsigned code) {
    return RelayKinds[code & 1];
}
