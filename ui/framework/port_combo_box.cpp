#include "ui/framework/port_combo_box.h"

PortComboBox::PortComboBox(WindowObject* parent, int x, int y, int width, int height, int id)
    : PortComboBox(parent, x, y, width, height, id, std::make_unique<PortList>()) {}

PortComboBox::PortComboBox(WindowObject* parent, int x, int y, int width, int height, int id,
                           std::unique_ptr<PortList> ports)
    : ComboBox(parent, x, y, width, height, id, 0, false), ports(std::move(ports)) {}

PortComboBox::~PortComboBox() = default;

// Binding and subclassing are done by Realize before SetUp runs, and the box has no children and
// no text limit, so the inherited set-up has nothing to do here.
void PortComboBox::SetUp() {
    if (ports == nullptr) return;
    for (int i = 0; i < ports->Count; ++i)
        InsertString(ports->TextAt(i), -1);
}
