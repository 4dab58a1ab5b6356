# The release build for 64-bit x86 hosts, in the Debian 11 build root.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER x86_64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE x86_64-linux-gnu)
set(ZF_PLATFORM x86_64-pc-linux-gnu CACHE STRING "" FORCE)
