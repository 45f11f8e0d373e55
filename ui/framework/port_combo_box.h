#pragma once

#include <memory>

#include "link/port_list.h"
#include "ui/framework/list_box.h"

// The COM port selector: a drop-down list with a vertical scroll bar and no text limit, offering
// the names of its PortList in the list's order (COM1, COM3, COM10). The names are read once, at
// construction; SetUp puts them into the list and selects nothing.
class PortComboBox : public ComboBox {
  public:
    // Ports from the system (the registry).
    PortComboBox(WindowObject* parent, int x, int y, int width, int height, int id);
    // Ports from the given list (tests).
    PortComboBox(WindowObject* parent, int x, int y, int width, int height, int id,
                 std::unique_ptr<PortList> ports);
    ~PortComboBox() override;

    void SetUp() override;

    std::unique_ptr<PortList> ports;
};
