# Lays out the program as a BOINC application version: the server's
# apps/<app>/<version>/<platform>/ directory for update_versions, and an
# anonymous-platform directory whose files a volunteer copies into the
# project's directory.
math(EXPR ZF_VERSION_NUM "${PROJECT_VERSION_MAJOR} * 100 + ${PROJECT_VERSION_MINOR}")
# BOINC writes versions with two digits after the point: 1.00 is number 100.
if(PROJECT_VERSION_MINOR LESS 10)
  set(zf_minor_padded "0${PROJECT_VERSION_MINOR}")
else()
  set(zf_minor_padded "${PROJECT_VERSION_MINOR}")
endif()
set(ZF_VERSION "${PROJECT_VERSION_MAJOR}.${zf_minor_padded}")
set(ZF_PLATFORM "x86_64-pc-linux-gnu")
# The client gives the task its shared memory as a file in the slot only to
# programs that declare an API version of 6 or later; the server cannot read
# the version from this binary, so the application version states it.
get_filename_component(zf_boinc_api_real "${BOINC_API_SHARED_LIB}" REALPATH)
if(zf_boinc_api_real MATCHES "\\.so\\.([0-9]+\\.[0-9]+\\.[0-9]+)$")
  set(ZF_API_VERSION "${CMAKE_MATCH_1}")
else()
  set(ZF_API_VERSION "7.20.5")
endif()
# Physical names carry the version because a project's download directory
# keeps every version's files side by side and never replaces one.
set(ZF_PROGRAM_NAME "zorvath_fold_${ZF_VERSION}_${ZF_PLATFORM}")
set(ZF_GRAPHICS_APP_NAME "zorvath_fold_graphics_${ZF_VERSION}_${ZF_PLATFORM}")
set(ZF_POSTER_NAME "QuenlartPoster3_${ZF_VERSION}.jpg")
set(ZF_POSTER_FILE "${PROJECT_SOURCE_DIR}/assets/QuenlartPoster3.jpg"
    CACHE FILEPATH "Poster image shipped with the application version")

configure_file(${PROJECT_SOURCE_DIR}/packaging/version.xml.in
               ${PROJECT_BINARY_DIR}/packaging/version.xml @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/app_info.xml.in
               ${PROJECT_BINARY_DIR}/packaging/app_info.xml @ONLY)

set(ZF_VERSION_DIR "apps/zorvath_fold/${ZF_VERSION}/${ZF_PLATFORM}")
set(ZF_ANONYMOUS_DIR "anonymous_platform")

# The poster belongs to the application version: never ship one without it.
install(CODE "
  if(NOT EXISTS \"${ZF_POSTER_FILE}\")
    message(FATAL_ERROR \"package: the poster image ${ZF_POSTER_FILE} is missing\")
  endif()")

foreach(zf_dir ${ZF_VERSION_DIR} ${ZF_ANONYMOUS_DIR})
  install(PROGRAMS $<TARGET_FILE:zorvath_fold> DESTINATION ${zf_dir} RENAME ${ZF_PROGRAM_NAME})
  # Installed executable: the client does not make a file of the version
  # executable when it finds one that is not.
  install(PROGRAMS $<TARGET_FILE:zorvath_fold_graphics> DESTINATION ${zf_dir} RENAME ${ZF_GRAPHICS_APP_NAME})
  install(FILES ${ZF_POSTER_FILE} DESTINATION ${zf_dir} RENAME ${ZF_POSTER_NAME})
endforeach()
install(FILES ${PROJECT_BINARY_DIR}/packaging/version.xml DESTINATION ${ZF_VERSION_DIR})
install(FILES ${PROJECT_BINARY_DIR}/packaging/app_info.xml DESTINATION ${ZF_ANONYMOUS_DIR})
