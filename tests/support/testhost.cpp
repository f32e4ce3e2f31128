#include "testhost.h"

#include "link/flags.h"

void TestHost::setReceiveMonitor(bool enable) {
    LinkFlags::instance().showReceivedData = enable;
    monitor.clear();
}
