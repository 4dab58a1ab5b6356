# The release build for 32-bit ARM hosts (ARMv7 with hard float, as the
# Raspberry Pi OS and Debian armhf run), in the Debian 11 build root with its
# cross compiler.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR armv7l)
set(CMAKE_C_COMPILER arm-linux-gnueabihf-gcc)
set(CMAKE_CXX_COMPILER arm-linux-gnueabihf-g++)
set(CMAKE_LIBRARY_ARCHITECTURE arm-linux-gnueabihf)
set(ZF_PLATFORM arm-unknown-linux-gnueabihf CACHE STRING "" FORCE)
