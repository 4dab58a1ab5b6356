# The release build for 32-bit x86 hosts (i686 and later), in the Debian 11
# build root with its cross compiler.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER i686-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
set(ZF_PLATFORM i686-pc-linux-gnu CACHE STRING "" FORCE)
