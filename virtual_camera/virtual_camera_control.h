/* Control interface of the virtual camera (libvelmora_virtual_camera.so).
 *
 * The library is preloaded, so a test does not link against it: it looks
 * each function up in the running process, for example
 *
 *   auto frames = reinterpret_cast<decltype(&velmora_vcam_frames_served)>(
 *       dlsym(RTLD_DEFAULT, "velmora_vcam_frames_served"));
 *
 * and a null result means the virtual camera is not loaded.
 *
 * Devices are numbered as /dev/video<device>.  Every function is safe to
 * call from any thread; the settings from the environment (README.md) are
 * read on the first call if no device was opened before.
 */
#ifndef VELMORA_VIRTUAL_CAMERA_CONTROL_H
#define VELMORA_VIRTUAL_CAMERA_CONTROL_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define VELMORA_VCAM_API __attribute__((visibility("default")))

/* Faults for velmora_vcam_inject_fault. */
enum {
  /* open() of the device fails with EIO. */
  VELMORA_VCAM_FAULT_OPEN = 1,
  /* After `after_frames` more frames the device disappears: every call on a
   * descriptor opened before fails with ENODEV (a waiting select() or
   * poll() returns), and open() fails with ENOENT until the fault is
   * cleared. */
  VELMORA_VCAM_FAULT_DISCONNECT = 2,
  /* After `after_frames` more frames no frame becomes ready: VIDIOC_DQBUF
   * answers EAGAIN and the descriptor never becomes readable. */
  VELMORA_VCAM_FAULT_STALL = 3
};

/* Number of virtual devices (VELMORA_VCAM_DEVICES). */
VELMORA_VCAM_API int velmora_vcam_device_count(void);

/* Frames the device has delivered (successful VIDIOC_DQBUF), over all opens
 * since the library was loaded; 0 for an unknown device. */
VELMORA_VCAM_API uint64_t velmora_vcam_frames_served(int device);

/* The format set by the device's last successful VIDIOC_S_FMT, after the
 * device adjusted it.  Returns 0, or -1 if there was none or no such
 * device. */
VELMORA_VCAM_API int velmora_vcam_last_format(int device, uint32_t* width, uint32_t* height,
                                              uint32_t* fourcc);

/* How many times `request` (a VIDIOC_* code) was made on the device,
 * whatever its outcome. */
VELMORA_VCAM_API uint64_t velmora_vcam_ioctl_count(int device, unsigned long request);

/* Descriptors currently open on the device (not counting those left over
 * from before a disconnect). */
VELMORA_VCAM_API int velmora_vcam_open_descriptors(int device);

/* Injects one of the VELMORA_VCAM_FAULT_* faults; `after_frames` is ignored
 * for VELMORA_VCAM_FAULT_OPEN.  Returns 0, or -1 for an unknown device or
 * fault. */
VELMORA_VCAM_API int velmora_vcam_inject_fault(int device, int fault, uint64_t after_frames);

/* Makes VIDIOC_S_FMT and VIDIOC_TRY_FMT clamp sizes to at most
 * max_width x max_height (itself bounded to the device's 16x16..3840x2160),
 * as a sensor with fewer pixels would.  Returns 0, or -1 for an unknown
 * device. */
VELMORA_VCAM_API int velmora_vcam_limit_size(int device, uint32_t max_width, uint32_t max_height);

/* Removes every fault, including those from the environment: a device that
 * disappeared can be opened again and a stalled stream resumes.  Returns 0,
 * or -1 for an unknown device. */
VELMORA_VCAM_API int velmora_vcam_clear_faults(int device);

#ifdef __cplusplus
}
#endif

#endif /* VELMORA_VIRTUAL_CAMERA_CONTROL_H */
