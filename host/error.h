// The one error type the library raises, shaped like an automation error:
// a number, the source that raised it and a description.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace vmbgrid {

enum VMGridErrorEnum : int32_t {
  vmGridErrorOpenConnection = -2147216504,  // user-error base + 5000
  vmGridErrorInvalidField = -2147216503,    // + 5001
  vmGridErrorWrongDatatype = -2147216502,   // + 5002
};

// Error numbers used across the library. Automation runtime errors keep their
// small numbers; data-access errors are the provider codes as signed 32-bit values.
namespace errc {
inline constexpr int32_t kInvalidProcedureCall = 5;
inline constexpr int32_t kOverflow = 6;
inline constexpr int32_t kOutOfMemory = 7;
inline constexpr int32_t kSubscriptOutOfRange = 9;
inline constexpr int32_t kTypeMismatch = 13;
inline constexpr int32_t kObjectVariableNotSet = 91;
inline constexpr int32_t kInvalidUseOfNull = 94;
inline constexpr int32_t kObjectRequired = 424;
inline constexpr int32_t kCannotCreateObject = 429;
inline constexpr int32_t kKeyAlreadyExists = 457;
inline constexpr int32_t kFileNotFound = 53;
inline constexpr int32_t kPathFileAccess = 75;
inline constexpr int32_t kPrinterError = 482;
// Data access.
inline constexpr int32_t kRejectedStatement =
    static_cast<int32_t>(0x80040E14u);  // syntax, unknown name
inline constexpr int32_t kIntegrityViolation = static_cast<int32_t>(0x80040E2Fu);
inline constexpr int32_t kCantConvertValue = static_cast<int32_t>(0x80040E07u);
inline constexpr int32_t kNoSuchTable = static_cast<int32_t>(0x80040E37u);
inline constexpr int32_t kNoSuchColumn = static_cast<int32_t>(0x80040E11u);
// A statement beyond what the database can take (expression depth, pattern length).
inline constexpr int32_t kStatementTooComplex = static_cast<int32_t>(0x80040E1Du);
inline constexpr int32_t kProviderFailure = static_cast<int32_t>(0x80004005u);  // open failed, I/O
inline constexpr int32_t kItemNotFound = static_cast<int32_t>(0x800A0CC1u);     // field by name
inline constexpr int32_t kInvalidArgument = static_cast<int32_t>(0x800A0BB9u);  // bad filter, sort
inline constexpr int32_t kNoCurrentRecord = static_cast<int32_t>(0x800A0BCDu);  // EOF or BOF
inline constexpr int32_t kObjectClosed = static_cast<int32_t>(0x800A0E78u);
inline constexpr int32_t kObjectOpen = static_cast<int32_t>(0x800A0E79u);
inline constexpr int32_t kProviderNotFound = static_cast<int32_t>(0x800A0E7Au);
inline constexpr int32_t kOperationNotAllowed =
    static_cast<int32_t>(0x800A0CB3u);  // e.g. update read-only
inline constexpr int32_t kDatabaseLocked = static_cast<int32_t>(0x80004005u);
inline constexpr int32_t kBadBookmark = static_cast<int32_t>(0x800A0CC1u + 0x8u);
inline constexpr int32_t kFieldValueDoesNotFit = static_cast<int32_t>(0x80040E21u);
inline constexpr int32_t kQueryTimeout = static_cast<int32_t>(0x80040E31u);  // timeout expired
}  // namespace errc

class VMError : public std::runtime_error {
 public:
  VMError(int32_t number, std::string source, std::string description)
      : std::runtime_error(description),
        number_(number),
        source_(std::move(source)),
        description_(std::move(description)) {}

  int32_t Number() const { return number_; }
  const std::string& Source() const { return source_; }
  const std::string& Description() const { return description_; }

 private:
  int32_t number_;
  std::string source_;
  std::string description_;
};

}  // namespace vmbgrid
