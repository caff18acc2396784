# Cross-compiling for 32-bit ARM Linux, the device's word size, with Debian's
# arm-linux-gnueabihf toolchain; test programs run under qemu-arm.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(CMAKE_C_COMPILER arm-linux-gnueabihf-gcc)
set(CMAKE_CXX_COMPILER arm-linux-gnueabihf-g++)
set(CMAKE_LIBRARY_ARCHITECTURE arm-linux-gnueabihf)
set(cross_runtime /usr/arm-linux-gnueabihf)
# The cross C library and loader live under /usr/arm-linux-gnueabihf; zlib
# comes from the armhf multiarch package, in the usual prefix.
set(CMAKE_FIND_ROOT_PATH ${cross_runtime} /usr)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The loader and C library must come from one build of glibc: without the
# library path, the toolchain's loader would pick up the multiarch libc6:armhf
# (which zlib1g:armhf brings) from /lib/arm-linux-gnueabihf, and a forked child
# of the mix crashes.
find_program(MORVANE_QEMU_ARM NAMES qemu-arm qemu-arm-static REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${MORVANE_QEMU_ARM} -L ${cross_runtime} -E LD_LIBRARY_PATH=${cross_runtime}/lib)
