# CMake toolchain for 64-bit ARM Linux (arm64) with Debian's cross compiler
# (crossbuild-essential-arm64) and the :arm64 -dev packages of multiarch:
# cmake -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake. Programs built
# here run on this machine through qemu (qemu-user-static); no binfmt handler
# is needed, as CTest and GoogleTest's test discovery start them through it.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
# Multiarch keeps the arm64 libraries in /usr/lib/aarch64-linux-gnu beside the
# host's, with the headers shared in /usr/include; CMake searches that
# directory for this architecture.
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64-static)

# Find modules that ask pkg-config would otherwise get the host's .pc files.
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/aarch64-linux-gnu/pkgconfig:/usr/share/pkgconfig)
