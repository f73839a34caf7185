// The browser's own office link: on a machine without the host's office
// components, mail merge writes its data as a CSV file that a word processor
// takes as a data source (UTF-8 with byte-order mark, ";" between fields, fields
// in double quotes), and tells the user where the file is.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/platform.h"
#include "host/xarray.h"

namespace vmbgrid::browser {

inline constexpr const char* kOfficeLinkId = "VMOffAnb.ClsOfficeAnbindung";

class OfficeLink : public Component {
 public:
  // Files go to root/Seriendruck.
  explicit OfficeLink(std::string root) : root_(std::move(root)) {}

  Variant Invoke(const std::string& member, std::vector<Variant>& args) override;
  void SetProperty(const std::string& name, const Variant& value) override;
  void SetObjectProperty(const std::string& name, const ComponentObject& value) override;

  // The file the last command wrote ("" before the first).
  const std::string& LastFile() const { return lastFile_; }

 private:
  std::string WriteArray(const std::string& fileName);

  std::string root_;
  std::string user_;
  std::shared_ptr<XArray> array_;
  std::string lastFile_;
};

// The folder the browser's mail-merge files go to: $VMBGRID_DOKUMENTE, else
// ~/Dokumente/VMBGrid.
std::string OfficeRoot();

}  // namespace vmbgrid::browser
