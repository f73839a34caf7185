// Enumerations of the public interface shared by the field model and the controller.
#pragma once

#include <cstdint>

namespace vmbgrid {

// What the sum row shows for a column.
enum VMSumGridDataTypes : int32_t { vmValue = 0, vmSUM = 1 };

// Where layouts are stored.
enum SaveModes : int32_t { VelmGRX = 1, velmDB = 2 };

// Bit flags for DisableCustomization: each withholds one menu entry.
enum CustomizationLevel : int32_t {
  velmSaveGrid = 1,
  velmEmptyGrid = 2,
  velmExport = 4,
  velmPrintPortrait = 8,
  velmPreviewPortrait = 16,
  velmQueryOnLeaveRow = 32,
  velmFilterSelected = 64,
  velmFilterNotSelected = 128,
  velmPrintLandscape = 256,
  velmPreviewLandscape = 512,
};

enum VMPrintOrientation : int32_t { vmPortrait = 1, vmLandscape = 2 };

}  // namespace vmbgrid
