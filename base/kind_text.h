#pragma once

// Texts of the converter's byte-coded variants, as shown in the value fields.

// Output variant: code AND 3 -> "Pasive 4 to 20 mA", "Active 0 to 20 mA", "Active 0 to 5 V",
// "Active 0 to 10 V".
const char* OutputKindText(unsigned code);

// Relay variant: code AND 1 -> "No relay", "Relay 1".
const char* RelayKindText(unsigned code);
