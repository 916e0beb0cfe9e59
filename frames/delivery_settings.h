// The camera-state switches that shape a delivered frame, read once per grab.
#ifndef VELMORA_FRAMES_DELIVERY_SETTINGS_H_
#define VELMORA_FRAMES_DELIVERY_SETTINGS_H_

#include <cstdint>

namespace velmora {

struct DeliverySettings {
  bool rotate = false;   // a quarter turn clockwise before the flip
  int32_t flipCode = 0;  // OpenCV's flip code: 0 upside down, >0 mirror, <0 both
  bool overlay = false;  // the debug text with the frame's size
};

}  // namespace velmora

#endif  // VELMORA_FRAMES_DELIVERY_SETTINGS_H_
