# The release build for 64-bit ARM hosts, in the Debian 11 build root with
# its cross compiler.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
set(ZF_PLATFORM aarch64-unknown-linux-gnu CACHE STRING "" FORCE)
