#pragma once
// Everything a driver includes: the kernel layer's calls and types.

#include "platform/kernel/debug_print.h"
#include "platform/kernel/device_interface.h"
#include "platform/kernel/file_io.h"
#include "platform/kernel/io_manager.h"
#include "platform/kernel/mdl.h"
#include "platform/kernel/pnp_manager.h"
#include "platform/kernel/pool.h"
#include "platform/kernel/power.h"
#include "platform/kernel/sync.h"
#include "platform/kernel/unicode_string.h"
