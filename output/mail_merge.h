// Mail merge, serial and collective e-mail, and the address basket: the rows of
// the visible columns go to the office-link component (variable array) or to the
// newer document component (data text); which of the two is decided once per
// process by the switch component.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "host/xarray.h"
#include "output/output_host.h"

namespace vmbgrid::output {

class TextExport;

inline constexpr const char* kSwitchComponent = "VelmarDLLSwitch.DLLSwitch";
inline constexpr const char* kOfficeComponent = "VMOffAnb.ClsOfficeAnbindung";
inline constexpr const char* kDocumentComponent = "SerienDokuNET";
inline constexpr const char* kBasketFileSuffix = "_vmOffSeriendruck.txt";
inline constexpr const char* kControlFileFailed = "Fehler beim Erstellen der Steuerdatei";
inline constexpr const char* kMailMergeFailed = "Fehler beim Seriendruck";

class MailMerge {
 public:
  MailMerge(OutputHost& host, TextExport& exportFolder) : host_(host), folder_(exportFolder) {}

  void seriendruck(bool& serienMail, bool& sammelMail);
  void SerienDruckVB6(bool& serienMail, bool& sammelMail);
  void SerienDruckNET(bool& serienMail, bool& sammelMail);
  void SpeichernSammelKorbAdressen(std::shared_ptr<Component>& basketManager, bool& allRows);

  int32_t DocumentNumber() const { return documentNumber_; }
  // The process-wide component choice back to undecided (tests).
  static void ResetComponentChoice();

 private:
  std::shared_ptr<Component> CreateOfficeLink();

  OutputHost& host_;
  TextExport& folder_;
  int32_t documentNumber_ = 0;
};

// Row 0 the data field names of the visible columns in display order, then one row
// per grid row: the cell values as text (GridControl::CellValueText: no number
// format, no value translation) trimmed, without ";" and double quotes.
std::shared_ptr<XArray> VariableArray(GridControl& grid);
// Header and rows joined by "|"; a line is its items in double quotes joined by
// ";": the data field names, then the trimmed cell values as text, nothing removed.
std::string DataText(GridControl& grid);
// The basket file read back: row 0 the data field names, then one row per record
// with ";" and double quotes removed from the values.
std::shared_ptr<XArray> BasketArray(GridControl& grid, const std::string& content);

}  // namespace vmbgrid::output
