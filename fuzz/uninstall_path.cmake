# The uninstaller's checks of the text it reads from the registry. A harness
# of its path function in uninstall_path_fuzz.cpp takes the older entry's place.
if(EXISTS ${CMAKE_CURRENT_LIST_DIR}/uninstall_path_fuzz.cpp)
  set(uninstall_path_harness ${CMAKE_CURRENT_LIST_DIR}/uninstall_path_fuzz.cpp)
else()
  set(uninstall_path_harness ${CMAKE_CURRENT_LIST_DIR}/uninstall_paths.cpp)
endif()
fuzzer(uninstall_path SOURCES ${uninstall_path_harness} LIBS uninstall_removal MAX_LEN 4096)
