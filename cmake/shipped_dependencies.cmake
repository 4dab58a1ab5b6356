# The release build: the binaries that the application version ships must
# start on a volunteer's host, which has libc, the C++ runtime and the
# desktop's GL with the X client libraries it brings (libGL.so.1, libX11.so.6,
# libXext.so.6) and nothing else of ours (packaging/runtime_policy.txt). So
# freeglut, GLU, libjpeg and freeglut's X extensions are linked in from their
# static archives, and the BOINC libraries ship beside the programs, under
# names of this version's own, found through RPATH $ORIGIN.
#
# Built in a Debian 11 root (scripts/release/), whose compiler, C library and
# BOINC 7.16.16 headers and libraries set the oldest host that can run it.

if(NOT ZF_BOINC_ROOT)
  message(FATAL_ERROR "ZF_SHIP: set ZF_BOINC_ROOT to the unpacked BOINC packages of the target architecture")
endif()
find_package(Threads REQUIRED)
find_program(ZF_PATCHELF patchelf REQUIRED)

# zf_imported_library(NAME items...): a link target made of the given files.
function(zf_imported_library name)
  add_library(${name} INTERFACE IMPORTED GLOBAL)
  set_property(TARGET ${name} PROPERTY INTERFACE_LINK_LIBRARIES ${ARGN})
endfunction()

# zf_find_host_library(VAR NAME): a library the host provides, linked shared.
function(zf_find_host_library var name)
  find_library(${var} NAMES ${name} NO_CMAKE_ENVIRONMENT_PATH NO_SYSTEM_ENVIRONMENT_PATH REQUIRED)
endfunction()

# zf_find_archive(VAR NAME): a library linked in from its static archive.
function(zf_find_archive var name)
  find_library(${var} NAMES lib${name}.a NO_CMAKE_ENVIRONMENT_PATH NO_SYSTEM_ENVIRONMENT_PATH REQUIRED)
endfunction()

zf_find_host_library(ZF_LIB_GL GL)
zf_find_host_library(ZF_LIB_X11 X11)
zf_find_host_library(ZF_LIB_XEXT Xext)
foreach(archive glut GLU jpeg Xi Xfixes Xxf86vm Xrandr Xrender)
  zf_find_archive(ZF_ARCHIVE_${archive} ${archive})
endforeach()

zf_imported_library(X11::X11 ${ZF_LIB_X11})
zf_imported_library(X11::Xext ${ZF_LIB_XEXT})
# libGL.so.1, which every desktop's GL provides, rather than GLVND's
# libOpenGL.so.0 and libGLX.so.0, which older and smaller hosts lack.
zf_imported_library(OpenGL::GL ${ZF_LIB_GL})
zf_imported_library(OpenGL::GLX ${ZF_LIB_GL})
zf_imported_library(OpenGL::GLU ${ZF_ARCHIVE_GLU} ${ZF_LIB_GL} m)
zf_imported_library(GLUT::GLUT ${ZF_ARCHIVE_glut} ${ZF_ARCHIVE_Xi} ${ZF_ARCHIVE_Xfixes}
  ${ZF_ARCHIVE_Xxf86vm} ${ZF_ARCHIVE_Xrandr} ${ZF_ARCHIVE_Xrender} ${ZF_LIB_XEXT} ${ZF_LIB_X11}
  ${ZF_LIB_GL} m)
zf_imported_library(JPEG::JPEG ${ZF_ARCHIVE_jpeg})

# The companion's text libraries, which a host without a desktop's text stack
# lacks (boinc-screensaver pulls in none of them): fontconfig, FreeType and
# FriBiDi from their archives, with what they need in turn, in link order.
# HarfBuzz, which Debian ships no archive of, is opened at run time only.
foreach(archive fontconfig freetype fribidi expat png16 brotlidec brotlicommon bz2 z)
  zf_find_archive(ZF_ARCHIVE_${archive} ${archive})
endforeach()
find_path(ZF_FREETYPE_INCLUDE_DIR ft2build.h PATH_SUFFIXES freetype2 REQUIRED)
find_path(ZF_FRIBIDI_INCLUDE_DIR fribidi.h PATH_SUFFIXES fribidi REQUIRED)
add_library(zf_text_stack INTERFACE IMPORTED GLOBAL)
set_property(TARGET zf_text_stack PROPERTY INTERFACE_INCLUDE_DIRECTORIES
  ${ZF_FREETYPE_INCLUDE_DIR} ${ZF_FRIBIDI_INCLUDE_DIR})
set_property(TARGET zf_text_stack PROPERTY INTERFACE_LINK_LIBRARIES
  ${ZF_ARCHIVE_fontconfig} ${ZF_ARCHIVE_freetype} ${ZF_ARCHIVE_fribidi} ${ZF_ARCHIVE_expat}
  ${ZF_ARCHIVE_png16} ${ZF_ARCHIVE_brotlidec} ${ZF_ARCHIVE_brotlicommon} ${ZF_ARCHIVE_bz2}
  ${ZF_ARCHIVE_z} m)

# The BOINC libraries, shared: Debian's libboinc_api.a is an empty stub in
# both Debian 11 and 12 (WORKAROUND(libboinc-app-dev 7.16.16 and 7.20.5)). Each
# is copied into the build's bin/ under the name it ships with, and that name
# becomes its soname, so the programs' NEEDED entries name it: another
# version's or another project's libboinc cannot be taken instead.
set(zf_boinc_lib_dir ${ZF_BOINC_ROOT}/usr/lib/${CMAKE_LIBRARY_ARCHITECTURE})
set(BOINC_INCLUDE_DIR ${ZF_BOINC_ROOT}/usr/include/boinc)
if(NOT EXISTS ${BOINC_INCLUDE_DIR}/boinc_api.h)
  message(FATAL_ERROR "ZF_SHIP: no BOINC headers under ${BOINC_INCLUDE_DIR}")
endif()
file(GLOB zf_boinc_api_found ${zf_boinc_lib_dir}/libboinc_api.so.*.*.*)
file(GLOB zf_boinc_found ${zf_boinc_lib_dir}/libboinc.so.*.*.*)
if(NOT zf_boinc_api_found MATCHES "libboinc_api\\.so\\.([0-9]+\\.[0-9]+\\.[0-9]+)$" OR NOT zf_boinc_found)
  message(FATAL_ERROR "ZF_SHIP: no libboinc_api.so.X.Y.Z and libboinc.so.X.Y.Z in ${zf_boinc_lib_dir}")
endif()
set(ZF_API_VERSION "${CMAKE_MATCH_1}")

set(ZF_SHIPPED_BOINC_API_NAME "zorvath_fold_libboinc_api_${ZF_VERSION}_${ZF_PLATFORM}.so")
set(ZF_SHIPPED_BOINC_NAME "zorvath_fold_libboinc_${ZF_VERSION}_${ZF_PLATFORM}.so")
set(zf_shipped_dir ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
file(MAKE_DIRECTORY ${zf_shipped_dir})

# zf_patchelf(FILE args...): one change to FILE.
# WORKAROUND(patchelf 0.12, Debian 11): several changes given to one run were
# applied to the wrong entries, so each change has a run of its own.
function(zf_patchelf file)
  execute_process(COMMAND ${ZF_PATCHELF} ${ARGN} ${file} RESULT_VARIABLE failed)
  if(failed)
    string(REPLACE ";" " " change "${ARGN}")
    message(FATAL_ERROR "ZF_SHIP: patchelf ${change} ${file} failed")
  endif()
endfunction()

# zf_ship_library(SOURCE NAME [NEEDED_OLD NEEDED_NEW]): SOURCE copied to
# bin/NAME, with NAME as its soname, RUNPATH $ORIGIN, and the library it
# needs under NEEDED_OLD renamed to NEEDED_NEW.
function(zf_ship_library source name)
  set(shipped ${zf_shipped_dir}/${name})
  configure_file(${source} ${shipped} COPYONLY)
  zf_patchelf(${shipped} --set-soname ${name})
  zf_patchelf(${shipped} --set-rpath "\$ORIGIN")
  if(ARGC EQUAL 4)
    zf_patchelf(${shipped} --replace-needed ${ARGV2} ${ARGV3})
  endif()
endfunction()

zf_ship_library(${zf_boinc_found} ${ZF_SHIPPED_BOINC_NAME})
zf_ship_library(${zf_boinc_api_found} ${ZF_SHIPPED_BOINC_API_NAME} libboinc.so.7 ${ZF_SHIPPED_BOINC_NAME})
set(ZF_SHIPPED_LIBRARIES ${zf_shipped_dir}/${ZF_SHIPPED_BOINC_API_NAME}
                         ${zf_shipped_dir}/${ZF_SHIPPED_BOINC_NAME})

add_library(boinc_app INTERFACE)
target_include_directories(boinc_app SYSTEM INTERFACE ${BOINC_INCLUDE_DIR} ${BOINC_INCLUDE_DIR}/lib)
target_link_libraries(boinc_app INTERFACE ${ZF_SHIPPED_LIBRARIES} Threads::Threads)
target_link_options(boinc_app INTERFACE "LINKER:-rpath-link,${zf_shipped_dir}")

# Every binary finds the shipped libraries beside itself (the client, the
# Manager and the screensaver start it from the project directory), lists
# only the libraries it really calls, and carries no symbols a host does not
# need.
set(CMAKE_BUILD_WITH_INSTALL_RPATH ON)
set(CMAKE_INSTALL_RPATH "\$ORIGIN")
add_link_options("LINKER:--as-needed" "LINKER:--strip-all")
