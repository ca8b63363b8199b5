# The spreadsheet export: the automation interface and the export component.
target_sources(tarvex_review PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/SpreadsheetAutomation.h
  ${CMAKE_CURRENT_LIST_DIR}/SpreadsheetExport.h
  ${CMAKE_CURRENT_LIST_DIR}/SpreadsheetExport.cpp
)
