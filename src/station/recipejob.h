#pragma once

#include "station/job.h"

namespace recipe {
struct Plan;
}

namespace station {

// A recipe's plan as the station's job: each step runs the plan's step on a worker's exchange.
SharedJob jobFromPlan(const recipe::Plan& plan);

} // namespace station
