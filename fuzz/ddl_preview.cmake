# The previews' readers on arbitrary bytes: DDL text into an HTML page, and
# a Draw file into pixels.
fuzzer(ddl_preview SOURCES ${CMAKE_CURRENT_LIST_DIR}/ddl_preview_fuzz.cpp LIBS ddl_preview_core MAX_LEN 65536 TIMEOUT 30)
