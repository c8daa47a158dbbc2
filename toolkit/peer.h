#pragma once
// The link from a portable control to its native counterpart. The control
// keeps every property itself; after a change it tells its peer which one
// changed, and the peer reads the new value from the control.
namespace kst::tk {

enum class Property {
  Text,
  Bounds,
  Visible,
  Enabled,
  Font,
  Checked,
  Progress,
  Colors,
  Picture,
  Hint,
  Icon,
  Image,
  Focus,
};

class Peer {
 public:
  virtual ~Peer() = default;
  virtual void changed(Property property) = 0;
};

}  // namespace kst::tk
