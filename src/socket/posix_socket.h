#pragma once

// The socket platform under TPowersock: IPv4 stream sockets on POSIX
// descriptors, made to behave as the component expects of its platform.
//  - Calls return -1 and leave an error number for LastError(), in the
//    numbering of the error table (ECONNREFUSED is 10061, EAGAIN 10035 ...).
//  - AsyncSelect makes a socket non-blocking and posts notifications to a
//    hidden window, in the order they happen: readable (re-armed by the next
//    receive, so an unread socket posts once), connect (with its error),
//    close (once, when the peer's orderly end is seen), accept.
//  - A reset connection stays reset: every later receive or send reports
//    10054 again, so the reset cannot turn into an orderly end later.
//  - Connect never completes in the call: it reports "would block" and the
//    outcome arrives as the connect notification, refusals included.
//  - Bytes the peer sent before a reset are received first; the reset is
//    reported by the receive that finds nothing more in front of it.
//  - AsyncGetHostByName looks a name up on a thread of its own and posts the
//    result; the component's thread never blocks on a name server.

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <functional>

class HiddenWindow;

// The start-up information of the socket layer.
struct TWSAData {
    quint16 wVersion = 0;
    quint16 wHighVersion = 0;
    char szDescription[257] = {};
    char szSystemStatus[129] = {};
    quint16 iMaxSockets = 0;
    quint16 iMaxUdpDg = 0;
    const char *lpVendorInfo = nullptr;
};

// An IPv4 socket address; port and address in network order.
struct TSockAddrIn {
    quint16 sin_family = 0;
    quint16 sin_port = 0;
    quint32 sin_addr = 0;
    char sin_zero[8] = {};
};

namespace sockets {

// Notification codes (low 16 bits of a socket message's second parameter;
// the error number is in the high 16 bits).
constexpr quint16 FD_READ = 1;
constexpr quint16 FD_ACCEPT = 8;
constexpr quint16 FD_CONNECT = 16;
constexpr quint16 FD_CLOSE = 32;

constexpr int MSG_PEEK_FLAG = 2;
constexpr quint32 INADDR_NONE_VALUE = 0xFFFFFFFF;

// Error numbers used by the layer itself.
constexpr int WSAEWOULDBLOCK = 10035;
constexpr int WSAENOTCONN = 10057;
constexpr int WSANOTINITIALISED = 10093;
constexpr int WSAHOST_NOT_FOUND = 11001;
// A TLS failure; its text (TlsErrorText) names the reason.
constexpr int TLS_ERROR = 30001;

int Startup(quint16 version, TWSAData &data);
int Cleanup();
bool Started();

// The error number of the last failed call on this thread.
int LastError();
// errno to the table's numbering; values the table lacks become 20000 + errno.
int FromErrno(int error);

int Socket(int family, int type, int protocol);
int SetLinger(int s, bool on, int seconds);
// While on, the kernel holds partial segments back, so pieces sent one after
// another leave together; turning it off sends what is held at once.
int SetCork(int s, bool on);
int AsyncSelect(int s, HiddenWindow *window, quint32 message, long mask);
quint32 InetAddr(const char *text);
// Starts a look-up of `name`; returns the source id its message carries.
quint64 AsyncGetHostByName(HiddenWindow *window, quint32 message, const QByteArray &name);
quint16 Htons(quint16 value);
int Connect(int s, const TSockAddrIn &address);
qsizetype Send(int s, const char *bytes, qsizetype length, int flags);
qsizetype Recv(int s, char *bytes, qsizetype length, int flags);
int Accept(int s, TSockAddrIn *address);
int CloseSocket(int s);

// TLS on a connected socket. StartTls prepares it (failing only on an
// unusable CA file); TlsHandshake returns 0 once it is established, else -1
// with "would block" (the notifications are armed to wake the caller's wait)
// or an error. From then on Recv and Send carry the data through TLS: a
// peek sees decrypted bytes, the peer's close_notify is the orderly end (0),
// and a connection that ends without it is an error.
int StartTls(int s, const QByteArray &serverName, const QString &extraCaFile);
int TlsHandshake(int s);
// The text of the last TLS_ERROR on this thread.
QString TlsErrorText();

// Sees every name AsyncGetHostByName is asked for, on the caller's thread,
// before anything leaves the process; returning false answers the look-up
// with "host not found" at once. Lets tests prove which names a client asks
// for without any name server. An empty hook lets every look-up go on.
using LookupHook = std::function<bool(const QByteArray &name)>;
void SetLookupHook(LookupHook hook);

// Look-ups still running on their threads (tests wait for 0 before counting
// descriptors).
int PendingLookups();

} // namespace sockets
