// Type codes and option constants of the data-access object model. Callers
// pass these numbers exactly as the desktop engine's object model defines them.
#pragma once

namespace qrv::dao {

// Field type codes.
inline constexpr int dbBoolean = 1;
inline constexpr int dbByte = 2;
inline constexpr int dbInteger = 3;
inline constexpr int dbLong = 4;
inline constexpr int dbCurrency = 5;
inline constexpr int dbSingle = 6;
inline constexpr int dbDouble = 7;
inline constexpr int dbDate = 8;
inline constexpr int dbBinary = 9;
inline constexpr int dbText = 10;
inline constexpr int dbLongBinary = 11;
inline constexpr int dbMemo = 12;
inline constexpr int dbGUID = 15;

// Recordset types.
inline constexpr int dbOpenTable = 1;
inline constexpr int dbOpenDynaset = 2;
inline constexpr int dbOpenSnapshot = 4;
inline constexpr int dbOpenForwardOnly = 8;

// Recordset options.
inline constexpr int dbReadOnly = 4;
inline constexpr int dbAppendOnly = 8;
inline constexpr int dbSeeChanges = 512;

// Field attributes.
inline constexpr long dbFixedField = 1;
inline constexpr long dbVariableField = 2;
inline constexpr long dbAutoIncrField = 16;
inline constexpr long dbUpdatableField = 32;

// Collating orders.
inline constexpr int dbSortGeneral = 1033;
inline constexpr int dbSortNeutral = 1024;

// Idle options.
inline constexpr int dbRefreshCache = 8;

// The locale text passed when creating a database.
inline constexpr const char* dbLangGeneral = ";LANGID=0x0409;CP=1252;COUNTRY=0";

// Name of a type code as the wizard shows it ("Text", "Long", ...); "Unknown" otherwise.
const char* typeName(int type);
// Storage size in bytes of a fixed-size type; 0 for text, memo and binary.
long fixedSizeOf(int type);

}  // namespace qrv::dao
