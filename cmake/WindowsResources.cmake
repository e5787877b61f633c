# What Windows and its administrators expect inside each program of the set:
# a version resource (Explorer's Details tab, installers and inventory tools
# read it) and, for the converters, an application manifest.

# The one product version is project()'s VERSION; these name its maker.
set(FILTERS_COMPANY_NAME "Velmora")
set(FILTERS_PRODUCT_NAME "Velmora's Filters")

# windows_version_resource(<target> <description>): adds the version resource
# of <target>.exe, with <description> as its FileDescription.
function(windows_version_resource target description)
  foreach(part MAJOR MINOR PATCH TWEAK)
    if(PROJECT_VERSION_${part} STREQUAL "")
      set(VERSION_${part} 0)
    else()
      set(VERSION_${part} ${PROJECT_VERSION_${part}})
    endif()
  endforeach()
  set(VERSION_TEXT ${PROJECT_VERSION})
  set(VERSION_DESCRIPTION "${description}")
  set(VERSION_INTERNAL_NAME ${target})
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${FILTERS_SOURCE_ROOT}/cmake/windows/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()

# windows_console_manifest(<target>): the converters' manifest. They run with
# the rights of whoever starts them (so Windows neither guesses at elevation
# nor virtualises their file writes) and declare the Windows versions they
# were made for.
function(windows_console_manifest target)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(MANIFEST_ARCHITECTURE amd64)
  else()
    set(MANIFEST_ARCHITECTURE X86)
  endif()
  set(MANIFEST_NAME ${target})
  set(MANIFEST_VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0)
  set(manifest ${CMAKE_CURRENT_BINARY_DIR}/${target}.manifest)
  configure_file(${FILTERS_SOURCE_ROOT}/cmake/windows/console.manifest.in ${manifest} @ONLY)
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_manifest.rc)
  # 1 and 24: CREATEPROCESS_MANIFEST_RESOURCE_ID and RT_MANIFEST.
  file(WRITE ${rc} "1 24 \"${manifest}\"\n")
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${manifest})
  target_sources(${target} PRIVATE ${rc})
endfunction()
