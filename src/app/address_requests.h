#pragma once

#include <QString>

#include <optional>

class SingleInstance;
class WindowSetOwner;

// Addresses that come from outside the windows: the program's own command
// line and later starts on the same installation folder. Each one brings
// the main window forward and, when it holds an address, puts it into the
// address box and runs Go, so it is shown, counted and recorded like a
// typed one. The start's own address is opened once the message loop runs.
void openAddressRequests(SingleInstance &instance, WindowSetOwner &windows, const std::optional<QString> &ownAddress);
