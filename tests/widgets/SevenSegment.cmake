# Tests of the seven-segment widgets and the numeric entry field.
tarvex_add_test(tst_sevensegment_glyphs SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_sevensegment_glyphs.cpp
  LIBS tarvex_widgets)
tarvex_add_test(tst_sevensegment_readout SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_sevensegment_readout.cpp
  LIBS tarvex_widgets)
tarvex_add_test(tst_sevensegment_clock SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_sevensegment_clock.cpp
  LIBS tarvex_widgets)
tarvex_add_test(tst_analog_output SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_analog_output.cpp
  LIBS tarvex_widgets)
