// Frame delivery: GrabData reads the newest frame into the frame buffer,
// orients it, draws the debug overlay and copies it into the script's bitmap.
#ifndef VELMORA_FRAMES_FRAME_DELIVERY_H_
#define VELMORA_FRAMES_FRAME_DELIVERY_H_

#include <cstdint>

#include "extension/export.h"
#include "extension/runtime_bridge.h"

extern "C" {

VELMORA_EXPORT FREObject GrabData(FREContext ctx, void* functionData, uint32_t argc,
                                  FREObject argv[]);
}

#endif  // VELMORA_FRAMES_FRAME_DELIVERY_H_
