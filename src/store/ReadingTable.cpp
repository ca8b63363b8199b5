#include "store/ReadingTable.h"

namespace tarvex {

void SetUpReadingTable(TTable& table) {
    table.Close();
    table.SetDatabaseName(QString::fromLatin1(kStoreAlias));
    table.SetTableName(QString::fromLatin1(kReadingTable));
}

void OpenReadingQuery(TQuery& query) {
    query.Close();
    query.SetDatabaseName(QString::fromLatin1(kStoreAlias));
    query.SetSQL({QString::fromLatin1(kReadingStatement)});
    query.Open();
}

} // namespace tarvex
