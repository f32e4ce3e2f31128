#pragma once

#include "station/job.h"

namespace cli {

class Cli;

// apply on several ports at once, or with a report, retries or the watch mode: runs `job` on
// every port of the call, one worker each, and returns the exit code (0 when every terminal was
// good, else the highest single one).
int applyOnStation(Cli& cli, const station::SharedJob& job);

} // namespace cli
