// The three operations every statement of the program goes through. The
// handles are passed in; the program keeps one of each for its whole life.
#pragma once

#include <string>

#include "runtime/database.h"

namespace dw {

// Opens the query on the record set (closing the statement it held), counts
// its rows and returns the count; the record set stays open at the first
// row. A statement that cannot be prepared gives 0.
int RunQuery(RecordSet& rs, Database& db, const std::string& sql);
// The same with values bound to the statement's "?" in order.
int RunQuery(RecordSet& rs, Database& db, const std::string& sql,
             const SqlValues& values);

// Closes the record set's statement.
void CloseQuery(RecordSet& rs);

// Runs the text on the connection, keeping no rows. True on success.
bool ExecuteSql(Database& db, const std::string& sql);
bool ExecuteSql(Database& db, const std::string& sql, const SqlValues& values);

}  // namespace dw
