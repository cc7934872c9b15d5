quorvex_add_test(NAME text_table_test LABELS unit
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/text_table_test.cpp
    LIBS quorvex_texts)
quorvex_add_test(NAME text_menus_test LABELS unit
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/text_menus_test.cpp
    LIBS quorvex_texts)
quorvex_add_test(NAME text_literals_test LABELS unit
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/text_literals_test.cpp
    LIBS quorvex_texts)
