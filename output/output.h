// The output commands of one controller: text export, printing, mail merge.
#pragma once

#include <memory>

#include "output/mail_merge.h"
#include "output/output_host.h"
#include "output/printing.h"
#include "output/text_export.h"

namespace vmbgrid::output {

class Output {
 public:
  explicit Output(std::unique_ptr<OutputHost> host)
      : host_(std::move(host)), export_(*host_), printing_(*host_), mail_(*host_, export_) {}

  TextExport& Export() { return export_; }
  Printing& Print() { return printing_; }
  MailMerge& Mail() { return mail_; }

 private:
  std::unique_ptr<OutputHost> host_;
  TextExport export_;
  Printing printing_;
  MailMerge mail_;
};

}  // namespace vmbgrid::output
