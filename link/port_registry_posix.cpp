#include "link/port_list.h"

namespace {

// This platform has no serial device map: the list stays empty and ports are named by hand.
class NoPortSource : public PortSource {
  public:
    bool Open() override { return false; }
    int ValueCount() override { return 0; }
    PortValue ValueAt(int) override { return PortValue{}; }
    void Close() override {}
};

}  // namespace

std::unique_ptr<PortSource> CreateSystemPortSource() {
    return std::make_unique<NoPortSource>();
}
