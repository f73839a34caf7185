// The headless front end in one include, and its installation into Platform.
#pragma once

#include "adapters/headless/headless_dialogs.h"
#include "adapters/headless/headless_dropdown.h"
#include "adapters/headless/headless_event_loop.h"
#include "adapters/headless/headless_form.h"
#include "adapters/headless/headless_grid.h"
#include "adapters/headless/headless_menu.h"
#include "adapters/headless/headless_services.h"

namespace vmbgrid {

// The installed services, for tests to script and inspect.
struct HeadlessPlatform {
  HeadlessMessages messages;
  HeadlessScreen screen;
  HeadlessKeySender keys;
  HeadlessClipboard clipboard;
  HeadlessFileDialog files;
  HeadlessComponentFactory components;
  HeadlessForm form{"frmMain"};
  HeadlessDialogFactory dialogs;
  HeadlessEventLoop& events = HeadlessEventLoop::Default();
};

// Installs fresh headless services into Platform (the previous ones are dropped
// and the message queue emptied) and returns them. A data-access layer, when given,
// is installed too.
HeadlessPlatform& InstallHeadlessPlatform(DataAccess* data = nullptr);
// Back to the platform's silent fallbacks; the headless services are released.
void ResetHeadlessPlatform();
// The installed services; nullptr when none are installed.
HeadlessPlatform* InstalledHeadlessPlatform();

}  // namespace vmbgrid
