// The reading table as every part of the program reaches it: the alias
// RoruvEde, the table Tarvex in it, and the statement that lists its rows.
// The control window stores readings through a table set up here; the query
// window, the report and the export read them through a query opened here.
#pragma once

#include "store/TableEngine.h"

namespace tarvex {

inline constexpr char kStoreAlias[] = "RoruvEde";
inline constexpr char kReadingTable[] = "Tarvex";
inline constexpr char kReadingStatement[] = "select * from Tarvex";

// Closes table and points it at the reading table of the alias.
void SetUpReadingTable(TTable& table);

// Closes query, points it at the alias with the single statement
// "select * from Tarvex" and opens it on its first row. Raises the engine's
// DatabaseError when the query cannot be opened; it is then closed.
void OpenReadingQuery(TQuery& query);

} // namespace tarvex
