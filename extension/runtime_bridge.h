/* The native-extension interface of the application runtime: the handles,
 * records and callback shapes that the extension implements, and the runtime
 * operations that it calls.  The layout is the runtime's binary interface, so
 * this header must stay ABI-compatible with it on every target (32- and 64-bit
 * pointers alike) and must compile as C as well as C++. */
#ifndef VELMORA_EXTENSION_RUNTIME_BRIDGE_H_
#define VELMORA_EXTENSION_RUNTIME_BRIDGE_H_

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef void* FREContext;
typedef void* FREObject;

typedef enum {
  FRE_OK = 0,
  FRE_NO_SUCH_NAME = 1,
  FRE_INVALID_OBJECT = 2,
  FRE_TYPE_MISMATCH = 3,
  FRE_ACTIONSCRIPT_ERROR = 4,
  FRE_INVALID_ARGUMENT = 5,
  FRE_READ_ONLY = 6,
  FRE_WRONG_THREAD = 7,
  FRE_ILLEGAL_STATE = 8,
  FRE_INSUFFICIENT_MEMORY = 9
} FREResult;

typedef FREObject (*FREFunction)(FREContext ctx, void* functionData, uint32_t argc,
                                 FREObject argv[]);

typedef struct {
  const uint8_t* name;
  void* functionData;
  FREFunction function;
} FRENamedFunction;

typedef struct {
  uint32_t width;
  uint32_t height;
  uint32_t hasAlpha;
  uint32_t isPremultiplied;
  uint32_t lineStride32;
  uint32_t isInvertedY;
  uint32_t* bits32;
} FREBitmapData2;

typedef void (*FREContextInitializer)(void* extData, const uint8_t* ctxType, FREContext ctx,
                                      uint32_t* numFunctionsToSet,
                                      const FRENamedFunction** functionsToSet);
typedef void (*FREContextFinalizer)(FREContext ctx);
typedef void (*FREInitializer)(void** extDataToSet, FREContextInitializer* ctxInitializerToSet,
                               FREContextFinalizer* ctxFinalizerToSet);
typedef void (*FREFinalizer)(void* extData);

/* Provided by the process that loads the extension. */
FREResult FREGetObjectAsInt32(FREObject object, int32_t* value);
FREResult FREGetObjectAsDouble(FREObject object, double* value);
FREResult FREDispatchStatusEventAsync(FREContext ctx, const uint8_t* code, const uint8_t* level);
FREResult FREAcquireBitmapData2(FREObject object, FREBitmapData2* descriptorToSet);
FREResult FREReleaseBitmapData(FREObject object);

#ifdef __cplusplus
}
#endif

/* The runtime hands these records across as its platform's C compiler lays
 * them out; pin that layout for both pointer widths so that a change to a
 * field, or a compiler option that moves one, fails to build instead of
 * corrupting what the runtime reads.  (C before C11 has no static checks.) */
#if defined(__cplusplus)
#define VELMORA_BRIDGE_LAYOUT(condition) static_assert(condition, #condition)
#elif defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
#define VELMORA_BRIDGE_LAYOUT(condition) _Static_assert(condition, #condition)
#endif
#ifdef VELMORA_BRIDGE_LAYOUT
#define VELMORA_BRIDGE_BYTES(on32bit, on64bit) (sizeof(void*) == 4 ? (on32bit) : (on64bit))
VELMORA_BRIDGE_LAYOUT(sizeof(void*) == 4 || sizeof(void*) == 8);
VELMORA_BRIDGE_LAYOUT(sizeof(FREResult) == 4);

VELMORA_BRIDGE_LAYOUT(offsetof(FRENamedFunction, name) == 0);
VELMORA_BRIDGE_LAYOUT(offsetof(FRENamedFunction, functionData) == VELMORA_BRIDGE_BYTES(4, 8));
VELMORA_BRIDGE_LAYOUT(offsetof(FRENamedFunction, function) == VELMORA_BRIDGE_BYTES(8, 16));
VELMORA_BRIDGE_LAYOUT(sizeof(FRENamedFunction) == VELMORA_BRIDGE_BYTES(12, 24));

VELMORA_BRIDGE_LAYOUT(offsetof(FREBitmapData2, width) == 0);
VELMORA_BRIDGE_LAYOUT(offsetof(FREBitmapData2, height) == 4);
VELMORA_BRIDGE_LAYOUT(offsetof(FREBitmapData2, hasAlpha) == 8);
VELMORA_BRIDGE_LAYOUT(offsetof(FREBitmapData2, isPremultiplied) == 12);
VELMORA_BRIDGE_LAYOUT(offsetof(FREBitmapData2, lineStride32) == 16);
VELMORA_BRIDGE_LAYOUT(offsetof(FREBitmapData2, isInvertedY) == 20);
VELMORA_BRIDGE_LAYOUT(offsetof(FREBitmapData2, bits32) == 24);
VELMORA_BRIDGE_LAYOUT(sizeof(FREBitmapData2) == VELMORA_BRIDGE_BYTES(28, 32));
#undef VELMORA_BRIDGE_BYTES
#undef VELMORA_BRIDGE_LAYOUT
#endif

#endif /* VELMORA_EXTENSION_RUNTIME_BRIDGE_H_ */
