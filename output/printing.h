// Printing and preview of the table. Without a print component the grid prints
// itself, with the preview window in German; with the report object the host
// handed to Init, an external print component created for each request prints,
// previews, prints with a selection dialog or lets the user manage the layout.
#pragma once

#include <string>

#include "output/output_host.h"

namespace vmbgrid::output {

inline constexpr const char* kPrintComponent = "vmdruckgrid.clsgriddruck";
inline constexpr const char* kPrintFailed =
    "Vorschau zur Zeit nicht möglich, überprüfen Sie die Netzwerkverbindungen und Drucker.";
// Texts of the built-in preview window, by index.
inline constexpr const char* kPreviewCaptions[] = {"Datei",
                                                   "Drucke",
                                                   "Beenden",
                                                   "Ansicht",
                                                   "Vergrößern",
                                                   "Verkleinern",
                                                   "An Fenstergröße anpassen",
                                                   "Erste Seite",
                                                   "Vorherige Seite",
                                                   "Nächste Seite",
                                                   "Letzte Seite",
                                                   "Mehrere Seiten drucken",
                                                   "Aktuelle Seite drucken",
                                                   "Eingabe der zu druckenden Seiten",
                                                   "Seiten",
                                                   "OK",
                                                   "Abbrechen"};

// What a print component is asked for; the menu sets exactly one.
struct PrintRequest {
  bool preview = false;
  bool print = false;
  bool dialog = false;
  bool manage = false;
};

class Printing {
 public:
  explicit Printing(OutputHost& host) : host_(host) {}

  void PrintGrid(int orientation);
  // Built in, the same direct print as PrintGrid.
  void PrintGridDlg(int orientation);
  void PreviewGrid(int orientation);
  // Failures are ignored: the component shows its own windows.
  void RunPrintComponent(PrintRequest& request);

  // Title and name handed to the component.
  std::string Title() const;
  std::string Name() const;

 private:
  void BuiltIn(int orientation, bool preview);
  bool HasComponent() const { return host_.Print().reportObject != nullptr; }

  OutputHost& host_;
};

}  // namespace vmbgrid::output
