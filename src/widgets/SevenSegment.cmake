# The instrument widgets: seven-segment glyphs, readouts and clock, and the
# numeric entry field.
target_sources(tarvex_widgets PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/iTypes.h
  ${CMAKE_CURRENT_LIST_DIR}/iComponent.h
  ${CMAKE_CURRENT_LIST_DIR}/iComponent.cpp
  ${CMAKE_CURRENT_LIST_DIR}/iSevenSegmentCharacter.h
  ${CMAKE_CURRENT_LIST_DIR}/iSevenSegmentCharacter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/iSevenSegmentDisplay.h
  ${CMAKE_CURRENT_LIST_DIR}/iSevenSegmentDisplay.cpp
  ${CMAKE_CURRENT_LIST_DIR}/iSevenSegmentAnalog.h
  ${CMAKE_CURRENT_LIST_DIR}/iSevenSegmentAnalog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/iSevenSegmentClockSMPTE.h
  ${CMAKE_CURRENT_LIST_DIR}/iSevenSegmentClockSMPTE.cpp
  ${CMAKE_CURRENT_LIST_DIR}/iEditCustom.h
  ${CMAKE_CURRENT_LIST_DIR}/iEditCustom.cpp
  ${CMAKE_CURRENT_LIST_DIR}/iAnalogOutput.h
  ${CMAKE_CURRENT_LIST_DIR}/iAnalogOutput.cpp
)
