/* A POS program in miniature, built against the installed package: the
 * library it loads by the system's name must start the installed host and
 * reach it. With no transaction yet, the getter answers the host's -1; a
 * host that cannot be started or reached gives -10000 or -10001. */
#include <stdio.h>

#include "KAVORIN_Ctl.h"

int main(void) {
  char code[8192] = "";
  const int got = KAVORIN_GetResponseCode(code);
  const int ended = KAVORIN_ServiceTerminate();
  printf("KAVORIN_GetResponseCode %d, KAVORIN_ServiceTerminate %d\n", got, ended);
  return got == -1 && ended == 0 ? 0 : 1;
}
