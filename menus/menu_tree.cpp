#include "menus/menu_tree.h"

#include <initializer_list>

#include "host/menu_control.h"

namespace vmbgrid::menus {

namespace {

MenuTool Tool(const char* name, const char* caption, const char* tip = "",
              const char* subBand = "") {
  MenuTool t;
  t.name = name;
  t.caption = caption;
  t.tipText = tip;
  t.subBand = subBand;
  return t;
}

void Band(MenuControl& menu, const char* band, const char* caption,
          std::initializer_list<MenuTool> tools) {
  menu.AddBand(band, caption);
  menu.ClearBand(band);
  for (const MenuTool& t : tools) menu.AddToBand(band, menu.AddTool(t));
}

}  // namespace

void BuildLayoutMenus(MenuControl& menu) {
  Band(menu, kPopTable, "Tabelleneigenschaften",
       {
           Tool(kMnuTableSettings, "Spalteneinstellungen laden", "", kPopSettings),
           Tool(kMnuSaveTable, "Spalteneinstellungen &verwalten ...",
                "Speichern, löschen und laden von Tabelleneigenschaften"),
           Tool(kMnuPreview, "Druckvorschau Tabelle", "", kPopPreviewOrientation),
           Tool(kMnuPrint, "Druck Tabelle", "", kPopPrintOrientation),
           Tool(kMnuVerwaltPrintLL80, "Druckansicht verwalten"),
           Tool(kMnuPreviewLL80, "Druckvorschau Tabelle"),
           Tool(kMnuPrintLL80, "Druck Tabelle", "Ausdruck der Tabelle mit List und Label"),
           Tool(kMnuPrintLL80Dlg, "Druck Tabelle mit Auswahl"),
           Tool(kMnuExportTable, "Export Tabelle..."),
           Tool(kMnuSerienDruck, "Seriendruck mit MS-Word"),
           Tool(kMnuSerienEMail, "Serien-EMail", "Persönliche EMail an ausgewählte Adressen"),
           Tool(kMnuSammelEMail, "Sammel-EMail", "Standardtext an ausgewählte Adressen"),
           Tool(kMnuOptions, "Optionen", "", kPopOptions),
       });
  MenuTool placeholder = Tool("mnuKeineEinstellungen", "< keine Einstellungen vorhanden >");
  placeholder.enabled = false;
  Band(menu, kPopSettings, "Tabelleneinstellungen", {placeholder});
  Band(menu, kPopOptions, "Options",
       {
           Tool(kMnuEmptyTable, "Am Anfang leere Tabelle anzeigen",
                "Wenn diese Eigenschaft an ist, wird die Tabelle am Anfang nicht gefüllt, "
                "sondern erst nach Eingabe von Suchkriterien."),
           Tool(kMnuQueryOnLeaveRow, "Erst beim Verlassen der Suchzeile suchen",
                "Wenn diese Eigenschaft aktiviert ist, wird nicht nach jedem Feld sondern erst "
                "bei Verlassen der Suchzeile gesucht."),
       });
  Band(menu, kPopPrintOrientation, "",
       {Tool(kMnuPrintPortrait, "Hochformat"), Tool(kMnuPrintLandscape, "Querformat")});
  Band(menu, kPopPreviewOrientation, "",
       {Tool(kMnuPreviewPortrait, "Hochformat"), Tool(kMnuPreviewLandscape, "Querformat")});
  Band(menu, kPopTableFilter, "Filter",
       {
           Tool(kMnuFilterSelected, "Auswahlbasierter Filter"),
           Tool(kMnuFilterNotSelected, "Auswahlausschließender Filter"),
           Tool(kMnuCut, "A&usschneiden", "Cut current selection to clipboard"),
           Tool(kMnuCopy, "&Kopieren", "Copy current selection to clipboard"),
           Tool(kMnuPaste, "E&infügen", "Paste clipboard contents into document"),
       });
  Band(menu, kPopSpalten, "Spalten", {});

  // Master tools in no band. The table menu is rebuilt from the master tools, so
  // the master caption of the print-component preview is the one users see.
  menu.AddTool(Tool(kMnuPreviewLL80, "Druckvorschau Tablelle"));
  menu.AddTool(Tool(kMnuLoadStandard, "Standardeinstellungen laden",
                    "Lädt die Standardeinstellungen für diese Tabelle"));
  menu.AddTool(Tool(kMnuSpalte, "", "Blendet diese Spalte ein oder aus"));
  MenuTool maxRecords = Tool(kMnuMaxRecords, "Max. Datensätze",
                             "Maximal zu lesende Datensätze (0=alle)");
  maxRecords.entryField = true;
  menu.AddTool(maxRecords);
}

void BuildQueryMenus(MenuControl& menu) {
  Band(menu, kPopFilter, "Filter",
       {Tool(kMnuFilterSave, "Filter &verwalten", "Speichert einen Filter ab")});
  menu.AddTool(Tool(kMnuQuery, "", "Führt eine Abfrage aus"));
  menu.AddTool(Tool(kMnuQueryDlg, "", "Zeigt eine Abfragedialog an"));
}

}  // namespace vmbgrid::menus
