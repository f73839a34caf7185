// Core services: the process-wide error collection, type names, pictures and
// colours by number, and the environment's keystroke send mode.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/data_access.h"
#include "host/variant.h"

namespace vmbgrid::core {

// One entry of the error collection.
struct ErrorEntry {
  int kind = 4;  // message kind the entry reports with
  int32_t number = 0;
  std::string source;
  std::string description;
};

// The one error collection of the process, shared by every controller. Entries
// report themselves through the platform's message service.
class ErrorCollection {
 public:
  static ErrorCollection& Instance();
  void Clear();
  // Takes over the connection's error list (as entries of kind 4, appended; nothing
  // is reported). A missing connection has no errors to take over.
  void TakeOver(const Connection& connection);
  void TakeOver(const Connection* connection);
  // Adds an entry and returns its index.
  size_t Add(int kind, int32_t number, const std::string& source, const std::string& description);
  // The entry reports itself: ShowMessage(description, kind). An index out of range
  // raises "subscript out of range".
  void Report(size_t index) const;
  // Add and Report in one step, the usual way the controller reports; returns the index.
  size_t AddAndReport(int kind, int32_t number, const std::string& source,
                      const std::string& description);
  size_t Count() const { return entries_.size(); }
  const ErrorEntry& Item(size_t index) const;
  const std::vector<ErrorEntry>& Entries() const { return entries_; }

  // The collection lives as long as the process; the oldest entries give way
  // beyond this many.
  static constexpr size_t kMaxEntries = 1000;

 private:
  std::vector<ErrorEntry> entries_;
};

// Readable German name of a data-type code ("Währung" for 6).
std::string DataTypeName(int32_t code);
// A code whose values are numbers: stood right, totalled by the sum line.
bool IsNumberType(int32_t code);

// Pictures by number (265 active search, 266 no search, 294 sum row) as the value
// a grid's picture property takes; unknown numbers give an empty variant.
Variant LoadPicture(int number);
// Colours by entry number, as 0x00BBGGRR; system colours (0x80000000 | index) are
// resolved to their usual values.
uint32_t Colour(int number);
uint32_t SystemColour(uint32_t code);

// Send mode for keystrokes: 1 = the platform's send-keys service, other = key codes.
// Read once per process (VMBGRID_SENDMODE in the environment; default 0).
int SendMode();
void SetSendModeForTesting(int mode);

}  // namespace vmbgrid::core
