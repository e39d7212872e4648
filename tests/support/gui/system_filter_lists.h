#pragma once

namespace testing_support {

// Building the filter from the system's lists costs a large part of every
// program start, so the window and program tests start without them (the
// test mains call the first, unless the variable is set already; started
// programs inherit it). The tests of blocking itself call the second before
// the program starts.
void leaveOutSystemFilterLists();
void useSystemFilterLists();

} // namespace testing_support
