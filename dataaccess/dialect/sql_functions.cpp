// SQL functions the translated dialect relies on: the dialect's LIKE
// (sql_like.cpp), the sample and population deviation and variance
// aggregates, First/Last, the operators and conversions; and the QRV_FOLD
// and QRV_CASELESS collations. Registered on every connection; they keep no
// state beyond one aggregate group.
#include "dataaccess/dialect/sql_functions.h"

#include <sqlite3.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

#include "dataaccess/date_text.h"
#include "dataaccess/dialect/sql_like.h"
#include "dataaccess/fold.h"
#include "dataaccess/value.h"
#include "numeric/moments.h"

namespace qrv::dao {

namespace {

// ---- qrv_stdev, qrv_stdevp, qrv_var, qrv_varp ----------------------------
//
// The shared moments kernel: sums about the first value, so no cancellation
// when the values are large compared with their spread, and no value (Null)
// when the spread overflows the doubles.

struct SpreadState {
    bool started;   // sums constructed in place
    bool mismatch;  // a value that is neither a number nor Null
    alignas(num::Moments) unsigned char sums[sizeof(num::Moments)];
};
static_assert(std::is_trivially_destructible_v<num::Moments>);

enum Spread : int { kStDev, kStDevP, kVar, kVarP };

void momentsStep(sqlite3_context* ctx, int, sqlite3_value** argv) {
    // The context starts zeroed; the sums are made on the first row.
    auto* s = static_cast<SpreadState*>(sqlite3_aggregate_context(ctx, sizeof(SpreadState)));
    if (s == nullptr) {
        sqlite3_result_error_nomem(ctx);
        return;
    }
    const int type = sqlite3_value_numeric_type(argv[0]);
    if (type == SQLITE_NULL) return;
    if (type != SQLITE_INTEGER && type != SQLITE_FLOAT) {
        s->mismatch = true;
        return;
    }
    if (!s->started) {
        new (s->sums) num::Moments(num::Moments::Powers::ToSecond);
        s->started = true;
    }
    std::launder(reinterpret_cast<num::Moments*>(s->sums))->add(sqlite3_value_double(argv[0]));
}

void momentsFinal(sqlite3_context* ctx) {
    const auto* s = static_cast<SpreadState*>(sqlite3_aggregate_context(ctx, 0));
    if (s != nullptr && s->mismatch) {
        sqlite3_result_error(ctx, "Data type mismatch in criteria expression.", -1);
        return;
    }
    if (s == nullptr || !s->started) {
        sqlite3_result_null(ctx);
        return;
    }
    const num::Moments& m = *std::launder(reinterpret_cast<const num::Moments*>(s->sums));
    const int which = static_cast<int>(reinterpret_cast<std::intptr_t>(sqlite3_user_data(ctx)));
    const char* method = which == kStDev || which == kVar ? "N-1" : "N";
    const std::optional<double> v = which == kStDev || which == kStDevP
                                        ? num::stdDeviation(m, method)
                                        : num::variance(m, method);
    if (v)
        sqlite3_result_double(ctx, *v);
    else
        sqlite3_result_null(ctx);
}

// ---- qrv_first, qrv_last ---------------------------------------------------
//
// The value of the first or last row of the group as the rows arrive, Null
// included, as the dialect defines them.

struct Kept {
    sqlite3_value* value;
    bool seen;
};

void keepStep(sqlite3_context* ctx, int, sqlite3_value** argv) {
    auto* k = static_cast<Kept*>(sqlite3_aggregate_context(ctx, sizeof(Kept)));
    if (k == nullptr) {
        sqlite3_result_error_nomem(ctx);
        return;
    }
    const bool last = sqlite3_user_data(ctx) != nullptr;
    if (k->seen && !last) return;
    sqlite3_value* copy = sqlite3_value_dup(argv[0]);
    if (copy == nullptr) {
        sqlite3_result_error_nomem(ctx);
        return;
    }
    sqlite3_value_free(k->value);
    k->value = copy;
    k->seen = true;
}

void keepFinal(sqlite3_context* ctx) {
    auto* k = static_cast<Kept*>(sqlite3_aggregate_context(ctx, 0));
    if (k == nullptr || k->value == nullptr) {
        sqlite3_result_null(ctx);
        return;
    }
    sqlite3_result_value(ctx, k->value);
    sqlite3_value_free(k->value);
    k->value = nullptr;
}

// ---- qrv_idiv(a, b), qrv_mod(a, b) -----------------------------------------
//
// The dialect's "\" and Mod: both operands are first made whole by rounding
// half to even, as the dialect's integer conversion does; "\" then truncates
// toward zero and Mod takes the sign of the dividend. Null in, Null out; a zero
// divisor gives Null, as "/" by zero does in translated SQL.

// The operand made whole; false (with the error set) for text that is not a
// number or a value out of range.
bool wholeOperand(sqlite3_context* ctx, sqlite3_value* v, std::int64_t& out) {
    const int type = sqlite3_value_numeric_type(v);
    if (type == SQLITE_INTEGER) {
        out = sqlite3_value_int64(v);
        return true;
    }
    if (type != SQLITE_FLOAT) {
        sqlite3_result_error(ctx, "Data type mismatch in criteria expression.", -1);
        return false;
    }
    const double r = std::nearbyint(sqlite3_value_double(v));  // default mode: half to even
    if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0)) {
        sqlite3_result_error(ctx, "Overflow.", -1);
        return false;
    }
    out = static_cast<std::int64_t>(r);
    return true;
}

void wholeDivision(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    std::int64_t a = 0, b = 0;
    if (!wholeOperand(ctx, argv[0], a) || !wholeOperand(ctx, argv[1], b)) return;
    const bool mod = sqlite3_user_data(ctx) != nullptr;
    if (b == 0) {
        sqlite3_result_null(ctx);
    } else if (b == -1) {
        // The one quotient that does not fit: INT64_MIN / -1.
        if (mod)
            sqlite3_result_int64(ctx, 0);
        else if (a == INT64_MIN)
            sqlite3_result_error(ctx, "Overflow.", -1);
        else
            sqlite3_result_int64(ctx, -a);
    } else {
        sqlite3_result_int64(ctx, mod ? a % b : a / b);
    }
}

// ---- qrv_cat(a, b) -----------------------------------------------------------
//
// The dialect's "&": a Null operand joins as empty text, and only two Nulls
// give Null. Numbers join in the dialect's own form: a whole double has no
// ".0", others show up to 15 significant digits.

void appendText(std::string& out, sqlite3_value* v) {
    switch (sqlite3_value_type(v)) {
        case SQLITE_NULL:
            return;
        case SQLITE_FLOAT: {
            char buf[32];
            double x = sqlite3_value_double(v);
            if (x == 0) x = 0;  // -0 joins as "0"
            const int n = std::snprintf(buf, sizeof buf, "%.15G", x);
            if (n > 0) out.append(buf, static_cast<std::size_t>(n));
            return;
        }
        default: {
            const unsigned char* t = sqlite3_value_text(v);
            if (t != nullptr)
                out.append(reinterpret_cast<const char*>(t),
                           static_cast<std::size_t>(sqlite3_value_bytes(v)));
        }
    }
}

void concatFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL && sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    std::string out;
    appendText(out, argv[0]);
    appendText(out, argv[1]);
    sqlite3_result_text64(ctx, out.data(), out.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

// ---- qrv_num(value) ----------------------------------------------------------
//
// A text that reads as a number becomes that number; anything else is
// returned as it is. Wrapped around the text side of a comparison with a
// number, so "'10' > 9" compares 10 with 9, while a text that is no number
// still sorts after every number.

void numberFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_TEXT) sqlite3_value_numeric_type(argv[0]);
    sqlite3_result_value(ctx, argv[0]);
}

// ---- qrv_yesno(value) --------------------------------------------------------
//
// A value written into a Yes/No field in its stored form, 1 or 0: any number
// other than 0 (True is -1) is Yes, and so are the texts "True", "Yes", "On"
// and a numeric text other than 0; "False", "No", "Off" are No. Anything else
// is returned as it is, for the field's own rule to refuse.

void yesNoFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    sqlite3_value* v = argv[0];
    switch (sqlite3_value_type(v)) {
        case SQLITE_INTEGER:
        case SQLITE_FLOAT:
            sqlite3_result_int(ctx, sqlite3_value_double(v) != 0 ? 1 : 0);
            return;
        case SQLITE_TEXT: {
            const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
            std::string_view t(p, static_cast<size_t>(sqlite3_value_bytes(v)));
            while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
            while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
            for (std::string_view yes : {"true", "yes", "on"})
                if (iequal(t, yes)) return sqlite3_result_int(ctx, 1);
            for (std::string_view no : {"false", "no", "off"})
                if (iequal(t, no)) return sqlite3_result_int(ctx, 0);
            if (const std::optional<double> d = parseNumber(t))
                return sqlite3_result_int(ctx, *d != 0 ? 1 : 0);
            break;
        }
        default:
            break;
    }
    sqlite3_result_value(ctx, v);
}

// ---- qrv_serial(value) -------------------------------------------------------
//
// A field's value as a day number, for arithmetic next to a date: a date's
// stored text gives its serial day, a number stays itself, a numeric text
// its number; any other text is Null.

void serialFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    switch (sqlite3_value_type(argv[0])) {
        case SQLITE_INTEGER:
        case SQLITE_FLOAT:
            sqlite3_result_value(ctx, argv[0]);
            return;
        case SQLITE_TEXT: {
            const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
            const std::string_view text(p, static_cast<size_t>(sqlite3_value_bytes(argv[0])));
            if (const std::optional<double> serial = parseDateText(text)) {
                sqlite3_result_double(ctx, *serial);
                return;
            }
            if (sqlite3_value_numeric_type(argv[0]) != SQLITE_TEXT) {
                sqlite3_result_value(ctx, argv[0]);
                return;
            }
            break;
        }
        default:
            break;
    }
    sqlite3_result_null(ctx);
}

// ---- qrv_add(a, b), qrv_sub(a, b) -------------------------------------------
//
// "+" and "-" where a field's value decides what they mean: two texts join
// (for "+"), a date's stored text counts as its serial day number and a
// date moved by days stays a date, a numeric text counts as its number. Any
// other text is Null: the dialect has no number for it.

struct Operand {
    bool null = false;
    bool date = false;
    bool integer = false;
    std::int64_t i = 0;
    double d = 0;
};

Operand operandOf(sqlite3_value* v) {
    Operand o;
    switch (sqlite3_value_type(v)) {
        case SQLITE_NULL:
            o.null = true;
            return o;
        case SQLITE_INTEGER:
            o.integer = true;
            o.i = sqlite3_value_int64(v);
            o.d = static_cast<double>(o.i);
            return o;
        case SQLITE_FLOAT:
            o.d = sqlite3_value_double(v);
            return o;
        case SQLITE_TEXT: {
            const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
            const std::string_view text(p, static_cast<size_t>(sqlite3_value_bytes(v)));
            if (isStoredDateText(text)) {
                o.date = true;
                o.d = *parseDateText(text);
                return o;
            }
            const int type = sqlite3_value_numeric_type(v);
            if (type == SQLITE_INTEGER) {
                o.integer = true;
                o.i = sqlite3_value_int64(v);
                o.d = static_cast<double>(o.i);
                return o;
            }
            if (type == SQLITE_FLOAT) {
                o.d = sqlite3_value_double(v);
                return o;
            }
            o.null = true;
            return o;
        }
        default:
            o.null = true;
            return o;
    }
}

void addOrSubtract(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const bool subtract = sqlite3_user_data(ctx) != nullptr;
    if (!subtract && sqlite3_value_type(argv[0]) == SQLITE_TEXT &&
        sqlite3_value_type(argv[1]) == SQLITE_TEXT) {
        const auto* a = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
        const auto* b = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
        const std::string_view x(a, static_cast<size_t>(sqlite3_value_bytes(argv[0])));
        const std::string_view y(b, static_cast<size_t>(sqlite3_value_bytes(argv[1])));
        if (!isStoredDateText(x) && !isStoredDateText(y)) {
            std::string joined;
            joined.reserve(x.size() + y.size());
            joined.append(x).append(y);
            sqlite3_result_text64(ctx, joined.data(), joined.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
            return;
        }
    }
    const Operand a = operandOf(argv[0]);
    const Operand b = operandOf(argv[1]);
    if (a.null || b.null) {
        sqlite3_result_null(ctx);
        return;
    }
    // A date plus days, or minus days, is a date; between two dates lie days.
    const bool date = subtract ? a.date && !b.date : a.date || b.date;
    if (date) {
        const double serial = subtract ? a.d - b.d : a.d + b.d;
        const std::string iso = serialDateToIso(serial);
        sqlite3_result_text64(ctx, iso.data(), iso.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
        return;
    }
    std::int64_t r = 0;
    if (a.integer && b.integer &&
        !(subtract ? __builtin_sub_overflow(a.i, b.i, &r) : __builtin_add_overflow(a.i, b.i, &r))) {
        sqlite3_result_int64(ctx, r);
        return;
    }
    sqlite3_result_double(ctx, subtract ? a.d - b.d : a.d + b.d);
}

// ---- QRV_FOLD collation ------------------------------------------------------
//
// Text by its case fold, fold-equal texts by their bytes: the order in which
// rows of one group (names equal but for case) arrive together.

int foldCollation(void*, int n1, const void* p1, int n2, const void* p2) {
    return compareFolded(std::string_view(static_cast<const char*>(p1), static_cast<size_t>(n1)),
                         std::string_view(static_cast<const char*>(p2), static_cast<size_t>(n2)));
}

// QRV_CASELESS: texts by their case fold alone, texts equal but for case tied.
// Ordering several fields by it before QRV_FOLD puts the rows of one group
// (every field equal but for case) together even when a later field differs
// between the case variants of an earlier one.
int caselessCollation(void*, int n1, const void* p1, int n2, const void* p2) {
    return compareFoldOnly(std::string_view(static_cast<const char*>(p1), static_cast<size_t>(n1)),
                           std::string_view(static_cast<const char*>(p2), static_cast<size_t>(n2)));
}

}  // namespace

int registerDialectFunctions(sqlite3* db) {
    constexpr int kPure = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    int rc = sqlite3_create_function_v2(db, "qrv_like", 2, kPure, nullptr, likeFunction, nullptr,
                                        nullptr, nullptr);
    struct Aggregate {
        const char* name;
        std::intptr_t which;
    };
    static constexpr Aggregate kSpreads[] = {
        {"qrv_stdev", kStDev}, {"qrv_stdevp", kStDevP}, {"qrv_var", kVar}, {"qrv_varp", kVarP}};
    for (const Aggregate& a : kSpreads) {
        if (rc != SQLITE_OK) return rc;
        rc = sqlite3_create_function_v2(db, a.name, 1, kPure, reinterpret_cast<void*>(a.which),
                                        nullptr, momentsStep, momentsFinal, nullptr);
    }
    struct Scalar {
        const char* name;
        int args;
        void (*fn)(sqlite3_context*, int, sqlite3_value**);
        void* data;
    };
    const Scalar kScalars[] = {
        {"qrv_idiv", 2, wholeDivision, nullptr},
        {"qrv_mod", 2, wholeDivision, reinterpret_cast<void*>(1)},
        {"qrv_cat", 2, concatFunction, nullptr},
        {"qrv_num", 1, numberFunction, nullptr},
        {"qrv_serial", 1, serialFunction, nullptr},
        {"qrv_yesno", 1, yesNoFunction, nullptr},
        {"qrv_add", 2, addOrSubtract, nullptr},
        {"qrv_sub", 2, addOrSubtract, reinterpret_cast<void*>(1)},
    };
    for (const Scalar& f : kScalars) {
        if (rc != SQLITE_OK) return rc;
        rc = sqlite3_create_function_v2(db, f.name, f.args, kPure, f.data, f.fn, nullptr, nullptr,
                                        nullptr);
    }
    // First and Last depend on row order, so they are not marked deterministic.
    constexpr int kOrdered = SQLITE_UTF8 | SQLITE_INNOCUOUS;
    if (rc == SQLITE_OK)
        rc = sqlite3_create_function_v2(db, "qrv_first", 1, kOrdered, nullptr, nullptr, keepStep,
                                        keepFinal, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_create_function_v2(db, "qrv_last", 1, kOrdered, reinterpret_cast<void*>(1),
                                        nullptr, keepStep, keepFinal, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_create_collation_v2(db, "QRV_FOLD", SQLITE_UTF8, nullptr, foldCollation,
                                         nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_create_collation_v2(db, "QRV_CASELESS", SQLITE_UTF8, nullptr,
                                         caselessCollation, nullptr);
    return rc;
}

}  // namespace qrv::dao
