// Errors of the data-access layer travel as values: a number and a text.
// The numbers follow the desktop database engine's own numbering, because
// callers compare them (3265 missing item, 3061 parameters expected, ...).
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace qrv::dao {

struct Error {
    int number = 0;
    std::string description;

    bool ok() const { return number == 0; }
    explicit operator bool() const { return number != 0; }  // true when it is an error
};

// The error numbers this layer produces.
namespace err {
inline constexpr int kNoCurrentRecord = 3021;
inline constexpr int kDuplicateKey = 3022;
inline constexpr int kFileNotFound = 3024;
inline constexpr int kReadOnly = 3027;
inline constexpr int kWorkgroupMissing = 3028;
inline constexpr int kNotValidAccount = 3029;
inline constexpr int kNotValidPassword = 3031;
inline constexpr int kAccountExists = 3390;
inline constexpr int kObjectClosed = 3420;
inline constexpr int kNotValidPath = 3044;
inline constexpr int kCannotOpen = 3051;
inline constexpr int kCorrupt = 3049;
inline constexpr int kTooFewParameters = 3061;
inline constexpr int kSyntaxInExpression = 3075;
inline constexpr int kInputTableNotFound = 3078;
inline constexpr int kUndefinedFunction = 3085;
inline constexpr int kTableExists = 3010;
inline constexpr int kObjectExists = 3012;
inline constexpr int kInvalidStatement = 3129;
inline constexpr int kSyntaxError = 3134;
inline constexpr int kCharsAfterEnd = 3142;
inline constexpr int kFieldTooSmall = 3163;
inline constexpr int kRecordDeleted = 3167;
inline constexpr int kDatabaseExists = 3204;
inline constexpr int kInvalidOperation = 3219;
inline constexpr int kItemNotFound = 3265;
inline constexpr int kNoAddNewOrEdit = 3020;
inline constexpr int kRequired = 3314;
inline constexpr int kNullInKey = 3058;
inline constexpr int kOverflow = 3349;
inline constexpr int kZeroLength = 3315;
inline constexpr int kValidationRule = 3317;
inline constexpr int kUnrecognizedFormat = 3343;
inline constexpr int kTypeConversion = 3421;
inline constexpr int kInvalidArgument = 3001;
inline constexpr int kReservedError = 3000;
inline constexpr int kNotInTransaction = 3034;
inline constexpr int kDiskFull = 3035;
inline constexpr int kLocked = 3260;
}  // namespace err

inline Error makeError(int number, std::string description) {
    return Error{number, std::move(description)};
}

// A value or an error, for operations that produce something.
template <class T>
class Result {
  public:
    Result(T value) : v_(std::move(value)) {}      // NOLINT: implicit by design
    Result(Error error) : v_(std::move(error)) {}  // NOLINT
    bool ok() const { return v_.index() == 0; }
    explicit operator bool() const { return ok(); }
    T& value() { return std::get<0>(v_); }
    const T& value() const { return std::get<0>(v_); }
    T& operator*() { return value(); }
    T* operator->() { return &value(); }
    const Error& error() const { return std::get<1>(v_); }

  private:
    std::variant<T, Error> v_;
};

}  // namespace qrv::dao
