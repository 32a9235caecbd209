/* A POS program in miniature, built against the installed package: the
 * library it loads by the system's name must start the installed host and
 * reach it. */
#include <stdio.h>

#include "KAVORIN_Ctl.h"

int main(void) {
  char code[8192] = "";
  const int got = KAVORIN_GetResponseCode(code);
  const int ended = KAVORIN_ServiceTerminate();
  printf("KAVORIN_GetResponseCode %d, KAVORIN_ServiceTerminate %d\n", got, ended);
  return got == 0 && ended == 0 ? 0 : 1;
}
