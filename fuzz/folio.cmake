# Folioload on arbitrary bytes as a single document file.
fuzzer(folio_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/folio_fuzz.cpp LIBS folio_core)
