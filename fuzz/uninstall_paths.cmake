# The uninstaller's checks of text read from the registry.
fuzzer(fuzz_uninstall_paths SOURCES ${CMAKE_CURRENT_LIST_DIR}/uninstall_paths.cpp LIBS uninstall_removal)
