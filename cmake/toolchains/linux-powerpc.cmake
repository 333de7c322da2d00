# 32-bit big-endian PowerPC Linux (Debian's powerpc-linux-gnu cross compiler, run under qemu-ppc).
set(QUILL_TRIPLE powerpc-linux-gnu)
set(QUILL_PROCESSOR powerpc)
set(QUILL_QEMU qemu-ppc)
include(${CMAKE_CURRENT_LIST_DIR}/cross-linux.cmake)
