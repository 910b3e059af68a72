// The recording client of the online tests, now shared with the game's online tests from
// tests/support/.
#pragma once

#include "support/recording_client.h"
