/* i386-run PROGRAM [ARG...]: runs an i386 program of the build with the
 * unpacked i386 libraries on the loader's path.  It lives at the top of the
 * folder tools/i386_sysroot.sh lays out and finds the libraries beside it.
 *
 * It is linked statically: tests hand their preloads (the i386 virtual
 * camera) to whatever they start, and a dynamic program of the host's
 * architecture would have the loader complain about every one of them. */
#include <errno.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static const char* const kLibraryFolders[] = {
    "/usr/lib/i386-linux-gnu",         "/lib/i386-linux-gnu",
    "/usr/lib/i386-linux-gnu/android", "/usr/lib/i386-linux-gnu/blas",
    "/usr/lib/i386-linux-gnu/lapack",  "/usr/lib",
};

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: %s PROGRAM [ARG...]\n", argv[0]);
    return 2;
  }

  char root[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", root, sizeof root - 1);
  if (length < 0) {
    fprintf(stderr, "i386-run: cannot find itself: %s\n", strerror(errno));
    return 2;
  }
  root[length] = '\0';
  *strrchr(root, '/') = '\0';

  const char* inherited = getenv("LD_LIBRARY_PATH");
  size_t size = (inherited ? strlen(inherited) : 0) + 1;
  for (size_t i = 0; i < sizeof kLibraryFolders / sizeof kLibraryFolders[0]; ++i) {
    size += strlen(root) + strlen(kLibraryFolders[i]) + 1;
  }
  char* path = malloc(size);
  if (!path) return 2;
  path[0] = '\0';
  for (size_t i = 0; i < sizeof kLibraryFolders / sizeof kLibraryFolders[0]; ++i) {
    if (i > 0) strcat(path, ":");
    strcat(path, root);
    strcat(path, kLibraryFolders[i]);
  }
  if (inherited && *inherited) {
    strcat(path, ":");
    strcat(path, inherited);
  }
  setenv("LD_LIBRARY_PATH", path, 1);

  execv(argv[1], argv + 1);
  fprintf(stderr, "i386-run: cannot run %s: %s\n", argv[1], strerror(errno));
  return 127;
}
