# 64-bit big-endian PowerPC Linux (Debian's powerpc64-linux-gnu cross compiler, run under qemu-ppc64).
set(QUILL_TRIPLE powerpc64-linux-gnu)
set(QUILL_PROCESSOR ppc64)
set(QUILL_QEMU qemu-ppc64)
include(${CMAKE_CURRENT_LIST_DIR}/cross-linux.cmake)
