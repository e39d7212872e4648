#pragma once

#include <QtGlobal>

namespace testing_support {

// The number of open file descriptors of this process.
int openDescriptors();

// The number of this process's descriptors that are TCP sockets whose peer
// is 127.0.0.1:`port`: the client ends of connections to a test server,
// whatever else (the web engine, look-up threads) opens meanwhile.
int socketsConnectedTo(quint16 port);

} // namespace testing_support
