# The uninstaller's reading of text from the registry: the installation path
# and the registry items. A registry value holds at most a few paths.
fuzzer(uninstall_path SOURCES ${CMAKE_CURRENT_LIST_DIR}/uninstall_path_fuzz.cpp LIBS uninstall_removal MAX_LEN 4096)
