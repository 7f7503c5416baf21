#pragma once

namespace dw {

// Connects the runtime to the window system; call once on the GUI thread
// after the application object exists. From then on Delay on that thread
// keeps the event loop running, and a runtime error is shown in an error
// message box on the GUI thread, whichever thread raised it.
void InstallRuntimeUiHooks();

}  // namespace dw
