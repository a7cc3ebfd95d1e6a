/* The 12-byte word-occurrence value of the index: what a "word.dat" record
 * holds before its link, and what the cursor hands to its caller. */
#ifndef CORVANA_IDXCORE_INDEX_RECWRD_H_
#define CORVANA_IDXCORE_INDEX_RECWRD_H_

#include <stdint.h>

/* One word's occurrences in one act, in the caller's byte order. */
struct recwrd {
  int32_t act_id;       /* IdAct of the act in which the word occurs */
  int16_t count;        /* occurrences in that act (low 16 bits) */
  uint8_t reserved[2];  /* unused; zero when written by this library */
  /* count <= 1: the occurrence's position (16 bits, zero-extended);
   * count >= 2: byte offset in "poziti.dat" of its `count` positions. */
  int32_t position;
};
typedef struct recwrd recwrd;

#endif /* CORVANA_IDXCORE_INDEX_RECWRD_H_ */
