# Shared part of the Linux toolchain files: a Debian cross compiler named by its GNU
# triple, its sysroot under /usr/<triple> (where Debian's libc6-dev-*-cross packages put
# the C library and libstdc++), and qemu-user to run what it builds on this machine.
#
# The including file sets QUILL_TRIPLE (e.g. powerpc-linux-gnu), QUILL_PROCESSOR (the
# CMAKE_SYSTEM_PROCESSOR value) and QUILL_QEMU (the qemu-user program).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR ${QUILL_PROCESSOR})

set(CMAKE_C_COMPILER ${QUILL_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${QUILL_TRIPLE}-g++)

set(QUILL_SYSROOT /usr/${QUILL_TRIPLE})
set(CMAKE_FIND_ROOT_PATH ${QUILL_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# ctest and the build's own helper programs run the target's binaries through qemu-user
# with the sysroot's libraries (qemu-run says which ones it adjusts, kept in the build folder).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/qemu-run ${QUILL_QEMU} ${QUILL_SYSROOT}
    ${CMAKE_BINARY_DIR}/qemu-libs)
