#pragma once

// Sets what the web engine needs before the application object exists:
// no sandbox when running as root (it refuses to start otherwise) and
// software rendering, since these machines may have no GPU. Switches the
// user already set are kept.
namespace platform {

void prepareWebEngineEnvironment();

} // namespace platform
