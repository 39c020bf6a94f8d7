// Value: the variant that every field read and write passes through.
// Numbers are stored inline (no heap); text uses std::string's small buffer.
// Dates are kept as the serial day number used by the desktop engine
// (days since 1899-12-30, the fraction is the time of day).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "dataaccess/date_text.h"

namespace qrv::dao {

enum class ValueKind : std::uint8_t { Null, Bool, Byte, Int16, Int32, Double, Text, Date };

class Value {
  public:
    Value() = default;
    static Value null() { return Value(); }
    static Value boolean(bool b) {
        Value v;
        v.kind_ = ValueKind::Bool;
        v.i_ = b ? 1 : 0;
        return v;
    }
    static Value byte(std::uint8_t b) {
        Value v;
        v.kind_ = ValueKind::Byte;
        v.i_ = b;
        return v;
    }
    static Value int16(std::int16_t i) {
        Value v;
        v.kind_ = ValueKind::Int16;
        v.i_ = i;
        return v;
    }
    static Value int32(std::int32_t i) {
        Value v;
        v.kind_ = ValueKind::Int32;
        v.i_ = i;
        return v;
    }
    static Value real(double d) {
        Value v;
        v.kind_ = ValueKind::Double;
        v.d_ = d;
        return v;
    }
    static Value date(double serial) {
        Value v;
        v.kind_ = ValueKind::Date;
        v.d_ = serial;
        return v;
    }
    static Value text(std::string s) {
        Value v;
        v.kind_ = ValueKind::Text;
        v.s_ = std::move(s);
        return v;
    }

    // Convenience constructors for literals in calling code.
    Value(bool b) : Value(boolean(b)) {}                        // NOLINT
    Value(int i) : Value(int32(i)) {}                           // NOLINT
    Value(double d) : Value(real(d)) {}                         // NOLINT
    Value(const char* s) : Value(text(s)) {}                    // NOLINT
    Value(std::string s) : Value(text(std::move(s))) {}         // NOLINT
    Value(std::string_view s) : Value(text(std::string(s))) {}  // NOLINT

    ValueKind kind() const { return kind_; }
    bool isNull() const { return kind_ == ValueKind::Null; }
    bool isText() const { return kind_ == ValueKind::Text; }
    bool isNumeric() const { return kind_ != ValueKind::Null && kind_ != ValueKind::Text; }

    // Numeric view. True is -1 as in the desktop engine; text is parsed when it
    // holds a whole number in the invariant format; otherwise nullopt.
    std::optional<double> toDouble() const;
    // Like toDouble but 0 for Null and unparsable text; for code that has checked the kind.
    double asDouble() const;
    bool asBool() const;         // nonzero numbers and "True"/"Yes" text are true
    std::string toText() const;  // the text form; Null gives ""
    const std::string& textRef() const { return s_; }
    double rawDouble() const { return d_; }

    // Equality as the desktop engine's variant compare: Null equals only Null,
    // numbers by value (across integer kinds), text exactly.
    friend bool operator==(const Value& a, const Value& b);

  private:
    ValueKind kind_ = ValueKind::Null;
    std::int64_t i_ = 0;
    double d_ = 0;
    std::string s_;
};

// Number to text that reads back as the same double (shortest round-trip form).
std::string numberToText(double d);
std::optional<double> parseNumber(std::string_view text);

}  // namespace qrv::dao
