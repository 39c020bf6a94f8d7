// Conversions between SQLite's storage classes and Values of a field type,
// and the mapping of declared column types to type codes. Reading accepts
// whatever another SQLite client stored; writing converts to the field's
// type or fails with a type conversion error, as the desktop engine does.
#include <cctype>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "dataaccess/dialect/sql_dialect.h"
#include "dataaccess/objects/database_impl.h"
#include "dataaccess/schema/system_tables.h"

namespace qrv::dao {

const char* typeName(int type) {
    switch (type) {
        case dbBoolean:
            return "Yes/No";
        case dbByte:
            return "Byte";
        case dbInteger:
            return "Integer";
        case dbLong:
            return "Long";
        case dbCurrency:
            return "Currency";
        case dbSingle:
            return "Single";
        case dbDouble:
            return "Double";
        case dbDate:
            return "Date/Time";
        case dbBinary:
            return "Binary";
        case dbText:
            return "Text";
        case dbLongBinary:
            return "OLE Object";
        case dbMemo:
            return "Memo";
        case dbGUID:
            return "GUID";
        default:
            return "Unknown";
    }
}

long fixedSizeOf(int type) {
    switch (type) {
        case dbBoolean:
            return 1;
        case dbByte:
            return 1;
        case dbInteger:
            return 2;
        case dbLong:
            return 4;
        case dbCurrency:
            return 8;
        case dbSingle:
            return 4;
        case dbDouble:
            return 8;
        case dbDate:
            return 8;
        case dbGUID:
            return 16;
        default:
            return 0;
    }
}

namespace detail {

namespace {

std::string upper(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return r;
}

bool isWholeNumber(double d) {
    return std::isfinite(d) && d == std::floor(d);
}

Error conversionError() {
    return makeError(err::kTypeConversion, "Data type conversion error.");
}
Error overflowError() {
    return makeError(err::kOverflow, "Numeric field overflow.");
}

// Banker's rounding, as the desktop engine converts fractions to integers.
double roundHalfEven(double d) {
    return std::nearbyint(d);
}

}  // namespace

void typeFromDeclared(std::string_view declared, int& type, long& size) {
    std::string d = upper(declared);
    long n = 0;
    if (auto p = d.find('('); p != std::string::npos) {
        n = std::strtol(d.c_str() + p + 1, nullptr, 10);
        d = d.substr(0, p);
    }
    while (!d.empty() && d.back() == ' ') d.pop_back();
    auto is = [&](std::initializer_list<const char*> names) {
        for (const char* x : names)
            if (d == x) return true;
        return false;
    };
    if (is({"BOOLEAN", "BOOL", "BIT", "YESNO", "LOGICAL"}))
        type = dbBoolean;
    else if (is({"BYTE", "TINYINT", "INTEGER1"}))
        type = dbByte;
    else if (is({"SMALLINT", "SHORT", "INT2", "INTEGER2"}))
        type = dbInteger;
    else if (is({"INTEGER", "INT", "LONG", "INT4", "INTEGER4", "COUNTER", "AUTOINCREMENT",
                 "MEDIUMINT", "BIGINT", "INT8"}))
        type = dbLong;
    else if (is({"CURRENCY", "MONEY"}))
        type = dbCurrency;
    else if (is({"SINGLE", "FLOAT4", "IEEESINGLE"}))
        type = dbSingle;
    else if (is({"DOUBLE", "REAL", "FLOAT", "FLOAT8", "NUMERIC", "DECIMAL", "NUMBER",
                 "DOUBLE PRECISION", "IEEEDOUBLE"}))
        type = dbDouble;
    else if (is({"DATETIME", "DATE", "TIME", "TIMESTAMP"}))
        type = dbDate;
    else if (is({"BINARY", "VARBINARY"}))
        type = dbBinary;
    else if (is({"VARCHAR", "CHAR", "CHARACTER", "NVARCHAR", "NCHAR", "TEXT", "STRING",
                 "ALPHANUMERIC", "VARYING CHARACTER"}) &&
             n > 0)
        type = dbText;
    else if (is({"LONGBINARY", "BLOB", "IMAGE", "OLEOBJECT", "GENERAL"}))
        type = dbLongBinary;
    else if (is({"LONGTEXT", "MEMO", "TEXT", "CLOB", "NOTE", "VARCHAR", "NVARCHAR", "CHAR"}))
        type = dbMemo;
    else if (is({"GUID", "UNIQUEIDENTIFIER"}))
        type = dbGUID;
    else if (d.find("INT") != std::string::npos)
        type = dbLong;
    else if (d.find("CHAR") != std::string::npos || d.find("TEXT") != std::string::npos ||
             d.find("CLOB") != std::string::npos)
        type = n > 0 ? dbText : dbMemo;
    else if (d.find("REAL") != std::string::npos || d.find("FLOA") != std::string::npos ||
             d.find("DOUB") != std::string::npos)
        type = dbDouble;
    else
        type = dbMemo;  // untyped columns hold anything; text is the safe reading
    size = type == dbText ? n : (type == dbBinary ? n : fixedSizeOf(type));
}

Value readColumn(sqlite3_stmt* s, int col, int type) {
    switch (sqlite3_column_type(s, col)) {
        case SQLITE_NULL:
            return Value();
        case SQLITE_INTEGER: {
            const sqlite3_int64 v = sqlite3_column_int64(s, col);
            switch (type) {
                case dbBoolean:
                    return Value::boolean(v != 0);
                case dbByte:
                    if (v >= 0 && v <= 255) return Value::byte(static_cast<std::uint8_t>(v));
                    break;
                case dbInteger:
                    if (v >= -32768 && v <= 32767)
                        return Value::int16(static_cast<std::int16_t>(v));
                    break;
                case dbLong:
                    if (v >= std::numeric_limits<std::int32_t>::min() &&
                        v <= std::numeric_limits<std::int32_t>::max())
                        return Value::int32(static_cast<std::int32_t>(v));
                    break;
                case dbDate:
                    return Value::date(static_cast<double>(v));
                case dbText:
                case dbMemo:
                    return Value::text(std::to_string(v));
                default:
                    break;
            }
            return Value::real(static_cast<double>(v));
        }
        case SQLITE_FLOAT: {
            const double d = sqlite3_column_double(s, col);
            switch (type) {
                case dbBoolean:
                    return Value::boolean(d != 0);
                case dbDate:
                    return Value::date(d);
                case dbText:
                case dbMemo:
                    return Value::text(numberToText(d));
                case dbLong:
                    if (isWholeNumber(d) && std::fabs(d) <= 2147483647.0)
                        return Value::int32(static_cast<std::int32_t>(d));
                    break;
                case dbInteger:
                    if (isWholeNumber(d) && std::fabs(d) <= 32767.0)
                        return Value::int16(static_cast<std::int16_t>(d));
                    break;
                default:
                    break;
            }
            return Value::real(d);
        }
        case SQLITE_TEXT:
        case SQLITE_BLOB: {
            const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(s, col));
            const int n = sqlite3_column_bytes(s, col);
            std::string_view t(p ? p : "", static_cast<size_t>(n));
            if (type == dbDate)
                if (auto serial = parseDateText(t)) return Value::date(*serial);
            return Value::text(std::string(t));
        }
        default:
            return Value();
    }
}

Error bindValue(sqlite3_stmt* s, int idx, const Value& v, int type, std::string_view fieldName) {
    (void)fieldName;
    if (v.isNull()) {
        sqlite3_bind_null(s, idx);
        return {};
    }
    switch (type) {
        case dbBoolean: {
            if (v.isText()) {
                std::string t = upper(v.textRef());
                bool b;
                if (t == "TRUE" || t == "YES" || t == "ON")
                    b = true;
                else if (t == "FALSE" || t == "NO" || t == "OFF")
                    b = false;
                else if (auto d = parseNumber(t))
                    b = *d != 0;
                else
                    return conversionError();
                sqlite3_bind_int(s, idx, b ? 1 : 0);
            } else {
                sqlite3_bind_int(s, idx, v.asDouble() != 0 ? 1 : 0);
            }
            return {};
        }
        case dbByte:
        case dbInteger:
        case dbLong: {
            auto d = v.toDouble();
            if (!d || !std::isfinite(*d)) return conversionError();
            const double r = roundHalfEven(*d);
            const double lo = type == dbByte ? 0 : type == dbInteger ? -32768.0 : -2147483648.0;
            const double hi = type == dbByte ? 255 : type == dbInteger ? 32767.0 : 2147483647.0;
            if (r < lo || r > hi) return overflowError();
            sqlite3_bind_int64(s, idx, static_cast<sqlite3_int64>(r));
            return {};
        }
        case dbSingle:
        case dbDouble:
        case dbCurrency: {
            double d;
            if (v.kind() == ValueKind::Double)
                d = v.rawDouble();
            else if (auto o = v.toDouble())
                d = *o;
            else
                return conversionError();
            if (type == dbSingle) d = static_cast<float>(d);
            if (type == dbCurrency) d = std::nearbyint(d * 10000.0) / 10000.0;
            sqlite3_bind_double(s, idx, d);
            return {};
        }
        case dbDate: {
            std::string iso;
            if (v.isText()) {
                auto serial = parseDateText(v.textRef());
                if (!serial) return conversionError();
                iso = serialDateToIso(*serial);
            } else {
                iso = serialDateToIso(v.asDouble());
            }
            sqlite3_bind_text(s, idx, iso.c_str(), static_cast<int>(iso.size()), SQLITE_TRANSIENT);
            return {};
        }
        default: {
            if (v.isText()) {
                const std::string& t = v.textRef();
                sqlite3_bind_text(s, idx, t.data(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
            } else {
                std::string t = v.toText();
                sqlite3_bind_text(s, idx, t.data(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
            }
            return {};
        }
    }
}

Error checkName(std::string_view name, bool fieldName) {
    auto bad = [&] {
        std::string text = "'";
        text += name;
        text +=
            "' isn't a valid name. Make sure that it doesn't include invalid characters or "
            "punctuation and that it isn't too long.";
        return makeError(3125, std::move(text));
    };
    // The limit counts characters, not the bytes of their UTF-8 form.
    const auto length = utf8Length(name);
    if (!length || *length == 0 || *length > 64 || name.front() == ' ') return bad();
    for (unsigned char c : name)
        if (c < 32 || (c == '.' && !fieldName) || c == '!' || c == '`' || c == '[' || c == ']')
            return bad();
    if (upper(name.substr(0, 7)) == "SQLITE_" || iequal(name, kCatalogTable)) return bad();
    // The layer's own tables cannot be made, or renamed into, by users.
    if (!fieldName && isSystemTable(name)) return bad();
    return {};
}

}  // namespace detail
}  // namespace qrv::dao
