#pragma once
// The channels' run-time values live with their lowest user, the application state.
#include "app/ChannelData.h"
