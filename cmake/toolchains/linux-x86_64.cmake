# 64-bit x86 Linux: the build machine's own processor and libraries. Only the compiler is
# named, by its triple, so that the four architectures are configured alike; the
# binaries run directly.
set(CMAKE_C_COMPILER x86_64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER x86_64-linux-gnu-g++)
