/* Makes chosen ptys look like serial adapters with modem lines to Wine.
 *
 * Linux ptys refuse TIOCMGET, and Wine's WaitCommEvent ends a wait at once
 * (ERROR_OPERATION_ABORTED) when the modem status cannot be read. On a USB
 * adapter it can be, and there a wait really pends until a character comes,
 * the event mask changes or the handle closes; CancelIoEx does not end it.
 * Preloaded into the Wine processes of a test (LD_PRELOAD), this answers
 * TIOCMGET with DSR, CTS and carrier for the pty slaves named in
 * KAVORIN_MODEM_LINES_PTYS (colon-separated paths), so the serial channel
 * meets that kind of device without one.
 *
 * Built without system headers: the i386 build has no development files
 * here, only the C library Wine itself runs on. */

typedef unsigned long size_type;
extern void* dlsym(void* handle, const char* name);
extern int* __errno_location(void);
extern char* getenv(const char* name);
extern long readlink(const char* path, char* buffer, size_type size);

typedef int (*ioctl_function)(int, unsigned long, void*);

#define NEXT_IN_SEARCH_ORDER ((void*)-1l)
#define NOT_A_TTY_OPERATION 25 /* ENOTTY */
#define GET_MODEM_LINES 0x5415 /* TIOCMGET */
#define LINES_UP (0x100 | 0x020 | 0x040) /* TIOCM_DSR | TIOCM_CTS | TIOCM_CAR */

static int IsChosen(int fd) {
  const char* list = getenv("KAVORIN_MODEM_LINES_PTYS");
  if (list == 0 || fd < 0) return 0;
  char link[32] = "/proc/self/fd/";
  char digits[12];
  int count = 0;
  do {
    digits[count++] = (char)('0' + fd % 10);
    fd /= 10;
  } while (fd > 0);
  int at = 14;
  while (count > 0) link[at++] = digits[--count];
  link[at] = '\0';
  char target[256];
  const long length = readlink(link, target, sizeof target - 1);
  if (length <= 0) return 0;
  target[length] = '\0';
  for (const char* entry = list; *entry != '\0';) {
    long i = 0;
    while (entry[i] != '\0' && entry[i] != ':' && i < length && entry[i] == target[i]) ++i;
    if (i == length && (entry[i] == '\0' || entry[i] == ':')) return 1;
    while (*entry != '\0' && *entry != ':') ++entry;
    if (*entry == ':') ++entry;
  }
  return 0;
}

static int Answer(ioctl_function real, int fd, unsigned long request, void* argument) {
  const int result = real(fd, request, argument);
  if (result != 0 && request == GET_MODEM_LINES && *__errno_location() == NOT_A_TTY_OPERATION && IsChosen(fd)) {
    *(int*)argument = LINES_UP;
    return 0;
  }
  return result;
}

int ioctl(int fd, unsigned long request, ...) {
  __builtin_va_list arguments;
  __builtin_va_start(arguments, request);
  void* argument = __builtin_va_arg(arguments, void*);
  __builtin_va_end(arguments);
  static ioctl_function real;
  if (real == 0) real = (ioctl_function)dlsym(NEXT_IN_SEARCH_ORDER, "ioctl");
  return Answer(real, fd, request, argument);
}

/* What 32-bit programs built with 64-bit time call instead (Wine's ntdll). */
int __ioctl_time64(int fd, unsigned long request, ...) {
  __builtin_va_list arguments;
  __builtin_va_start(arguments, request);
  void* argument = __builtin_va_arg(arguments, void*);
  __builtin_va_end(arguments);
  static ioctl_function real;
  if (real == 0) real = (ioctl_function)dlsym(NEXT_IN_SEARCH_ORDER, "__ioctl_time64");
  return Answer(real, fd, request, argument);
}
