# Folioload on arbitrary bytes as a single document file. Documents with
# pictures are longer than images, hence the larger limit.
fuzzer(folio SOURCES ${CMAKE_CURRENT_LIST_DIR}/folio_fuzz.cpp LIBS folio_core MAX_LEN 131072 TIMEOUT 30)
