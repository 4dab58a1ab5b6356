# Lays out the program as a BOINC application version: the server's
# apps/<app>/<version>/<platform>/ directory for update_versions, and an
# anonymous-platform directory whose files a volunteer copies into the
# project's directory.
# The client gives the task its shared memory as a file in the slot only to
# programs that declare an API version of 6 or later; the server cannot read
# the version from this binary, so the application version states it. The
# release build knows it from the BOINC library that it ships.
if(NOT ZF_API_VERSION)
  get_filename_component(zf_boinc_api_real "${BOINC_API_SHARED_LIB}" REALPATH)
  if(zf_boinc_api_real MATCHES "\\.so\\.([0-9]+\\.[0-9]+\\.[0-9]+)$")
    set(ZF_API_VERSION "${CMAKE_MATCH_1}")
  else()
    set(ZF_API_VERSION "7.20.5")
  endif()
endif()
# Physical names carry the version because a project's download directory
# keeps every version's files side by side and never replaces one.
set(ZF_PROGRAM_NAME "zorvath_fold_${ZF_VERSION}_${ZF_PLATFORM}")
set(ZF_GRAPHICS_APP_NAME "zorvath_fold_graphics_${ZF_VERSION}_${ZF_PLATFORM}")
set(ZF_POSTER_NAME "QuenlartPoster3_${ZF_VERSION}.jpg")
set(ZF_POSTER_FILE "${PROJECT_SOURCE_DIR}/assets/QuenlartPoster3.jpg"
    CACHE FILEPATH "Poster image shipped with the application version")

# The release build's BOINC libraries are files of the version like the
# others; no logical name, since only the loader looks for them, in the
# project directory beside the programs.
set(ZF_VERSION_XML_LIBRARIES "")
set(ZF_APP_INFO_LIBRARY_FILES "")
set(ZF_APP_INFO_LIBRARY_REFS "")
foreach(zf_library ${ZF_SHIPPED_BOINC_API_NAME} ${ZF_SHIPPED_BOINC_NAME})
  string(APPEND ZF_VERSION_XML_LIBRARIES
    "    <file>\n        <physical_name>${zf_library}</physical_name>\n    </file>\n")
  string(APPEND ZF_APP_INFO_LIBRARY_FILES
    "    <file_info>\n        <name>${zf_library}</name>\n        <executable/>\n    </file_info>\n")
  string(APPEND ZF_APP_INFO_LIBRARY_REFS
    "        <file_ref>\n            <file_name>${zf_library}</file_name>\n        </file_ref>\n")
endforeach()

# The companion's catalogues ship flat beside it, named after its physical
# name, which is where it looks for them (/proc/self/exe); the client's slot
# link is not needed, so they have no logical name either.
set(ZF_VERSION_XML_CATALOGUES "")
set(ZF_APP_INFO_CATALOGUE_FILES "")
set(ZF_APP_INFO_CATALOGUE_REFS "")
foreach(zf_language ${ZF_COMPANION_LANGUAGES})
  set(zf_catalogue "${ZF_GRAPHICS_APP_NAME}_${zf_language}.mo")
  string(APPEND ZF_VERSION_XML_CATALOGUES
    "    <file>\n        <physical_name>${zf_catalogue}</physical_name>\n    </file>\n")
  string(APPEND ZF_APP_INFO_CATALOGUE_FILES
    "    <file_info>\n        <name>${zf_catalogue}</name>\n    </file_info>\n")
  string(APPEND ZF_APP_INFO_CATALOGUE_REFS
    "        <file_ref>\n            <file_name>${zf_catalogue}</file_name>\n        </file_ref>\n")
endforeach()

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
  foreach(zf_language ${ZF_COMPANION_LANGUAGES})
    install(FILES ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/zorvath_fold_graphics_${zf_language}.mo
      DESTINATION ${zf_dir} RENAME ${ZF_GRAPHICS_APP_NAME}_${zf_language}.mo)
  endforeach()
  if(ZF_SHIP)
    install(PROGRAMS ${ZF_SHIPPED_LIBRARIES} DESTINATION ${zf_dir})
  endif()
endforeach()
install(FILES ${PROJECT_BINARY_DIR}/packaging/version.xml DESTINATION ${ZF_VERSION_DIR})
install(FILES ${PROJECT_BINARY_DIR}/packaging/app_info.xml DESTINATION ${ZF_ANONYMOUS_DIR})
