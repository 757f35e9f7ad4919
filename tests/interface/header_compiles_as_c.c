/* The interface header must be usable from C. */
#include "interface/wubi_pinyin.h"

int main(void) {
  WPCandidate c;
  size_t n = 0;
  char buf[4];
  (void)c;
  /* A null handle is tolerated by every function. */
  if (wp_key_event(NULL, 0x61, 0, buf, sizeof buf, buf, sizeof buf, &c, 1, &n) != 1) return 1;
  return wp_get_page_size(NULL) == 10 ? 0 : 1;
}
