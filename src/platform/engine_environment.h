#pragma once

// Sets what the web engine needs before the application object exists:
// no sandbox when running as root (it refuses to start otherwise) and
// software rendering, since these machines may have no GPU: in the engine,
// in the view that puts its pictures into the window, and so no OpenGL at
// all. Switches the user already set are kept. Also keeps large buffers
// (the window images copied at every repaint of a window with a page) in
// mappings of their own, so that their memory goes back to the system once
// freed.
namespace platform {

void prepareWebEngineEnvironment();

} // namespace platform
