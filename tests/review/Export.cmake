# Tests of the spreadsheet export.
tarvex_add_test(tst_spreadsheetexport SOURCES tst_spreadsheetexport.cpp FakeDataSource.h
  RecordingAutomation.h LIBS tarvex_review)
