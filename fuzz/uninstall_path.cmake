# The uninstaller's reading of text from the registry: the installation path and the registry items.
fuzzer(uninstall_path_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/uninstall_path_fuzz.cpp LIBS uninstall_removal)
