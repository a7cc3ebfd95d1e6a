/* Marks the declarations that idxcore exports: the C interface of the
 * cursor and of the processing session, and the import engine TIntro. The
 * library's code is built with hidden visibility, and exports.map lists
 * what the shared library exports. */
#ifndef CORVANA_IDXCORE_EXPORT_H_
#define CORVANA_IDXCORE_EXPORT_H_

#define IDXCORE_EXPORT __attribute__((visibility("default")))

#endif /* CORVANA_IDXCORE_EXPORT_H_ */
