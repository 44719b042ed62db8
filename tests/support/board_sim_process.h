#pragma once

// The earlier name of the simulator launcher, for the suites not yet moved to board_sim.h.

#include "board_sim.h"

using BoardSimProcess = test_support::BoardSim;
