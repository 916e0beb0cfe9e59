// The four entry points through which the runtime binds the extension: the
// extension initializer and finalizer, looked up by name after loading, and
// the context callbacks that the initializer hands over.
#ifndef VELMORA_EXTENSION_ENTRY_POINTS_H_
#define VELMORA_EXTENSION_ENTRY_POINTS_H_

#include "extension/export.h"
#include "extension/runtime_bridge.h"

extern "C" {

VELMORA_EXPORT void ExtInitializer(void** extDataToSet, FREContextInitializer* ctxInitializerToSet,
                                   FREContextFinalizer* ctxFinalizerToSet);
VELMORA_EXPORT void ExtFinalizer(void* extData);
VELMORA_EXPORT void ContextInitializer(void* extData, const uint8_t* ctxType, FREContext ctx,
                                       uint32_t* numFunctionsToSet,
                                       const FRENamedFunction** functionsToSet);
VELMORA_EXPORT void ContextFinalizer(FREContext ctx);
}

#endif  // VELMORA_EXTENSION_ENTRY_POINTS_H_
