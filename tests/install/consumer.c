/* A plain C caller of the VXDll operations, built against the installed tree. */
#include <pixmend/vxdll.h>
#include <stdio.h>
#include <string.h>

int main(void) {
  unsigned char dest[2 * 3]; /* 10 x 3 */
  const unsigned char src[1] = {0x80}; /* 1 x 1 ink */
  int maxX, minX, maxY, minY;
  memset(dest, 0, sizeof dest);
  VXDllPasteTransparent(dest, src, 9, 2, 1, 1, 10);
  VXDllSmartPasteInit(dest, &maxX, &minX, &maxY, &minY, 10, 3);
  printf("box %d %d %d %d\n", maxX, minX, maxY, minY);
  return (maxX == 9 && minX == 9 && maxY == 2 && minY == 2) ? 0 : 1;
}
