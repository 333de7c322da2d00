# 32-bit x86 Linux (Debian's i686-linux-gnu cross compiler, run under qemu-i386).
set(QUILL_TRIPLE i686-linux-gnu)
set(QUILL_PROCESSOR i686)
set(QUILL_QEMU qemu-i386)
include(${CMAKE_CURRENT_LIST_DIR}/cross-linux.cmake)

# Single-precision audio must be computed in single precision: the x87 unit would keep
# intermediates in 80 bits and round them differently from every other target.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
