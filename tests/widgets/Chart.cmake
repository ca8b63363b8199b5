# Tests of the strip charts.
tarvex_add_test(tst_chart SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_chart.cpp LIBS tarvex_widgets)
