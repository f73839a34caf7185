#include <memory>

#include "adapters/headless/headless.h"

namespace vmbgrid {

namespace {
std::unique_ptr<HeadlessPlatform>& Current() {
  static std::unique_ptr<HeadlessPlatform> current;
  return current;
}
}  // namespace

HeadlessPlatform& InstallHeadlessPlatform(DataAccess* data) {
  // Platform first points back at its fallbacks, so that nothing refers to the old
  // services while they are released.
  Platform::Reset();
  HeadlessEventLoop::Default().Clear();
  Current() = std::make_unique<HeadlessPlatform>();
  HeadlessPlatform& p = *Current();
  Platform::Install(static_cast<MessageService*>(&p.messages));
  Platform::Install(static_cast<Screen*>(&p.screen));
  Platform::Install(static_cast<KeySender*>(&p.keys));
  Platform::Install(static_cast<Clipboard*>(&p.clipboard));
  Platform::Install(static_cast<FileDialog*>(&p.files));
  Platform::Install(static_cast<EventLoop*>(&p.events));
  Platform::Install(static_cast<ComponentFactory*>(&p.components));
  Platform::Install(static_cast<HostForm*>(&p.form));
  Platform::Install(static_cast<DialogFactory*>(&p.dialogs));
  if (data != nullptr) Platform::Install(data);
  p.keys.Form(&p.form);
  return p;
}

void ResetHeadlessPlatform() {
  Platform::Reset();
  HeadlessEventLoop::Default().Clear();
  Current().reset();
}

HeadlessPlatform* InstalledHeadlessPlatform() { return Current().get(); }

}  // namespace vmbgrid
