// The tools and bands of the two hidden forms' menu controls: the table menu with
// its sub-menus on the layout dialog, the filter menu on the query dialog.
#pragma once

#include <cstdint>

namespace vmbgrid {
class MenuControl;
}

namespace vmbgrid::menus {

// Bands.
inline constexpr const char* kPopTable = "popTable";
inline constexpr const char* kPopSettings = "popSettings";
inline constexpr const char* kPopOptions = "popOptions";
inline constexpr const char* kPopPrintOrientation = "popPrintOrientation";
inline constexpr const char* kPopPreviewOrientation = "popPreviewOrientation";
inline constexpr const char* kPopTableFilter = "popTableFilter";
inline constexpr const char* kPopSpalten = "popSpalten";
inline constexpr const char* kPopFilter = "popFilter";

// Tools of the table menu.
inline constexpr const char* kMnuTableSettings = "mnuTableSettings";
inline constexpr const char* kMnuSaveTable = "mnuSaveTable";
inline constexpr const char* kMnuPreview = "mnuPreview";
inline constexpr const char* kMnuPrint = "mnuPrint";
inline constexpr const char* kMnuVerwaltPrintLL80 = "mnuVerwaltPrintLL80";
inline constexpr const char* kMnuPreviewLL80 = "mnuPreviewLL80";
inline constexpr const char* kMnuPrintLL80 = "mnuPrintLL80";
inline constexpr const char* kMnuPrintLL80Dlg = "mnuPrintLL80Dlg";
inline constexpr const char* kMnuExportTable = "mnuExportTable";
inline constexpr const char* kMnuSerienDruck = "mnuSerienDruck";
inline constexpr const char* kMnuSerienEMail = "mnuSerienEMail";
inline constexpr const char* kMnuSammelEMail = "mnuSammelEMail";
inline constexpr const char* kMnuOptions = "mnuOptions";
inline constexpr const char* kMnuEmptyTable = "mnuEmptyTable";
inline constexpr const char* kMnuQueryOnLeaveRow = "mnuQueryOnLeaveRow";
inline constexpr const char* kMnuPrintPortrait = "mnuPrintPortrait";
inline constexpr const char* kMnuPrintLandscape = "mnuPrintLandscape";
inline constexpr const char* kMnuPreviewPortrait = "mnuPreviewPortrait";
inline constexpr const char* kMnuPreviewLandscape = "mnuPreviewLandscape";
inline constexpr const char* kMnuFilterSelected = "mnuFilterSelected";
inline constexpr const char* kMnuFilterNotSelected = "mnuFilterNotSelected";
inline constexpr const char* kMnuCut = "mnuCut";
inline constexpr const char* kMnuCopy = "mnuCopy";
inline constexpr const char* kMnuPaste = "mnuPaste";
inline constexpr const char* kMnuLoadStandard = "mnuLoadStandard";
inline constexpr const char* kMnuSpalte = "mnuSpalte";
inline constexpr const char* kMnuMaxRecords = "mnuMaxRecords";
// The column chooser's entry: created at run time, its name is its caption.
inline constexpr const char* kColumnChooserTool = "Spalten verwalten";
inline constexpr int32_t kColumnChooserId = 20002;

// Tools of the filter menu.
inline constexpr const char* kMnuFilterSave = "mnuFilterSave";
inline constexpr const char* kMnuQuery = "mnuQuery";
inline constexpr const char* kMnuQueryDlg = "mnuQueryDlg";

// Marks an entry that stands for a saved layout; layout and query entries are
// numbered from this identifier on.
inline constexpr int32_t kLayoutMarker = 1000;
// Marks an entry of the filter menu that stands for a saved query; its identifier
// counts from 20002 (parameter queries first).
inline constexpr int32_t kQueryMarker = 2000;
inline constexpr int32_t kFirstQueryId = 20001;
inline constexpr int32_t kFirstEntryId = 20001;

// Puts the master tools and bands of the layout dialog's menu control in place.
void BuildLayoutMenus(MenuControl& menu);
// The same for the query dialog's menu control.
void BuildQueryMenus(MenuControl& menu);

}  // namespace vmbgrid::menus
