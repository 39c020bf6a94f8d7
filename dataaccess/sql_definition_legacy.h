// Definition statements (CREATE TABLE, CREATE INDEX, ALTER TABLE, DROP)
// checked word by word and passed on to SQLite with names and literals
// re-quoted.
#pragma once

#include <vector>

#include "dataaccess/sql_dialect.h"
#include "dataaccess/sql_tokenizer.h"

namespace qrv::dao::sql {

Result<TranslatedSql> translateDefinition(const std::vector<Token>& tokens);

}  // namespace qrv::dao::sql
