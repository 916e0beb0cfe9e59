// The one switch between what the library shows the runtime and what it keeps
// to itself: the library is built with hidden visibility, and only names marked
// VELMORA_EXPORT (the runtime's entry points, the extension functions and the
// camera state) are exported, unmangled.
#ifndef VELMORA_EXTENSION_EXPORT_H_
#define VELMORA_EXTENSION_EXPORT_H_

#define VELMORA_EXPORT __attribute__((visibility("default")))

#endif  // VELMORA_EXTENSION_EXPORT_H_
