// An extension for testing the desktop host: most of its functions break one
// of the runtime's rules on purpose, so the host's misuse record can be shown
// to catch each; the others behave, and report what the host answered.
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "extension/runtime_bridge.h"

namespace {

FREObject keepsBitmapAcquired(FREContext, void*, uint32_t, FREObject argv[]) {
  FREBitmapData2 bitmap;
  FREAcquireBitmapData2(argv[0], &bitmap);
  return nullptr;
}

FREObject releasesWithoutAcquire(FREContext, void*, uint32_t, FREObject argv[]) {
  FREReleaseBitmapData(argv[0]);
  return nullptr;
}

FREObject releasesTwice(FREContext, void*, uint32_t, FREObject argv[]) {
  FREBitmapData2 bitmap;
  FREAcquireBitmapData2(argv[0], &bitmap);
  FREReleaseBitmapData(argv[0]);
  FREReleaseBitmapData(argv[0]);
  return nullptr;
}

FREObject convertsWhileAcquired(FREContext, void*, uint32_t, FREObject argv[]) {
  FREBitmapData2 bitmap;
  FREAcquireBitmapData2(argv[0], &bitmap);
  int32_t value;
  FREGetObjectAsInt32(argv[1], &value);
  FREReleaseBitmapData(argv[0]);
  return nullptr;
}

FREObject returnsAnObject(FREContext, void*, uint32_t, FREObject argv[]) { return argv[0]; }

FREObject dispatchesOnAStrangeContext(FREContext ctx, void*, uint32_t, FREObject[]) {
  FREDispatchStatusEventAsync(static_cast<char*>(ctx) + 1, reinterpret_cast<const uint8_t*>("c"),
                              reinterpret_cast<const uint8_t*>("l"));
  return nullptr;
}

FREObject usesAForeignObject(FREContext, void*, uint32_t, FREObject[]) {
  static int notAnObject;
  double value;
  FREGetObjectAsDouble(&notAnObject, &value);
  return nullptr;
}

FREObject remembered = nullptr;

FREObject remembers(FREContext, void*, uint32_t, FREObject argv[]) {
  remembered = argv[0];
  return nullptr;
}

FREObject usesTheRemembered(FREContext, void*, uint32_t, FREObject[]) {
  int32_t value;
  FREGetObjectAsInt32(remembered, &value);
  return nullptr;
}

FREObject givesNoPlaceForAnInteger(FREContext, void*, uint32_t, FREObject argv[]) {
  FREGetObjectAsInt32(argv[1], nullptr);
  return nullptr;
}

FREObject givesNoPlaceForADouble(FREContext, void*, uint32_t, FREObject argv[]) {
  FREGetObjectAsDouble(argv[1], nullptr);
  return nullptr;
}

FREObject givesNoDescriptor(FREContext, void*, uint32_t, FREObject argv[]) {
  FREAcquireBitmapData2(argv[0], nullptr);
  return nullptr;
}

// Writes one word just outside the pixels while the bitmap is acquired: the
// word below the first pixel, or the first row's padding.
enum class Outside { Below, Padding };

void writeWhileAcquired(FREObject object, Outside where) {
  FREBitmapData2 bitmap;
  if (FREAcquireBitmapData2(object, &bitmap) != FRE_OK) return;
  const ptrdiff_t offset = where == Outside::Below ? -1 : static_cast<ptrdiff_t>(bitmap.width);
  bitmap.bits32[offset] = 0x5a5a5a5au;
  FREReleaseBitmapData(object);
}

FREObject writesBelowThePixels(FREContext, void*, uint32_t, FREObject argv[]) {
  writeWhileAcquired(argv[0], Outside::Below);
  return nullptr;
}

FREObject writesIntoThePadding(FREContext, void*, uint32_t, FREObject argv[]) {
  writeWhileAcquired(argv[0], Outside::Padding);
  return nullptr;
}

FREObject writesAfterRelease(FREContext, void*, uint32_t, FREObject argv[]) {
  FREBitmapData2 bitmap;
  if (FREAcquireBitmapData2(argv[0], &bitmap) != FRE_OK) return nullptr;
  FREReleaseBitmapData(argv[0]);
  bitmap.bits32[0] = 0x5a5a5a5au;
  return nullptr;
}

FREObject throws(FREContext, void*, uint32_t, FREObject[]) { throw std::runtime_error("probe"); }

// Dispatches its function data, a text, as the level of a "data" event.
FREObject reportsItsData(FREContext ctx, void* data, uint32_t, FREObject[]) {
  FREDispatchStatusEventAsync(ctx, reinterpret_cast<const uint8_t*>("data"),
                              static_cast<const uint8_t*>(data));
  return nullptr;
}

FREObject behaves(FREContext ctx, void*, uint32_t, FREObject argv[]) {
  FREBitmapData2 bitmap;
  if (FREAcquireBitmapData2(argv[0], &bitmap) == FRE_OK) {
    bitmap.bits32[0] = 0xff010203u;
    FREReleaseBitmapData(argv[0]);
  }
  FREDispatchStatusEventAsync(ctx, reinterpret_cast<const uint8_t*>("done"),
                              reinterpret_cast<const uint8_t*>("ok"));
  return nullptr;
}

// Reports, as the level of a "converted" event, the integer and the double
// the host gave for argument 0 ("untouched" where the variable kept its value).
FREObject convertsFirstArgument(FREContext ctx, void*, uint32_t, FREObject argv[]) {
  constexpr int32_t kIntSentinel = 12345;
  constexpr double kDoubleSentinel = -0.25;
  int32_t i = kIntSentinel;
  double d = kDoubleSentinel;
  FREGetObjectAsInt32(argv[0], &i);
  FREGetObjectAsDouble(argv[0], &d);
  char level[64];
  if (i == kIntSentinel) {
    std::snprintf(level, sizeof level, "untouched ");
  } else {
    std::snprintf(level, sizeof level, "%d ", static_cast<int>(i));
  }
  const size_t used = std::strlen(level);
  if (d == kDoubleSentinel) {
    std::snprintf(level + used, sizeof level - used, "untouched");
  } else {
    std::snprintf(level + used, sizeof level - used, "%g", d);
  }
  FREDispatchStatusEventAsync(ctx, reinterpret_cast<const uint8_t*>("converted"),
                              reinterpret_cast<const uint8_t*>(level));
  return nullptr;
}

const FRENamedFunction kFunctions[] = {
    {reinterpret_cast<const uint8_t*>("convertsFirstArgument"), nullptr, convertsFirstArgument},
    {reinterpret_cast<const uint8_t*>("keepsBitmapAcquired"), nullptr, keepsBitmapAcquired},
    {reinterpret_cast<const uint8_t*>("releasesWithoutAcquire"), nullptr, releasesWithoutAcquire},
    {reinterpret_cast<const uint8_t*>("releasesTwice"), nullptr, releasesTwice},
    {reinterpret_cast<const uint8_t*>("convertsWhileAcquired"), nullptr, convertsWhileAcquired},
    {reinterpret_cast<const uint8_t*>("returnsAnObject"), nullptr, returnsAnObject},
    {reinterpret_cast<const uint8_t*>("dispatchesOnAStrangeContext"), nullptr,
     dispatchesOnAStrangeContext},
    {reinterpret_cast<const uint8_t*>("usesAForeignObject"), nullptr, usesAForeignObject},
    {reinterpret_cast<const uint8_t*>("remembers"), nullptr, remembers},
    {reinterpret_cast<const uint8_t*>("usesTheRemembered"), nullptr, usesTheRemembered},
    {reinterpret_cast<const uint8_t*>("givesNoPlaceForAnInteger"), nullptr,
     givesNoPlaceForAnInteger},
    {reinterpret_cast<const uint8_t*>("givesNoPlaceForADouble"), nullptr, givesNoPlaceForADouble},
    {reinterpret_cast<const uint8_t*>("givesNoDescriptor"), nullptr, givesNoDescriptor},
    {reinterpret_cast<const uint8_t*>("writesBelowThePixels"), nullptr, writesBelowThePixels},
    {reinterpret_cast<const uint8_t*>("writesIntoThePadding"), nullptr, writesIntoThePadding},
    {reinterpret_cast<const uint8_t*>("writesAfterRelease"), nullptr, writesAfterRelease},
    {reinterpret_cast<const uint8_t*>("throws"), nullptr, throws},
    {reinterpret_cast<const uint8_t*>("reportsFirstData"), const_cast<char*>("first"),
     reportsItsData},
    {reinterpret_cast<const uint8_t*>("reportsSecondData"), const_cast<char*>("second"),
     reportsItsData},
    {reinterpret_cast<const uint8_t*>("behaves"), nullptr, behaves},
};

void contextInitializer(void*, const uint8_t*, FREContext, uint32_t* count,
                        const FRENamedFunction** functions) {
  *count = sizeof kFunctions / sizeof kFunctions[0];
  *functions = kFunctions;
}

void contextFinalizer(FREContext) {}

}  // namespace

extern "C" __attribute__((visibility("default"))) void ExtInitializer(
    void** extData, FREContextInitializer* initializer, FREContextFinalizer* finalizer) {
  *extData = nullptr;
  *initializer = contextInitializer;
  *finalizer = contextFinalizer;
}

extern "C" __attribute__((visibility("default"))) void ExtFinalizer(void*) {}
