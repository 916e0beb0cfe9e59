#include "virtual_camera/device_path.h"

namespace velmora::vcam {

bool parse_device_path(const char* path, int* index) {
  if (path == nullptr) return false;
  const char* prefix = "/dev/video";
  for (; *prefix != '\0'; ++prefix, ++path) {
    if (*path != *prefix) return false;
  }
  if (*path < '0' || *path > '9') return false;
  if (path[0] == '0' && path[1] != '\0') return false;
  int value = 0;
  for (; *path != '\0'; ++path) {
    if (*path < '0' || *path > '9') return false;
    // Any index this large is beyond every device count the library accepts.
    if (value > 9999) return false;
    value = value * 10 + (*path - '0');
  }
  *index = value;
  return true;
}

}  // namespace velmora::vcam
