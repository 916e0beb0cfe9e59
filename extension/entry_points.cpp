#include "extension/entry_points.h"

#include <cstdlib>

#include "camera/camera_state.h"
#include "frames/frame_delivery.h"

namespace {

constexpr uint32_t kFunctionCount = 5;

const uint8_t* text(const char* s) { return reinterpret_cast<const uint8_t*>(s); }

}  // namespace

extern "C" {

void ExtInitializer(void** extDataToSet, FREContextInitializer* ctxInitializerToSet,
                    FREContextFinalizer* ctxFinalizerToSet) {
  *extDataToSet = nullptr;
  *ctxInitializerToSet = &ContextInitializer;
  *ctxFinalizerToSet = &ContextFinalizer;
}

void ExtFinalizer(void*) {}

void ContextInitializer(void*, const uint8_t*, FREContext, uint32_t* numFunctionsToSet,
                        const FRENamedFunction** functionsToSet) {
  *numFunctionsToSet = kFunctionCount;
  // Each context gets a table of its own that the runtime may read for as
  // long as the context lives; the extension never learns when that ends, so
  // the table is never freed.
  auto* table =
      static_cast<FRENamedFunction*>(std::malloc(kFunctionCount * sizeof(FRENamedFunction)));
  if (table == nullptr) {
    // Telling the runtime there are five functions behind a null table would
    // send it reading through a null pointer; an empty table is honest.
    *numFunctionsToSet = 0;
    *functionsToSet = nullptr;
    return;
  }
  table[0] = {text("InitCam"), nullptr, &InitCam};
  table[1] = {text("SetCamInfo"), nullptr, &SetCamInfo};
  table[2] = {text("GrabData"), nullptr, &GrabData};
  table[3] = {text("ReleaseCam"), nullptr, &ReleaseCam};
  table[4] = {text("SetCamWhiteBalance"), nullptr, &SetCamWhiteBalance};
  *functionsToSet = table;
}

void ContextFinalizer(FREContext) {}

}  // extern "C"
